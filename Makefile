# Quick start: `make demo` builds Pelorin and runs it on an example net; `make test` builds and
# runs every test; `make install PREFIX=...` installs it. They install the build tools first when
# they are missing (as root, with apt-get) or say what to install.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
WERROR ?= OFF
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: demo test test-sanitize install corpus compare bench fuzz deps clean

deps:
	@sh scripts/deps.sh

demo: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPELORIN_WERROR=$(WERROR) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target Pelorin
	$(BUILD)/Pelorin examples/demo.net

test: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPELORIN_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPELORIN_SANITIZE=ON -DPELORIN_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

# make install [PREFIX=/usr/local]: builds Pelorin and installs bin/Pelorin, its manual page and
# its bash completion under PREFIX.
install: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPELORIN_WERROR=$(WERROR) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target Pelorin
	cmake --install $(BUILD) --prefix "$(PREFIX)"

corpus: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target Pelorin
	sh scripts/corpus.sh $(BUILD)/Pelorin

# make compare REV=<commit> [QUICK=1]: every corpus output of this tree against those of REV
# (default: the merge-base with main), byte for byte.
compare: deps
	sh scripts/compare.sh $(if $(QUICK),--quick) $(REV)

bench: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target Pelorin
	sh bench/run.sh $(BUILD)/Pelorin

fuzz: deps
	sh scripts/fuzz.sh

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) build-fuzz
