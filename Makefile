# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRAVIO_WERROR=ON

.PHONY: deps configure build run test bench gallery clean install package

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

clean:
	rm -rf $(BUILD)
