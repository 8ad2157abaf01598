# The Windows build's resources of spesario.exe: the version (what Explorer's Properties show) and
# the icon (the file's, the windows' and the shortcuts'). Included from app/ for the Windows build
# only; the icon is made from packaging/spesario.svg by icona.sh (librsvg2-bin, icoutils).
enable_language(RC)

set(_risorse "${CMAKE_CURRENT_BINARY_DIR}/risorse")
set(SPESARIO_PRODUTTORE "Corvalle Software S.r.l.")
# "1.01.0003" as the four numbers of a Windows version: 1,1,3,0.
string(REPLACE "." ";" _parti "${SPESARIO_VERSIONE}")
set(SPESARIO_VERSIONE_NUMERI)
foreach(_p ${_parti})
  math(EXPR _n "${_p}")
  list(APPEND SPESARIO_VERSIONE_NUMERI ${_n})
endforeach()
list(LENGTH SPESARIO_VERSIONE_NUMERI _quante)
while(_quante LESS 4)
  list(APPEND SPESARIO_VERSIONE_NUMERI 0)
  list(LENGTH SPESARIO_VERSIONE_NUMERI _quante)
endwhile()
string(REPLACE ";" "," SPESARIO_VERSIONE_NUMERI "${SPESARIO_VERSIONE_NUMERI}")

add_custom_command(OUTPUT "${_risorse}/spesario.ico"
                   COMMAND ${CMAKE_COMMAND} -E make_directory "${_risorse}"
                   COMMAND "${PROJECT_SOURCE_DIR}/packaging/windows/icona.sh"
                           "${PROJECT_SOURCE_DIR}/packaging/spesario.svg" "${_risorse}/spesario.ico"
                   DEPENDS "${PROJECT_SOURCE_DIR}/packaging/spesario.svg"
                           "${PROJECT_SOURCE_DIR}/packaging/windows/icona.sh"
                   VERBATIM)
set(SPESARIO_ICONA "${_risorse}/spesario.ico")
configure_file("${PROJECT_SOURCE_DIR}/packaging/windows/spesario.rc.in" "${_risorse}/spesario.rc" @ONLY)
set_source_files_properties("${_risorse}/spesario.rc" PROPERTIES OBJECT_DEPENDS "${_risorse}/spesario.ico")
target_sources(spesario PRIVATE "${_risorse}/spesario.rc")
