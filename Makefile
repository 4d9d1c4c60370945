# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Thin wrappers over CMake presets. `make run` and `make test` also install what they need.
JOBS ?= $(shell nproc)

.PHONY: deps run build package test test-sanitizers test-fuzz bench measure screenshots format lint clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

run: build
	./build/release/src/app/quorel

# build/quorel_<version>_<arch>.deb, from the app alone built for /usr.
package: deps
	cmake --preset package
	cmake --build --preset package -j $(JOBS)
	cd build/package && cpack

# The package first: the dev suite installs it, starts it and removes it again (as root).
test: deps package
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --preset dev -j 2
	$(MAKE) --no-print-directory test-sanitizers
	$(MAKE) --no-print-directory test-fuzz

test-sanitizers:
	cmake --preset asan-ubsan
	cmake --build --preset asan-ubsan -j $(JOBS)
	ctest --preset asan-ubsan -j 2

# Each fuzzer for FUZZ_SECONDS from the committed seeds; what it finds stays under build/fuzz.
FUZZ_SECONDS ?= 30
test-fuzz:
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	for target in fuzz_bridge_request fuzz_saved_document fuzz_browser_link fuzz_url_rules; do \
	    mkdir -p build/fuzz/corpus/$$target && \
	    build/fuzz/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=build/fuzz/ \
	        build/fuzz/corpus/$$target fuzz/corpus/$$target || exit 1; \
	done

bench: build
	bash scripts/run-benchmarks.sh build/release

# The app beside rsibreak on one headless desktop: each one's share of a core per case, and memory.
# ROUNDS (default 3) and SECONDS per case and round (default 90) shorten it, e.g.
# `make measure ROUNDS=2 SECONDS=20`. scripts/measure-idle.sh measures the app alone.
measure: build
	bash scripts/measure-vs-peer.sh build/release/src/app/quorel

# Every screen, glass on and off, and each theme, into docs/screenshots/ (a headless X desktop).
screenshots: deps
	cmake --preset dev
	cmake --build --preset dev --target quorel-screenshots -j $(JOBS)
	scripts/with-desktop.sh build/dev/tools/screenshots/quorel-screenshots docs/screenshots

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Unformatted C++, shellcheck's findings in the scripts (settings in .shellcheckrc) and a file
# without its licence and copyright (SPDX header, or .reuse/dep5 for data) fail it.
lint:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
	shellcheck $$(git ls-files '*.sh') .ci/run
	reuse lint --quiet

clean:
	rm -rf build
