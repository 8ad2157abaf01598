# The two commands of the README: `make run` and `make test`.
# Both install the Debian packages that are missing, configure and build into build/.

PACKAGES := cmake g++ make pkg-config qt6-base-dev fonts-dejavu-core poppler-utils sqlite3 libsqlite3-dev \
            libpq-dev postgresql clang libclang-rt-dev mdbtools-dev libmdb3 \
            dpkg-dev file librsvg2-bin desktop-file-utils appstream lintian xvfb qt6-translations-l10n \
            libqt6sql6-psql
BUILD    := build
JOBS     := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench bench-pg bench-confronto soak fuzz fuzz-breve fuzz-build clean package screenshot

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = "0" ]; then \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	  else \
	    echo "Pacchetti mancanti. Eseguire:"; echo "  sudo apt-get install$$missing"; exit 1; \
	  fi; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
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
	rm -rf $(BUILD) $(FUZZ_BUILD)

# The Debian package, build/spesario_VERSION_ARCH.deb, checked by lintian.
package: build
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/spesario_*.deb

# The user guide's screenshots: the real windows under Xvfb on a sample archive, into docs/.
screenshot: build
	cmake --build $(BUILD) -j $(JOBS) --target fotografie
	xvfb-run -a -s "-screen 0 1280x1024x24" ./$(BUILD)/docs/fotografie docs

# The long crash test, on both engines: 1,000 kills instead of the 50 of `make test`. Qt Test ends a test function
# after 5 minutes unless QTEST_FUNCTION_TIMEOUT says otherwise; 1,000 kills take longer.
soak: build
	cd $(BUILD) && SPESARIO_UCCISIONI=1000 QTEST_FUNCTION_TIMEOUT=7200000 QT_QPA_PLATFORM=offscreen \
	  ../tests/pg/cluster.sh ctest -R 'tst_interruzioni(_pg)?$$' --output-on-failure --timeout 7200

# The fuzz targets (clang's libFuzzer with AddressSanitizer), built apart in build-fuzz/.
# `make fuzz` runs each for FUZZ_SECONDI seconds; `make fuzz-breve`, part of `make test`, runs each
# for FUZZ_RUNS inputs. New inputs collect in build-fuzz/corpus/, a failing one in build-fuzz/.
FUZZ_BUILD   := build-fuzz
FUZZ_TARGETS := fuzz_date_jet fuzz_sql_testo fuzz_valuta
FUZZ_SECONDI ?= 60
FUZZ_RUNS    ?= 20000

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DSPESARIO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz: fuzz-build
	@$(call esegui_fuzz,-max_total_time=$(FUZZ_SECONDI))

fuzz-breve: fuzz-build
	@$(call esegui_fuzz,-runs=$(FUZZ_RUNS))

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
