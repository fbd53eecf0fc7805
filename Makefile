# Vireo: the two everyday commands are `make run` and `make test`.
BUILD ?= build
PACKAGE_BUILD ?= build-package
COVERAGE_BUILD ?= build-coverage
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build headers run test bench fuzz coverage format tidy package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Every header of src/ compiled on its own, with nothing but its target's settings.
headers: configure
	cmake --build $(BUILD) -j $(JOBS) --target all_verify_interface_header_sets

run: build
	$(BUILD)/bin/vireo

test: build headers
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	bench/run.sh $(BUILD)

fuzz: deps
	bench/fuzz.sh

# Line and branch coverage of src/ over the whole suite, in a build of its own (instrumented,
# unoptimised): the counters are reset first, so the summary is of this run alone. Notes left
# by objects the build no longer makes (a source moved to another target) would be merged
# with the live ones and stop gcovr, so only the notes of the build's own objects are kept.
coverage: deps
	cmake -S . -B $(COVERAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIREO_COVERAGE=ON \
	    -DVIREO_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	cd $(COVERAGE_BUILD) && ninja -t targets all | sed -n 's/\.o: .*/.gcno/p' | sort > live-notes.txt \
	    && find . -name '*.gcno' -printf '%P\n' | sort | comm -23 - live-notes.txt | xargs -r rm -f
	ctest --test-dir $(COVERAGE_BUILD) --output-on-failure -j $(JOBS)
	gcovr --root . --filter 'src/' --object-directory $(COVERAGE_BUILD) \
	    --exclude-unreachable-branches --exclude-throw-branches --print-summary \
	    --txt $(COVERAGE_BUILD)/coverage.txt
	@tests=$$(find tests -name '*.cpp' -o -name '*.h' | xargs cat | wc -l); \
	    src=$$(find src -name '*.cpp' -o -name '*.h' | xargs cat | wc -l); \
	    awk -v t=$$tests -v s=$$src 'BEGIN { printf "tests/: %d lines, src/: %d lines (%.1f %%)\n", t, s, 100 * t / s }'

# The Debian package, built apart with Debian's compiler and linker flags (hardening
# included) and installed under /usr: $(PACKAGE_BUILD)/vireo_<version>_<arch>.deb, which
# lintian must pass without a warning.
package: deps
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
	    -DVIREO_TESTS=OFF -DVIREO_BENCH=OFF \
	    -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	    -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	    -DCMAKE_SHARED_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	    -DCMAKE_MODULE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	rm -f $(PACKAGE_BUILD)/vireo_*.deb
	cd $(PACKAGE_BUILD) && cpack -G DEB
	lintian --fail-on warning $(PACKAGE_BUILD)/vireo_*.deb

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The naming check of .clang-tidy over src/, with the build's compile database; fails on a finding.
tidy: configure
	cmake --build $(BUILD) --target tidy

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD) $(COVERAGE_BUILD)
