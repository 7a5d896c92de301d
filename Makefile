# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRAVIO_WERROR=ON
# The checking builds keep folders of their own, so that they never rebuild the everyday one.
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# Seconds each fuzzer runs in `make fuzz`: `make fuzz FUZZ_SECONDS=600` looks longer.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = date-text settings-file schedule-file calendar-file
# Leaks are looked for too: the program leaves none; what outside libraries leak is listed, with the
# reason, in tools/leak-suppressions.txt.
SANITIZER_ENV = ASAN_OPTIONS=detect_stack_use_after_return=1 UBSAN_OPTIONS=print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tools/leak-suppressions.txt:print_suppressions=0

.PHONY: deps configure build run test bench gallery clean install package test-asan fuzz

deps:
	@./tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) > /dev/null

# Ninja's moc step does not notice a class added to a file it already knows; dropping its stamps makes it
# look again (it only runs moc where something changed).
build: configure
	@find $(BUILD) -path '*_autogen/timestamp' -delete
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/zentravio

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	for b in $(BUILD)/bench/zentravio-bench-*; do QT_QPA_PLATFORM=offscreen $$b; done

# `make install` puts the program, its menu entry and icons under PREFIX (and below DESTDIR, when given).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# `make package` builds zentravio_<version>_<arch>.deb in $(BUILD).
package: build
	cd $(BUILD) && cpack -G DEB

# Every test, built once with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja $(CMAKE_FLAGS) -DZENTRAVIO_SANITIZE=ON > /dev/null
	@find $(ASAN_BUILD) -path '*_autogen/timestamp' -delete
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# Builds the fuzzers with clang and runs each for FUZZ_SECONDS from the committed seeds. New inputs go to
# $(FUZZ_BUILD)/corpus/<target>/, crashes to $(FUZZ_BUILD)/crashes/<target>/; a crash worth keeping is
# copied into fuzz/corpus/<target>/ once it is mended, so that every `make test` replays it.
fuzz: deps
	@./tools/install-deps.sh fuzz
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DZENTRAVIO_FUZZ=ON > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz-,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/crashes/$$t && \
		echo "fuzzing $$t for $(FUZZ_SECONDS) s" && \
		dict=""; [ -f fuzz/$$t.dict ] && dict="-dict=fuzz/$$t.dict"; \
		$(SANITIZER_ENV) $(FUZZ_BUILD)/fuzz/fuzz-$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$dict \
			-artifact_prefix=$(FUZZ_BUILD)/crashes/$$t/ $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t \
			2> $(FUZZ_BUILD)/fuzz-$$t.log || { tail -n 60 $(FUZZ_BUILD)/fuzz-$$t.log; exit 1; }; \
		grep -E '^(stat::|Done)' $(FUZZ_BUILD)/fuzz-$$t.log; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
