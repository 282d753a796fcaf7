# The win32 tests against the DLL itself, and the 32-bit Windows host that
# runs them (Wine, its i386 side under qemu-user: scripts/install-deps.sh
# windows).

# tq_add_import_library(<target> <def> <dll target>)
#
# The DLL exports its stdcall entries undecorated (`tqcalcSumValues_float`),
# but a C __stdcall declaration references `_tqcalcSumValues_float@8`; the
# import library the linker writes from the module definition carries the
# undecorated names, which no declaration matches. This one maps each
# declaration to the export a host resolves by name: `name@N` killed to
# `name`, the decorated-only entries imported under their decorated name
# `_name@N`, cdecl twins as they are. Built from the same definition as the
# DLL, so a name the DLL lacks fails at load time, a wrong `@N` at link time.
function(tq_add_import_library target def dll)
  file(STRINGS ${def} lines REGEX "@[0-9]+$")
  set(imports "LIBRARY \"$<TARGET_FILE_NAME:${dll}>\"\nEXPORTS\n")
  foreach(line IN LISTS lines)
    if(line MATCHES "^ *_([^ @]+@[0-9]+) = ")
      string(APPEND imports "  ${CMAKE_MATCH_1} == _${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^ *([^ ]+) = [^ ]+(@[0-9]+) @[0-9]+$")
      string(APPEND imports "  ${CMAKE_MATCH_1}${CMAKE_MATCH_2}\n")
    elseif(line MATCHES "^ *([^ ]+)( = [^ ]+)? @[0-9]+$")
      string(APPEND imports "  ${CMAKE_MATCH_1}\n")
    endif()
  endforeach()
  set(dir ${CMAKE_CURRENT_BINARY_DIR})
  file(GENERATE OUTPUT ${dir}/${target}.def CONTENT "${imports}")
  add_custom_command(
    OUTPUT ${dir}/lib${target}.a
    COMMAND ${CMAKE_DLLTOOL} --kill-at -d ${dir}/${target}.def -l ${dir}/lib${target}.a
    DEPENDS ${dir}/${target}.def ${def}
    COMMENT "Import library for __stdcall declarations")
  # Built with the DLL: it is installed beside it.
  add_custom_target(${target}-file ALL DEPENDS ${dir}/lib${target}.a)
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE ${dir}/lib${target}.a)
  add_dependencies(${target} ${target}-file ${dll})
endfunction()

# tq_wine_tests(<test>...)
#
# Runs the given tests under Wine in one prefix of the build tree, created
# once by a fixture before any of them starts (wineboot is not safe to run
# in parallel) and its server stopped after them. Needs
# CMAKE_CROSSCOMPILING_EMULATOR (the toolchain sets it where Wine is
# installed). Tests of other directories join with tq_wine_environment().
function(tq_wine_tests)
  get_filename_component(bin ${CMAKE_CROSSCOMPILING_EMULATOR} DIRECTORY)
  add_test(NAME wine-prefix
           COMMAND sh -c "${bin}/wineboot -i && ${bin}/wineserver -w")
  add_test(NAME wine-server-stop COMMAND sh -c "${bin}/wineserver -k || true")
  set_tests_properties(wine-prefix PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine-server-stop PROPERTIES FIXTURES_CLEANUP wine)
  tq_wine_environment(wine-prefix wine-server-stop ${ARGN})
  set_tests_properties(${ARGN} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()

# tq_wine_environment(<test>...): the prefix and settings of the tests above.
function(tq_wine_environment)
  set(environment
    WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
    WINEDEBUG=-all
    # A crash must end the test, not start the debugger.
    WINEDLLOVERRIDES=winedbg.exe=d)
  set_tests_properties(${ARGN} PROPERTIES
    ENVIRONMENT "${environment}"
    ENVIRONMENT_MODIFICATION "DISPLAY=unset:")
endfunction()
