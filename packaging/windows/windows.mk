# The Windows build: mingw-w64 cross compiler, the third-party parts from packaging/windows/dipendenze.sh,
# tests under Wine. Beside the Linux targets, never inside them: `make test` does not touch it.
# Run as `make -f packaging/windows/windows.mk TARGET` from the repository root.
#
#   windows-dipendenze  builds the cache of third-party parts (once; later runs do nothing)
#   windows-prova       a Qt Widgets smoke program linked with the whole cache, run under Wine
#   windows             build-windows/ with the program and its tests, build-windows/dist/ runnable as it stands
#   test-windows        every test executable under Wine, through ctest
#   setup-windows       build-windows/spesario-VERSION-setup.exe, the setup program (NSIS) of dist/
#   prova-setup-windows the setup program tried in a fresh Wine prefix under xvfb-run, with a move
#                       from the earlier program; ends with "N passed, M failed"
#   screenshot-windows  the user guide's Windows pictures, from the setup program and the installed
#                       program under Wine, into docs/immagini/

WIN_BUILD    := build-windows
WIN_DIR      := packaging/windows
# The setup program adds nsis (makensis), librsvg2-bin and icoutils (the icon), and for its trial
# xvfb and xauth (xvfb-run), mdbtools (mdb-json reads the fixture) and python3; its screenshots
# fonts-wine (Wine's own Tahoma and Marlett: without them the frames' buttons are drawn as letters),
# fonts-liberation (Liberation Sans has Arial's widths), xdotool (the clicks), x11-apps and netpbm
# (xwd and its conversion to PNG). The tests under Wine: fontconfig and fonts-dejavu-core (the
# offscreen platform's fonts), poppler-utils (pdftotext reads the printed pages).
WIN_PACKAGES := wine wine64 nsis librsvg2-bin icoutils xvfb xauth mdbtools python3 fonts-wine \
                fonts-liberation xdotool x11-apps netpbm fontconfig fonts-dejavu-core poppler-utils
WIN_VERSIONE := $(shell sed -n 's/^set(SPESARIO_VERSIONE "\(.*\)")$$/\1/p' CMakeLists.txt)
WIN_SETUP    := $(WIN_BUILD)/spesario-$(WIN_VERSIONE)-setup.exe
WIN_JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
# Evaluated when used: the script reads the versions of the installed Linux packages.
WIN_CACHE     = $(shell $(WIN_DIR)/dipendenze.sh --cartella)
WIN_MULTIARCH = $(shell dpkg-architecture -qDEB_HOST_MULTIARCH)
WIN_WINE      = SPESARIO_WINEPREFIX=$(abspath $(WIN_BUILD)/wine) QT_QPA_PLATFORM=offscreen

# CMake for Windows: the cross toolchain, the cache's Qt against the host's Qt tools of the same version.
WIN_CMAKE = cmake -G Ninja -DCMAKE_BUILD_TYPE=Release \
	-DCMAKE_TOOLCHAIN_FILE=$(abspath $(WIN_DIR)/mingw-w64.cmake) \
	-DSPESARIO_WINDOWS_PREFIX=$(WIN_CACHE) -DCMAKE_PREFIX_PATH=$(WIN_CACHE)/qt \
	-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/$(WIN_MULTIARCH)/cmake

include packaging/installa.mk

.PHONY: windows-deps windows-dipendenze windows-prova windows test-windows setup-windows prova-setup-windows \
        screenshot-windows

windows-deps:
	$(call installa,$(WIN_PACKAGES))

# libmdb only when its sources can be had: without it the program is built without the Access
# conversion (and says so when asked), its tests listed as skipped.
windows-dipendenze:
	$(WIN_DIR)/dipendenze.sh qt sqlite openssl libpq
	@$(WIN_DIR)/dipendenze.sh mdb || \
	  echo "windows-dipendenze: libmdb non costruita (packaging/windows/README.md): niente conversione Access su Windows"

