# The two commands of the README: `make run` and `make test`.
# Both install the Debian packages that are missing, configure and build into build/.

PACKAGES := cmake g++ make qt6-base-dev libqt6sql6-sqlite fonts-dejavu-core poppler-utils sqlite3 libsqlite3-dev
BUILD    := build
JOBS     := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench soak fuzz clean

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

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target bench_spesario
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ./bench/bench_spesario --uscita bench_risultati.md

clean:
	rm -rf $(BUILD)

# The long crash test: 1,000 kills instead of the 50 of `make test`.
soak: build
	cd $(BUILD) && SPESARIO_UCCISIONI=1000 QT_QPA_PLATFORM=offscreen ctest -R tst_interruzioni --output-on-failure --timeout 7200
