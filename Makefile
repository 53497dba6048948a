# The two commands of the README. Each does its own set-up.
.PHONY: demo test build setup bench package clean

demo:
	scripts/demo.sh

test:
	scripts/test.sh

build: setup
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j2

setup:
	scripts/setup.sh

# The benchmark is not part of the default build; this builds it, then runs it.
bench: build
	cmake --build build -j2 --target olvarin-bench
	build/olvarin-bench

# build/olvarin_<version>_amd64.deb
package: build
	cmake --build build --target package

clean:
	rm -rf build build-asan demo
