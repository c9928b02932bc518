# make        installs what the build needs (when missing), configures and builds
# make test   builds and runs every test
# make run    runs unpaint on the default desktop and shows the desktop before and after
# make bench  prints the benchmark figures
# make install PREFIX=DIR   installs the kit for building other commands

BUILD ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
# Debian packages the build needs: the 32-bit compiler support and its libgcc, the
# CPU emulator, the ELF reader, JSON, the test framework and the build tools.
PACKAGES := g++ g++-multilib cmake make pkg-config libunicorn-dev libelf-dev \
            nlohmann-json3-dev libgtest-dev

.PHONY: all deps configure test run bench install clean

all: configure
	cmake --build $(BUILD) -j$(JOBS)

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "installing:" $$missing; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD)

test: all
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS) --timeout 300

run: all
	bash tools/run-demo.sh $(BUILD)

bench: all
	bash bench/run.sh $(BUILD)

install: all
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
