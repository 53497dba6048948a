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

bench: build
	build/olvarin-bench

# build/olvarin_<version>_amd64.deb
package: build
	cmake --build build --target package

clean:
	rm -rf build demo
