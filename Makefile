# make run   install what is missing, build, and start Corvan (ARGS=D for debug mode)
# make test  install what is missing, build, check the formatting and run every test
# make demo  convert a recording with corvan-cli into both kinds of music file, and
#            check and prepare a 44.1 kHz mono one
# make bench the conversion against a plain copy, preparing against sox, a music pack, loop
#            suggestions, the windows against bare Qt
# make test-sanitizers  the whole suite built with AddressSanitizer and UBSan
# make fuzz  each fuzz target for FUZZ_SECONDS (60); make fuzz-smoke for 10 s each
# make install  build and install under PREFIX (/usr/local), staged under DESTDIR if given
# make package  the Debian package build/corvan_VERSION_ARCH.deb
# make package-test  that package installed and used in a fresh Debian 12 root (debootstrap;
#            needs root and the Debian mirror)

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PACKAGES := $(shell sed -e 's/\#.*//' debian-packages.txt)
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)
SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null || \
	find app audio bench cli engine loop platform tests ui -name '*.cpp' -o -name '*.h')

.PHONY: deps configure build test run demo bench test-sanitizers fuzz fuzz-smoke format \
	format-check clean install package package-test

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
	sox -n -r 44100 -c 1 -b 16 $(BUILD)/demo/mono44k.wav synth 3 sine 440 vol 0.5
	$(BUILD)/cli/corvan-cli check $(BUILD)/demo/mono44k.wav || [ $$? -eq 1 ]
	$(BUILD)/cli/corvan-cli prepare $(BUILD)/demo/mono44k.wav $(BUILD)/demo/prepared.wav
	$(BUILD)/cli/corvan-cli check $(BUILD)/demo/prepared.wav
	$(BUILD)/cli/corvan-cli convert --prepare --loop 10% 90% $(BUILD)/demo/mono44k.wav \
	  $(BUILD)/demo/prepared.imc

bench: build
	$(BUILD)/bench/corvan-bench
	$(BUILD)/bench/corvan-audio-bench
	$(BUILD)/bench/corvan-loop-bench
	$(BUILD)/bench/corvan-pack-bench
	@if [ -n "$$DISPLAY" ]; then $(BUILD)/bench/corvan-ui-bench; \
	  else xvfb-run -a -s "-screen 0 1024x768x24" $(BUILD)/bench/corvan-ui-bench; fi

SAN_BUILD ?= build-sanitizers
SAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
test-sanitizers: deps
	cmake -S . -B $(SAN_BUILD) -DCORVAN_WERROR=ON -DCMAKE_CXX_FLAGS="$(SAN_FLAGS)"
	cmake --build $(SAN_BUILD) -j$(JOBS)
	cd $(SAN_BUILD) && \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/leak-suppressions.txt \
	  ctest --output-on-failure -j$(JOBS)

FUZZ_SECONDS ?= 60
fuzz: deps
	tests/fuzz/run-fuzzers.sh $(FUZZ_SECONDS)

fuzz-smoke: deps
	tests/fuzz/run-fuzzers.sh 10

PREFIX ?= /usr/local
DESTDIR ?=
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	cd $(BUILD) && cpack -G DEB

package-test: package
	tests/package/fresh-root.sh $$(ls -t $(BUILD)/corvan_*.deb | head -n 1)

format:
	clang-format -i $(SOURCES)

format-check:
	clang-format --dry-run --Werror $(SOURCES)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-fuzz
