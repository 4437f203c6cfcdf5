# make run   builds Velin and starts it under Wine (data beside build/bin/Velin.exe)
# make test  builds everything and runs every test with ctest under Wine
# make bench builds and runs the benchmarks
# make package builds the installer and the portable zip into build/dist (VELIN_BUILD: the build folder)
.PHONY: run test bench package build setup format clean

run: build
	scripts/run.sh

test: build
	scripts/test.sh

bench: build
	scripts/bench.sh

package: setup
	scripts/package.sh

build: setup
	scripts/build.sh

setup:
	scripts/setup.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
