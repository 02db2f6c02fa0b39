# Orvane: the two commands a newcomer needs are `make run` and `make test`.
# Both install what is missing (scripts/install-deps.sh) and build first.

BUILD ?= build
ROOT  ?= $(HOME)/Orvane
JOBS  ?= $(shell nproc)
FUZZ_SECONDS ?= 60
REPO  := $(abspath .)

.PHONY: all deps configure build run test bench fuzz screenshots clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Starts the program with ROOT (default ~/Orvane) as its root folder: the
# program keeps all its data in the folder it is started in.
run: build
	@root="$$(mkdir -p "$(ROOT)" && cd "$(ROOT)" && pwd -P)"; \
	case "$$root/" in "$(REPO)/"*) echo "ROOT must lie outside the repository ($(REPO))"; exit 2;; esac; \
	cd "$$root" && exec "$(REPO)/$(BUILD)/src/orvane"

test: build
	cd $(BUILD) && ctest --output-on-failure -j2 --timeout 900

# Every benchmark prints its figures as ratios against a reference run made
# side by side in the same process.
bench: build
	@set -e; for b in $$(find $(BUILD)/bench -maxdepth 2 -type f -executable -name '*bench*' | sort); do \
	  echo "== $$b"; "$$b"; done

# Each parser fuzzer for FUZZ_SECONDS (clang's libFuzzer).
fuzz: deps
	@set -e; for s in fuzz/*/run.sh; do echo "== $$s"; bash "$$s" $(FUZZ_SECONDS); done

# Screenshots of every window under Xvfb into docs/screenshots.
screenshots: build
	@set -e; for t in $$(find $(BUILD)/tests -type f -executable -name '*screenshot_tests' | sort); do \
	  echo "== $$t"; ORVANE_SCREENSHOT_DIR=$(REPO)/docs/screenshots QT_QPA_PLATFORM=xcb \
	  xvfb-run -a -s "-screen 0 1280x900x24" "$$t"; done

clean:
	rm -rf $(BUILD)
