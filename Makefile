# make run   install what is missing, build, and start Corvan (ARGS=D for debug mode)
# make test  install what is missing, build, check the formatting and run every test
# make demo  convert a recording with corvan-cli into both kinds of music file
# make bench the conversion against a plain copy, and the windows against bare Qt

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PACKAGES := $(shell sed -e 's/\#.*//' debian-packages.txt)
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: deps configure build test run demo bench format format-check clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCORVAN_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build format-check
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

ARGS ?=
run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No desktop to show Corvan on (DISPLAY is not set). Try: xvfb-run make run" >&2; exit 1; \
	fi
	$(BUILD)/app/corvan $(ARGS)

DEMO_WAV ?= /usr/share/sounds/alsa/Front_Center.wav
demo: build
	@mkdir -p $(BUILD)/demo
	$(BUILD)/cli/corvan-cli convert $(DEMO_WAV) $(BUILD)/demo/queued.imc
	$(BUILD)/cli/corvan-cli convert --loop 10% 90% $(DEMO_WAV) $(BUILD)/demo/looped.imc
	$(BUILD)/cli/corvan-cli inspect $(BUILD)/demo/looped.imc

bench: build
	$(BUILD)/bench/corvan-bench
	@if [ -n "$$DISPLAY" ]; then $(BUILD)/bench/corvan-ui-bench; \
	  else xvfb-run -a -s "-screen 0 1024x768x24" $(BUILD)/bench/corvan-ui-bench; fi

format:
	clang-format -i $(SOURCES)

format-check:
	clang-format --dry-run --Werror $(SOURCES)

clean:
	rm -rf $(BUILD)
