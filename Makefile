# Entry points for people and CI. Each target installs what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
JOBS       ?= $(shell nproc)
# ccache, when present, keeps rebuilds of other checkouts and build trees cheap.
CCACHE     := $(shell command -v ccache 2>/dev/null)
LAUNCHER   := $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))
CMAKE_GEN  := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

.PHONY: configure build test test-fast test-asan test-tsan fuzz fuzz-long run bench bench-server \
        install deb clean \
        format gallery kwin-gallery gnome-gallery matrix chaos soak

# The installer runs again only when its package list changed since it last succeeded.
DEPS_STAMP := .deps-installed

deps: $(DEPS_STAMP)

$(DEPS_STAMP): scripts/install-deps.sh
	@bash scripts/install-deps.sh
	@touch $@

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Every test: unit, end-to-end under Xvfb, then the core again under the sanitizers,
# the code that runs on several threads under ThreadSanitizer, then a short run of each
# fuzz target.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory test-tsan
	@$(MAKE) --no-print-directory fuzz

test-fast: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L unit

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DKELVRA_CORE_ONLY=ON -DKELVRA_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -L unit

# The tests labelled threads (network, service, run loops' cross-thread posts, crash
# handler, session bus) under ThreadSanitizer. Only their executables are built.
TSAN_TARGETS := net_curl_http cloud_service server_tests kelvra-server unit_qt_shell unit_backends_sim \
                unit_crash session_services
test-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DKELVRA_TSAN=ON >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	@cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 \
	  suppressions=$(CURDIR)/scripts/tsan.supp" ctest --output-on-failure -j $(JOBS) -L threads

fuzz: deps
	@if [ -f fuzz/CMakeLists.txt ]; then \
	  CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DKELVRA_CORE_ONLY=ON -DKELVRA_FUZZ=ON >/dev/null && \
	  cmake --build $(FUZZ_BUILD) -j $(JOBS) && bash scripts/run-fuzzers.sh $(FUZZ_BUILD) 20; \
	fi

# Every fuzz target for MINUTES each (10 by default), then what the runs found merged
# into fuzz/corpus and the figures written into README.md.
MINUTES ?= 10
fuzz-long: deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DKELVRA_CORE_ONLY=ON -DKELVRA_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@bash scripts/fuzz-long.sh $(FUZZ_BUILD) $(MINUTES)

run: build
	@bash scripts/run.sh $(BUILD)

# -O2, not -O3: g++ 12 reports false -Wrestrict errors on std::string at -O3.
bench: deps
	@cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKELVRA_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@bash scripts/run-bench.sh $(BENCH_BUILD)

# kelvra-server under load on this machine: downloads and uploads from 64 connections
# on SQLite, then on PostgreSQL with two servers sharing the accounts. BENCH_SECONDS per run.
SERVER_BENCH_BUILD ?= build-server-bench
BENCH_SECONDS ?= 10
bench-server: deps
	@cmake -S . -B $(SERVER_BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKELVRA_CORE_ONLY=ON >/dev/null
	@cmake --build $(SERVER_BENCH_BUILD) -j $(JOBS) --target kelvra-server kelvra-server-load
	@bash scripts/bench-server.sh $(SERVER_BENCH_BUILD)/server $(BENCH_SECONDS)

# PREFIX=/usr/local by default; the program is installed without debug information.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --strip --prefix $(PREFIX)
	@-gtk-update-icon-cache -q -t $(DESTDIR)$(PREFIX)/share/icons/hicolor 2>/dev/null
	@-update-desktop-database -q $(DESTDIR)$(PREFIX)/share/applications 2>/dev/null

# build/kelvra_VERSION_ARCH.deb and build/kelvra-server_VERSION_ARCH.deb, packed by CPack
# from this build tree (see "Install from packages" in README.md).
deb: configure
	@cmake --build $(BUILD) --target kelvra_packaged -j $(JOBS)
	@cd $(BUILD) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(SERVER_BENCH_BUILD) \
	  $(DEPS_STAMP)

# Screenshots of every settings tab and welcome page in three languages, for docs/.
gallery: configure
	@cmake --build $(BUILD) --target kelvra_gallery -j $(JOBS)
	@bash scripts/gallery.sh $(BUILD)

# Kelvra's own windows on a headless KDE Plasma (KWin Wayland) session, for docs/.
kwin-gallery: configure
	@cmake --build $(BUILD) --target kelvra kwin-fake-input -j $(JOBS)
	@scripts/kwin-session.sh --screenshots --fake-input $(BUILD)/tests/tools/kwin-fake-input -- \
	  /usr/bin/python3 scripts/kwin-screenshots.py $(BUILD)/src/kelvra docs/kwin
	@scripts/kwin-session.sh --screenshots --scale 1.5 \
	  --fake-input $(BUILD)/tests/tools/kwin-fake-input -- \
	  /usr/bin/python3 scripts/kwin-screenshots.py $(BUILD)/src/kelvra docs/kwin x1.5

# The same on a headless GNOME Shell, at scale 1 and 2, for docs/.
gnome-gallery: configure
	@cmake --build $(BUILD) --target kelvra -j $(JOBS)
	@for s in 1 2; do scripts/gnome-session.sh --probe --scale $$s \
	  --free-workspace-keys left,right -- \
	  scripts/gnome-screenshots.py $(BUILD)/src/kelvra docs/gnome x$$s || exit 1; done

# The end-to-end desktop tests once per window manager (openbox, xfwm4, IceWM, Fluxbox,
# Mutter, KWin, none) and the KWin Wayland tests: the table in README.md and docs/matrix.md
# are written again.
# MATRIX_MANAGERS=icewm,fluxbox runs only those and keeps the other rows.
matrix: configure
	@cmake --build $(BUILD) --target kelvra kelvra-testclient e2e_desktop kwin-fake-input -j $(JOBS)
	@python3 scripts/matrix.py $(BUILD) $(if $(MATRIX_MANAGERS),--managers $(MATRIX_MANAGERS))

# Faults that take minutes (settings writes killed, its folder full and read-only, the
# end-to-end fault tests repeated) and the soak; prints a summary. Mounts need root.
CHAOS_TARGETS := kelvra kelvra-testclient e2e_desktop kelvra-save-chaos kelvra-soak
chaos: configure
	@cmake --build $(BUILD) --target $(CHAOS_TARGETS) -j $(JOBS)
	@bash scripts/run-chaos.sh $(BUILD)

# The soak alone: 10,000 shortcut presses and 1,000 drags among 30 windows.
soak: configure
	@cmake --build $(BUILD) --target kelvra kelvra-testclient kelvra-soak -j $(JOBS)
	@$(BUILD)/tools/kelvra-soak
