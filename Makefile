# Two commands matter: `make play` builds and runs the game, `make test` builds with
# sanitizers and runs every test. Both install missing system packages first.

GENERATOR   := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE_DIR := build/release
TEST_DIR    := build/test
BENCH_DIR   := build/bench
FUZZ_DIR    := build/fuzz
SOAK_DIR    := build/soak
SOAK_ITERATIONS ?= 100000
FUZZ_TIME   ?= 60
PACING_TIME ?= 30
PACING_ROUNDS ?= 2

.PHONY: play serve watch watch-web test deps build bench pacing fuzz soak coverage mutants format format-check tidy clean

play: build
	cd $(RELEASE_DIR)/run && ./quillmere

# The game serving its world on 127.0.0.1:9876, and a watcher of it (HOST and PORT optional).
serve: build
	cd $(RELEASE_DIR)/run && QUILLMERE_CONFIG=qm-serve-config.txt ./quillmere

watch: build
	cd $(RELEASE_DIR)/run && ./quillmere-watch $(HOST) $(PORT)

# The browser page of the cell stream: websockify serves web/ and bridges WebSockets to the game's
# cell stream (a game run with networking:true and cell_stream:true; CELL_PORT, WEB_PORT optional).
CELL_PORT ?= 9877
WEB_PORT  ?= 8080
watch-web: deps
	@echo "Watch the game at http://127.0.0.1:$(WEB_PORT)/ (Ctrl-C stops the bridge)"
	websockify --web web/ $(WEB_PORT) 127.0.0.1:$(CELL_PORT)

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(RELEASE_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

test: deps
	cmake -S . -B $(TEST_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug \
	    -DQM_SANITIZE=ON -DQM_WARNINGS_AS_ERRORS=ON -DQM_BUILD_TESTS=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCH_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release \
	    -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	bash scripts/run-benchmarks.sh $(BENCH_DIR)

# The real game's frame pacing in play, drawn cell by cell and collected (prints, asserts nothing).
pacing: deps
	cmake -S . -B $(BENCH_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release \
	    -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS) --target quillmere game_data qm_pacing_probe
	python3 scripts/measure-pacing.py $(BENCH_DIR) --seconds $(PACING_TIME) --rounds $(PACING_ROUNDS)

fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER=clang++-14 -DQM_BUILD_TESTS=OFF -DQM_BUILD_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@echo "Fuzz targets are in $(FUZZ_DIR)/fuzz; run one with scripts/run-fuzz.sh <target> [seconds]"

# The game played headless by a key script, optimized and without sanitizers: memory, live
# objects, log size and iteration times over SOAK_ITERATIONS iterations, and the world hash
# of the test suite's seeded run checked in a Release build.
soak: deps
	cmake -S . -B $(SOAK_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=ON
	cmake --build $(SOAK_DIR) -j $(JOBS) --target qm_soak_tests
	cd $(SOAK_DIR) && QM_SOAK_ITERATIONS=$(SOAK_ITERATIONS) QM_SOAK_CHECK_MEMORY=1 ./tests/qm_soak_tests

# Line and branch coverage of the tests per folder (build/coverage, gcovr).
coverage: deps
	python3 scripts/coverage.py --jobs $(JOBS)

# Plant MUTANTS faults (seed MUTANT_SEED) in src/ and game/ and count those the tests find;
# BASELINE=file runs the mutants of an earlier result again and lists its kills that now survive
# (KILLS_ONLY=1: only those kills, against every test).
MUTANTS     ?= 300
MUTANT_SEED ?= 1
mutants: deps
	python3 scripts/mutants.py --jobs $(JOBS) --count $(MUTANTS) --seed $(MUTANT_SEED) \
	    $(if $(BASELINE),--baseline $(BASELINE)) $(if $(KILLS_ONLY),--kills-only) $(if $(OUT),--out $(OUT))

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# clang-tidy over the engine's and the game's sources with the checks in .clang-tidy, through
# the test build's compile commands; any finding fails the target.
tidy: deps
	cmake -S . -B $(TEST_DIR) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug \
	    -DQM_SANITIZE=ON -DQM_WARNINGS_AS_ERRORS=ON -DQM_BUILD_TESTS=ON
	run-clang-tidy-14 -p $(TEST_DIR) -quiet -j $(JOBS) '$(CURDIR)/(src|game)/.*\.cpp$$'

clean:
	rm -rf build
