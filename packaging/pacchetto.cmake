# The Debian package (`make package`): the program in /usr/bin, its menu entry, icon, AppStream
# metainfo, manual page, copyright, changelog and user guide. Included from the top CMakeLists, where
# CPack must be set up.

set(SPESARIO_PACCHETTO_DIR "${CMAKE_CURRENT_LIST_DIR}")
set(SPESARIO_GENERATI "${CMAKE_BINARY_DIR}/packaging")

# The changelog wants the release day in RFC 2822 form.
string(REPLACE "-" ";" _giorno "${SPESARIO_DATA_VERSIONE}")
list(GET _giorno 0 _a)
list(GET _giorno 1 _m)
list(GET _giorno 2 _g)
execute_process(COMMAND date -u -R -d "${_a}-${_m}-${_g} 00:00:00"
                OUTPUT_VARIABLE SPESARIO_DATA_CHANGELOG OUTPUT_STRIP_TRAILING_WHITESPACE)

configure_file("${SPESARIO_PACCHETTO_DIR}/spesario.desktop.in" "${SPESARIO_GENERATI}/${SPESARIO_ID}.desktop" @ONLY)
configure_file("${SPESARIO_PACCHETTO_DIR}/spesario.metainfo.xml.in"
               "${SPESARIO_GENERATI}/${SPESARIO_ID}.metainfo.xml" @ONLY)
configure_file("${SPESARIO_PACCHETTO_DIR}/spesario.1.in" "${SPESARIO_GENERATI}/spesario.1" @ONLY)
configure_file("${SPESARIO_PACCHETTO_DIR}/changelog.in" "${SPESARIO_GENERATI}/changelog" @ONLY)

# Compressed as Debian wants them: no name or time stamp in the gzip header, so builds are reproducible.
set(_compressi)
foreach(_f spesario.1 changelog)
  add_custom_command(OUTPUT "${SPESARIO_GENERATI}/${_f}.gz"
                     COMMAND gzip -9nf -k "${SPESARIO_GENERATI}/${_f}"
                     DEPENDS "${SPESARIO_GENERATI}/${_f}" VERBATIM)
  list(APPEND _compressi "${SPESARIO_GENERATI}/${_f}.gz")
endforeach()

# The PNG sizes of the icon, rendered from the SVG (librsvg2-bin).
set(SPESARIO_MISURE_ICONA 16 24 32 48 64 128 256)
find_program(RSVG_CONVERT rsvg-convert)
set(_icone)
if(RSVG_CONVERT)
  foreach(_n ${SPESARIO_MISURE_ICONA})
    set(_png "${SPESARIO_GENERATI}/icone/${_n}x${_n}/${SPESARIO_ID}.png")
    add_custom_command(OUTPUT "${_png}"
                       COMMAND ${CMAKE_COMMAND} -E make_directory "${SPESARIO_GENERATI}/icone/${_n}x${_n}"
                       COMMAND ${RSVG_CONVERT} -w ${_n} -h ${_n} -o "${_png}" "${SPESARIO_PACCHETTO_DIR}/spesario.svg"
                       DEPENDS "${SPESARIO_PACCHETTO_DIR}/spesario.svg" VERBATIM)
    list(APPEND _icone "${_png}")
    install(FILES "${_png}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_n}x${_n}/apps")
  endforeach()
else()
  message(WARNING "rsvg-convert non trovato (pacchetto librsvg2-bin): il pacchetto avrà solo l'icona SVG")
endif()
add_custom_target(spesario_pacchetto_file ALL DEPENDS ${_compressi} ${_icone})

# The user guide as one HTML page with its pictures beside it (build/docs/), rendered from
# docs/guida.md by python3-markdown: the package installs it and the Help menu opens it, also from
# the build tree. Debian's python3 is the one its python3-markdown serves, whatever else PATH names.
find_program(SPESARIO_PYTHON3 python3 NO_SYSTEM_ENVIRONMENT_PATH)
set(SPESARIO_GUIDA_HTML "${CMAKE_BINARY_DIR}/docs/guida.html")
if(SPESARIO_PYTHON3)
  execute_process(COMMAND "${SPESARIO_PYTHON3}" -c "import markdown" RESULT_VARIABLE _senza_markdown
                  OUTPUT_QUIET ERROR_QUIET)
