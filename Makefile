# make run   builds Velin and starts it under Wine (data beside build/bin/Velin.exe)
# make test  builds everything and runs every test with ctest under Wine
# make bench builds and runs the benchmarks
.PHONY: run test bench build setup format clean

run: build
	scripts/run.sh

test: build
	scripts/test.sh

bench: build
	scripts/bench.sh

build: setup
	scripts/build.sh

setup:
	scripts/setup.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
