# make run   installs what running needs, builds and starts Korvane in workspace/
#            (or in the tool folder given as TOOLS=/path)
# make test  installs what the tests need too, builds with the sanitizers and runs every test
# make package  builds in Release and makes the Debian package in build-package/
TOOLS ?= $(CURDIR)/workspace
JOBS ?= $(shell nproc)

.PHONY: run test build build-test deps deps-run bench package

deps:
	scripts/install-deps test

deps-run:
	scripts/install-deps run

build: deps-run
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j$(JOBS) --target korvane

run: build
	mkdir -p "$(TOOLS)"
	cd "$(TOOLS)" && "$(CURDIR)/build/korvane"

build-test: deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON
	cmake --build build-test -j$(JOBS)

# The last line says how many real-tool tests ran and how many were skipped, and why.
test: build-test
	cd build-test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS); \
	    status=$$?; ../scripts/real-tool-summary .; exit $$status

bench: deps-run
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release
	cmake --build build-bench -j$(JOBS)
	for b in build-bench/bench/bench_*; do QT_QPA_PLATFORM=offscreen $$b; done

package: deps-run
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build build-package -j$(JOBS) --target korvane
	cd build-package && cpack -G DEB
