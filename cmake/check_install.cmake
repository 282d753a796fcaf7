# Installs a build tree into a scratch prefix and moves the prefix (package
# files must not remember where they were installed); builds the consumer in
# examples/consumer against the moved tree through the CMake package and
# through pkg-config, and runs it. Windows: also a host linked through the
# plain import library; every name the executables import must be exported
# by the DLL. With CPACK set: the .deb instead, read back with dpkg-deb.
#   cmake -DBUILD_DIR= -DSOURCE_DIR= -DWORK= -DVERSION= -DGENERATOR=
#         -DC_COMPILER= -DC_FLAGS= -DTOOLCHAIN= -DEMULATOR= -DWINDOWS=
#         -DLIBDIR= -DREADELF= -DOBJDUMP= -P check_install.cmake
#   cmake -DBUILD_DIR= -DWORK= -DVERSION= -DLIBDIR= -DCPACK= -P check_install.cmake

cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${failed}): ${command}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(require text pattern what)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}:\n${text}")
  endif()
endfunction()

string(REGEX MATCH "^[0-9]+" major "${VERSION}")
set(so libtqcalc-avx.so)
file(REMOVE_RECURSE ${WORK})

if(CPACK)
  run(${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK})
  file(GLOB deb ${WORK}/*.deb)
  run(dpkg-deb -c ${deb})
  string(REPLACE "." "\\." v "${VERSION}")
  foreach(entry "/usr/include/tqcalc\\.h" "/usr/${LIBDIR}/${so}\\.${v}"
                "/usr/${LIBDIR}/${so}\\.${major} -> ${so}\\.${v}" "/usr/${LIBDIR}/${so} -> ${so}\\.${major}"
                "/usr/${LIBDIR}/pkgconfig/tqcalc-avx\\.pc" "/usr/${LIBDIR}/cmake/tqcalc-avx/tqcalc-avx-config\\.cmake")
    require("${output}" " \\.${entry}\n" "${deb} lacks ${entry}")
  endforeach()
  # Packages built against the library then depend on this major.
  run(dpkg-deb -I ${deb} shlibs)
  require("${output}" "^libtqcalc-avx ${major} tqcalc-avx \\(>= ${v}\\)\n$" "shlibs")
  return()
endif()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/installed)
file(RENAME ${WORK}/installed ${WORK}/moved)
set(prefix ${WORK}/moved)
set(lib ${prefix}/${LIBDIR})
set(exe "")
if(WINDOWS)
  set(exe .exe)
  if(NOT EXISTS ${lib}/tqcalc-avx.def)
    message(FATAL_ERROR "the module definition is not installed")
  endif()
else()
  # Debian's layout: the development link to the SONAME, the SONAME to the file.
  file(READ_SYMLINK ${lib}/${so} link)
  file(READ_SYMLINK ${lib}/${so}.${major} link2)
  require("${link} ${link2}" "^${so}\\.${major} ${so}\\.${VERSION}$" "the links")
  run(${READELF} -d ${lib}/${so}.${VERSION})
  require("${output}" "\\(SONAME\\)[^\n]*\\[${so}\\.${major}\\]" "SONAME")
endif()

# 1. The CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${WORK}/cmake -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
run(${CMAKE_COMMAND} --build ${WORK}/cmake)
set(programs ${WORK}/cmake/tqcalc-consumer${exe})

# 2. pkg-config, reading only this tree's .pc files; the version it reports
# must be the one the library does.
set(ENV{PKG_CONFIG_LIBDIR} ${lib}/pkgconfig)
unset(ENV{PKG_CONFIG_PATH})
run(pkg-config --cflags --libs tqcalc-avx)
separate_arguments(flags UNIX_COMMAND "${output}")
run(pkg-config --variable=libdir tqcalc-avx)
string(STRIP "${output}" libdir)
run(pkg-config --modversion tqcalc-avx)
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)" version "${output}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS}")
# No compiler runtime DLL to find; -static would refuse the plain .dll.a.
set(link -static-libgcc)
if(NOT WINDOWS)
  set(link -Wl,-rpath,${libdir})
endif()
file(MAKE_DIRECTORY ${WORK}/pkg-config ${WORK}/plain)
run(${C_COMPILER} ${c_flags} -std=c11 -DEXPECT_MAJOR=${CMAKE_MATCH_1} -DEXPECT_MINOR=${CMAKE_MATCH_2}
    ${SOURCE_DIR}/examples/consumer/consumer.c ${flags} ${link} -o ${WORK}/pkg-config/tqcalc-consumer${exe})
list(APPEND programs ${WORK}/pkg-config/tqcalc-consumer${exe})

if(WINDOWS)
  # 3. Plain declarations, through the linker's import library.
  run(${C_COMPILER} ${c_flags} -std=gnu11 ${SOURCE_DIR}/examples/consumer/plain_host.c
      -L${lib} -ltqcalc-avx ${link} -o ${WORK}/plain/tqcalc-plain-host.exe)
  list(APPEND programs ${WORK}/plain/tqcalc-plain-host.exe)
  # A decorated import would only fail when Windows loads the program.
  run(${OBJDUMP} -p ${prefix}/bin/tqcalc-avx.dll)
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^ \n]+\n" exported "${output}")
  foreach(program IN LISTS programs)
    run(${OBJDUMP} -p ${program})
    string(REGEX MATCH "DLL Name: tqcalc-avx\\.dll\n[^\n]*\n(([^\n]+\n)+)" imports "${output}")
    string(REGEX MATCHALL "[^ \t\n]+\n" imports "${CMAKE_MATCH_1}")
    list(LENGTH imports count)
    if(count LESS 3)
      message(FATAL_ERROR "${program}: ${count} imports from tqcalc-avx.dll:\n${output}")
    endif()
    foreach(name IN LISTS imports)
      require("${exported}" "\\] ${name}" "${program} imports ${name}, which the DLL does not export")
    endforeach()
    message(STATUS "${program}: ${count} imports, all exported by the DLL")
    get_filename_component(dir ${program} DIRECTORY)
    file(COPY ${prefix}/bin/tqcalc-avx.dll DESTINATION ${dir})
  endforeach()
  if(NOT EMULATOR)
    message(STATUS "no Windows host: the programs are built, not run")
    return()
  endif()
else()
  foreach(program IN LISTS programs)
    run(${READELF} -d ${program})
    require("${output}" "\\(NEEDED\\)[^\n]*\\[${so}\\.${major}\\]" "${program} does not need the SONAME")
  endforeach()
endif()

foreach(program IN LISTS programs)
  run(${EMULATOR} ${program})
  message(STATUS "${output}")
endforeach()
