# make run   install what is missing, build, and start Corvan
# make test  install what is missing, build, check the formatting and run every test
# make bench the conversion against a plain copy of the same 1 GiB file

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PACKAGES := $(shell sed -e 's/\#.*//' debian-packages.txt)
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: deps configure build test run bench format format-check clean

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

DEMO_WAV ?= /usr/share/sounds/alsa/Front_Center.wav
run: build
	@mkdir -p $(BUILD)/demo
	$(BUILD)/cli/corvan-cli convert $(DEMO_WAV) $(BUILD)/demo/queued.imc
	$(BUILD)/cli/corvan-cli convert --loop 10% 90% $(DEMO_WAV) $(BUILD)/demo/looped.imc
	$(BUILD)/cli/corvan-cli inspect $(BUILD)/demo/looped.imc

bench: build
	$(BUILD)/bench/corvan-bench

format:
	clang-format -i $(SOURCES)

format-check:
	clang-format --dry-run --Werror $(SOURCES)

clean:
	rm -rf $(BUILD)
