# The two commands of the README: `make run` and `make test`.
# Both install the Debian packages that are missing, configure and build into build/.

# What building and running the program needs: `make run` installs these and builds the program alone.
# python3-markdown renders the user guide that the Help menu opens.
PACCHETTI_PROGRAMMA := cmake g++ make pkg-config qt6-base-dev libsqlite3-dev libpq-dev mdbtools-dev \
                       fonts-dejavu-core qt6-translations-l10n python3-markdown
# What the tests, the fuzzing and the package add: `make test`, `make fuzz*`, `make package` and
# `make screenshot` install these too.
# What the Windows build adds besides its own compilers (packaging/windows/dipendenze.sh installs those):
# `make windows` and `make test-windows`; librsvg2-bin and icoutils make the program's icon.
PACCHETTI_WINDOWS := wine wine64 xvfb xauth python3 fontconfig fonts-dejavu-core poppler-utils librsvg2-bin icoutils
PACCHETTI_PROVE := sqlite3 postgresql poppler-utils xvfb xauth clang libclang-rt-dev libqt6sql6-psql \
                   dpkg-dev file librsvg2-bin desktop-file-utils appstream lintian devscripts
BUILD    := build
JOBS     := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps deps-programma configure configure-programma build run test bench bench-pg bench-confronto soak fuzz \
        fuzz-build fuzz-breve clean package screenshot windows test-windows

all: build

include packaging/installa.mk

deps-programma:
	$(call installa,$(PACCHETTI_PROGRAMMA))

deps:
	$(call installa,$(PACCHETTI_PROGRAMMA) $(PACCHETTI_PROVE))

configure-programma: deps-programma
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The program alone: none of the tests, benchmarks or tools.
run: configure-programma
	cmake --build $(BUILD) -j $(JOBS) --target spesario
	./$(BUILD)/app/spesario

# Every test that touches the archive runs twice, on SQLite and on a throwaway PostgreSQL cluster that
# tests/pg/cluster.sh starts for the run and always stops (exec: an interrupt reaches it directly).
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen exec ../tests/pg/cluster.sh ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory fuzz-breve

# `make bench ACCESS=file.mdb` adds the conversion of that Access archive. `make bench PG=URI` runs
# every operation on that PostgreSQL database instead (its table must hold no movement); `make
# bench-pg` does so on a throwaway local server, started and removed as for the tests.
bench: build
	cmake --build $(BUILD) -j $(JOBS) --target bench_spesario
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ./bench/bench_spesario --uscita bench_risultati.md \
	  $(if $(ACCESS),--access $(abspath $(ACCESS))) $(if $(PG),--pg '$(PG)')

bench-pg: build
	cmake --build $(BUILD) -j $(JOBS) --target bench_spesario
	cd $(BUILD) && SPESARIO_PG_FSYNC=on QT_QPA_PLATFORM=offscreen ../tests/pg/cluster.sh sh -c \
	  'psql -q "$${SPESARIO_TEST_PG}postgres" -c "CREATE DATABASE banco" && \
	   ./bench/bench_spesario --uscita bench_risultati_pg.md --pg "$${SPESARIO_TEST_PG}banco"'

# `make bench-confronto REV=<commit>`: that commit's benchmark (built in a git worktree under build/)
# beside today's, on SQLite and on a throwaway server, alternating; MOVIMENTI, GIRI and VOLTE (runs of
# each side) make it shorter. The side-by-side table goes to build/bench_confronto.md.
bench-confronto: build
	cmake --build $(BUILD) -j $(JOBS) --target bench_spesario
	JOBS=$(JOBS) bench/confronto.sh '$(REV)' $(BUILD)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(PACCHETTO_BUILD)

# The Debian package, build-pacchetto/spesario_VERSION_ARCH.deb, built apart from build/ with Debian's
# build flags (all of dpkg-buildflags' hardening: stack protector, _FORTIFY_SOURCE, full RELRO and
# immediate binding), then checked by hardening-check and by lintian, which must find no warning.
# The flags are given on every configure: CMake would read CXXFLAGS and LDFLAGS from the environment
# only when the build folder is new. CPack installs what the package holds without building every
# target first (tests and benchmarks are not in the package).
PACCHETTO_BUILD := build-pacchetto
export DEB_BUILD_MAINT_OPTIONS := hardening=+all
# Debian 12's dpkg-buildflags has no stack clash protection yet (later releases add it to
# hardening=+all): it is added the way Debian's packages add flags of their own. Control-flow
# protection (-fcf-protection) is not asked of hardening-check: a program is marked for it only when
# every object it links is, and Debian 12's C library start files (crt1.o, crti.o) are not, so no
# program built on Debian 12 can have it.
export DEB_CXXFLAGS_MAINT_APPEND := -fstack-clash-protection