endif()
if(SPESARIO_PYTHON3 AND _senza_markdown EQUAL 0)
  add_custom_command(OUTPUT "${SPESARIO_GUIDA_HTML}"
                     COMMAND "${SPESARIO_PYTHON3}" "${CMAKE_SOURCE_DIR}/docs/guida_html.py"
                             "${CMAKE_SOURCE_DIR}/docs/guida.md" "${SPESARIO_GUIDA_HTML}"
                             "${CMAKE_BINARY_DIR}/docs/guida.d"
                     DEPENDS "${CMAKE_SOURCE_DIR}/docs/guida_html.py"
                     DEPFILE "${CMAKE_BINARY_DIR}/docs/guida.d" VERBATIM)
  add_custom_target(spesario_guida DEPENDS "${SPESARIO_GUIDA_HTML}")
  # Built with the program, so that `make run` has the guide its Help menu opens.
  add_dependencies(spesario spesario_guida)
  add_dependencies(spesario_pacchetto_file spesario_guida)
  install(FILES "${SPESARIO_GUIDA_HTML}" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/spesario")
  install(DIRECTORY "${CMAKE_BINARY_DIR}/docs/immagini" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/spesario")
  # Registered with doc-base, so that documentation browsers list it.
  install(FILES "${SPESARIO_PACCHETTO_DIR}/spesario.doc-base" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc-base"
          RENAME spesario.guida)
else()
  message(WARNING "python3-markdown non trovato: senza la guida in HTML il menu Help apre il manuale in linea")
  set(SPESARIO_GUIDA_HTML "")
endif()

install(TARGETS spesario RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# Stripped as Debian's dh_strip strips a program: no symbols, and neither the .comment nor the .note
# section (lintian's binary-has-unneeded-section). The package ships no separate debug symbols.
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/spesario\" COMMAND_ERROR_IS_FATAL ANY)")
install(FILES "${SPESARIO_GENERATI}/${SPESARIO_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${SPESARIO_GENERATI}/${SPESARIO_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${SPESARIO_PACCHETTO_DIR}/spesario.svg" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME "${SPESARIO_ID}.svg")
install(FILES "${SPESARIO_GENERATI}/spesario.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${SPESARIO_PACCHETTO_DIR}/copyright" "${SPESARIO_GENERATI}/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/spesario")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME spesario)
# The version as the office knows it; dpkg compares its digit groups as numbers.
set(CPACK_PACKAGE_VERSION "${SPESARIO_VERSIONE}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${SPESARIO_PREFISSO_PACCHETTO}")
set(CPACK_PACKAGE_VENDOR Corvalle)
set(CPACK_PACKAGE_CONTACT "Corvalle <assistenza@corvalle.it>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spese anticipate per conto dei clienti di uno studio")
set(CPACK_PACKAGE_DESCRIPTION
    "Per ogni cliente dello studio il programma tiene il registro delle spese
pagate per suo conto e delle somme ricevute, con il saldo precedente, i
totali del periodo e il saldo; stampa l'elenco ed esporta per Excel i saldi
di tutti i clienti e i movimenti di un periodo. L'archivio è un file SQLite,
copiato ogni giorno nella cartella backup.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.corvalle.it/PRODOTTI/ANTICIPI/home.aspx")
# The libraries the program links come from dpkg-shlibdeps. What Qt loads at run time does not show
# there and is named here: its Italian texts, and libpq, which the program loads when it first opens
# an archive on a server. The platform plug-in (libqt6gui6) and the printing plug-in
# (libqt6printsupport6) come with libraries the program links; no Qt SQL driver is loaded, the
# archive engines use SQLite's and libpq's own APIs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(SPESARIO_DIPENDENZE_RUNTIME qt6-translations-l10n libpq5)
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${SPESARIO_DIPENDENZE_RUNTIME}")
# Help opens the guide and the vendor's pages through xdg-open; the sqlite3 shell reads the archive.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS sqlite3)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_SOURCE_IGNORE_FILES "/build.*/;/\\\\.git/")
include(CPack)