# Needs the parts it links; libmdb joins when the cache has it.
windows-prova: windows-deps
	$(WIN_DIR)/dipendenze.sh qt sqlite openssl libpq
	$(WIN_CMAKE) -S $(WIN_DIR)/prova -B $(WIN_BUILD)/prova
	cmake --build $(WIN_BUILD)/prova -j $(WIN_JOBS)
	$(WIN_DIR)/distribuisci.sh $(WIN_CACHE) $(WIN_BUILD)/prova/dist $(WIN_BUILD)/prova/prova_windows.exe
	$(WIN_WINE) $(WIN_DIR)/wine.sh $(WIN_BUILD)/prova/dist/prova_windows.exe

# The program and its tests; dist/ gets the program with every DLL, plug-in and text it needs, as it
# will be installed; prove-dll/ what the tests import besides (Qt Test; every test links the same).
# wine.sh puts both on the tests' DLL path. The fuzz targets stay Linux-only. The packages first: the
# program's icon is made during the build.
windows: windows-deps windows-dipendenze
	$(WIN_CMAKE) -S . -B $(WIN_BUILD) -DCMAKE_CROSSCOMPILING_EMULATOR=$(abspath $(WIN_DIR)/wine.sh)
	cmake --build $(WIN_BUILD) -j $(WIN_JOBS)
	$(WIN_DIR)/distribuisci.sh $(WIN_CACHE) $(WIN_BUILD)/dist $(WIN_BUILD)/app/spesario.exe
	mkdir -p $(WIN_BUILD)/dist/immagini
	cp -u $(WIN_BUILD)/docs/guida.html $(WIN_BUILD)/dist/
	cp -u $(WIN_BUILD)/docs/immagini/*.png $(WIN_BUILD)/dist/immagini/
	$(WIN_DIR)/distribuisci.sh $(WIN_CACHE) $(WIN_BUILD)/prove-dll $(WIN_BUILD)/tests/values/tst_valuta.exe \
	  $(WIN_CACHE)/bin/sqlite3.exe

# Every test under Wine, beside a throwaway PostgreSQL cluster that listens on a free port of
# 127.0.0.1 (Wine has no Unix sockets); the prefix's Wine server runs from before the first test
# (wine.sh --avvia) and is stopped also when tests fail.
test-windows: windows windows-deps
	$(WIN_WINE) $(WIN_DIR)/wine.sh --avvia
	cd $(WIN_BUILD) && $(WIN_WINE) SPESARIO_WINE_DLL=$(abspath $(WIN_BUILD)/dist):$(abspath $(WIN_BUILD)/prove-dll) SPESARIO_PG_TCP=1 \
	  ../tests/pg/cluster.sh ctest --output-on-failure -j $(WIN_JOBS); esito=$$?; \
	  WINEPREFIX=$(abspath $(WIN_BUILD)/wine) wineserver -k 2>/dev/null; exit $$esito

setup-windows: windows windows-deps
	$(WIN_DIR)/setup.sh $(WIN_BUILD)/dist $(WIN_SETUP)

# A build without libmdb cannot convert: the trial then checks that the program says so and leaves
# the earlier program's archive alone.
prova-setup-windows: setup-windows
	access=$$(grep -qs '^LIBMDB_FOUND:INTERNAL=1$$' $(WIN_BUILD)/CMakeCache.txt || echo --senza-access); \
	xvfb-run -a -s "-screen 0 1280x1024x24" $(WIN_DIR)/prova-setup.sh $(WIN_SETUP) $(WIN_BUILD)/dist $$access

# The sample archive is written by the guide's own screenshot program, built for Windows with the rest.
screenshot-windows: setup-windows
	xvfb-run -a -s "-screen 0 1280x1024x24" docs/fotografie/windows.sh $(WIN_SETUP) \
	  $(WIN_BUILD)/docs/fotografie/fotografie.exe $(WIN_BUILD)/dist docs