package: deps
	cmake -S . -B $(PACCHETTO_BUILD) -DCMAKE_BUILD_TYPE=None -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PACCHETTO_BUILD) -j $(JOBS) --target spesario spesario_pacchetto_file
	rm -f $(PACCHETTO_BUILD)/spesario_*.deb
	cd $(PACCHETTO_BUILD) && cpack -G DEB
	@contenuto=$$(mktemp -d) && trap 'rm -rf "$$contenuto"' EXIT && \
	  dpkg-deb -x $(PACCHETTO_BUILD)/spesario_*.deb "$$contenuto" && \
	  hardening-check --nocfprotection "$$contenuto/usr/bin/spesario"
	lintian --pedantic --display-info --fail-on error,warning $(PACCHETTO_BUILD)/spesario_*.deb

# The user guide's screenshots: the real windows under Xvfb on a sample archive, into docs/. The Windows
# pages' pictures come from the setup program and the installed program under Wine: make screenshot-windows.
screenshot: configure
	cmake --build $(BUILD) -j $(JOBS) --target fotografie
	xvfb-run -a -s "-screen 0 1280x1024x24" ./$(BUILD)/docs/fotografie/fotografie docs

# The long crash test, on both engines: 1,000 kills instead of the 50 of `make test`. Qt Test ends a test function
# after 5 minutes unless QTEST_FUNCTION_TIMEOUT says otherwise; 1,000 kills take longer.
soak: build
	cd $(BUILD) && SPESARIO_UCCISIONI=1000 QTEST_FUNCTION_TIMEOUT=7200000 QT_QPA_PLATFORM=offscreen \
	  ../tests/pg/cluster.sh ctest -R 'tst_interruzioni(_pg)?$$' --output-on-failure --timeout 7200

# The fuzz targets (clang's libFuzzer with AddressSanitizer), built apart in build-fuzz/.
# `make fuzz` runs each for FUZZ_SECONDI seconds; `make fuzz-breve`, part of `make test`, runs each
# for FUZZ_RUNS inputs, the Access source for FUZZ_RUNS_ACCESS (each of its inputs is a whole
# Access file, some hundred times slower than a text). New inputs collect in build-fuzz/corpus/, a
# failing one in build-fuzz/.
FUZZ_BUILD   := build-fuzz
FUZZ_TARGETS := fuzz_date_jet fuzz_sql_testo fuzz_valuta fuzz_access
FUZZ_SECONDI ?= 60
FUZZ_RUNS    ?= 20000
FUZZ_RUNS_ACCESS ?= 2000

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DSPESARIO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz: fuzz-build
	@$(call esegui_fuzz,-max_total_time=$(FUZZ_SECONDI))

fuzz-breve: fuzz-build
	@$(call esegui_fuzz,-runs=$$(if [ $$t = fuzz_access ]; then echo $(FUZZ_RUNS_ACCESS); else echo $(FUZZ_RUNS); fi))

define esegui_fuzz
for t in $(FUZZ_TARGETS); do \
  mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
  if ./$(FUZZ_BUILD)/fuzz/$$t $(1) -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/$$t- \
       $(FUZZ_BUILD)/corpus/$$t fuzz/semi/$$t > $(FUZZ_BUILD)/$$t.log 2>&1; then \
    echo "$$t: $$(grep -h '^stat::number_of_executed_units' $(FUZZ_BUILD)/$$t.log | tr -dc 0-9) esecuzioni, nessun errore"; \
  else \
    tail -n 40 $(FUZZ_BUILD)/$$t.log; echo "$$t: ERRORE (dettagli in $(FUZZ_BUILD)/$$t.log)"; exit 1; \
  fi; \
done
endef

# The Windows setup program, its trial and the guide's Windows screenshots under Wine
# (packaging/windows/windows.mk holds the Windows targets and their packages, never added to the
# lists above).
.PHONY: setup-windows prova-setup-windows screenshot-windows
setup-windows prova-setup-windows screenshot-windows:
	$(MAKE) -f packaging/windows/windows.mk $@

# The program built for 64-bit Windows with mingw-w64 into build-windows/ (dist/ runs as it stands),
# and its tests run under Wine: packaging/windows/README.md. Beside `make test`, never inside it.
windows test-windows:
	$(MAKE) -f packaging/windows/windows.mk WIN_PACKAGES="$(PACCHETTI_WINDOWS)" $@
