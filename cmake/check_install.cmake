# Installs a build tree into a scratch prefix, moves the prefix (the package
# files must not remember where they were installed), checks the installed
# files, and builds the consumer in examples/consumer against the moved tree
# twice, through the CMake package and through pkg-config, and runs it.
# Windows: also a host that links through the import library of plain names,
# and the names each executable imports must be exported by the DLL.
#   cmake -DBUILD_DIR= -DSOURCE_DIR= -DWORK= -DVERSION= -DGENERATOR=
#         -DC_COMPILER= -DC_FLAGS= [-DTOOLCHAIN=] [-DEMULATOR=]
#         -DLIBDIR= -DINCLUDEDIR= -DBINDIR= -DWINDOWS=ON|OFF -DREADELF= -DOBJDUMP=
#         -P check_install.cmake

cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${failed}): ${command}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect condition what)
  if(NOT ${condition})
    message(FATAL_ERROR "${what}")
  endif()
  message(STATUS "ok: ${what}")
endfunction()

string(REGEX MATCH "^[0-9]+" major "${VERSION}")
file(REMOVE_RECURSE ${WORK})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/installed)
file(RENAME ${WORK}/installed ${WORK}/moved)
set(prefix ${WORK}/moved)
set(lib ${prefix}/${LIBDIR})

set(files ${INCLUDEDIR}/tqcalc.h ${LIBDIR}/pkgconfig/tqcalc-avx.pc
          ${LIBDIR}/cmake/tqcalc-avx/tqcalc-avx-config.cmake
          ${LIBDIR}/cmake/tqcalc-avx/tqcalc-avx-config-version.cmake
          ${LIBDIR}/cmake/tqcalc-avx/tqcalc-avx-targets.cmake)
if(WINDOWS)
  list(APPEND files ${BINDIR}/tqcalc-avx.dll ${LIBDIR}/tqcalc-avx.def
                    ${LIBDIR}/tqcalc-avx.dll.a ${LIBDIR}/libtqcalc-avx-stdcall.a)
else()
  list(APPEND files ${LIBDIR}/libtqcalc-avx.so.${VERSION})
endif()
foreach(file IN LISTS files)
  expect("EXISTS;${prefix}/${file}" "installed: ${file}")
endforeach()

set(executables "")
if(NOT WINDOWS)
  # Debian's layout: the development link to the SONAME, the SONAME to the file.
  file(READ_SYMLINK ${lib}/libtqcalc-avx.so link)
  expect("link;STREQUAL;libtqcalc-avx.so.${major}" "libtqcalc-avx.so -> ${link}")
  file(READ_SYMLINK ${lib}/libtqcalc-avx.so.${major} link)
  expect("link;STREQUAL;libtqcalc-avx.so.${VERSION}" "libtqcalc-avx.so.${major} -> ${link}")
  run(${READELF} -d ${lib}/libtqcalc-avx.so.${VERSION})
  expect("output;MATCHES;\\(SONAME\\)[^\n]*\\[libtqcalc-avx\\.so\\.${major}\\]" "SONAME libtqcalc-avx.so.${major}")
endif()

# 1. The CMake package.
set(toolchain "")
if(TOOLCHAIN)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${WORK}/cmake-consumer -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix} ${toolchain})
run(${CMAKE_COMMAND} --build ${WORK}/cmake-consumer)
set(suffix "")
if(WINDOWS)
  set(suffix .exe)
endif()
list(APPEND executables ${WORK}/cmake-consumer/tqcalc-consumer${suffix})

# 2. pkg-config, reading only this tree's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} ${lib}/pkgconfig)
unset(ENV{PKG_CONFIG_PATH})
run(pkg-config --cflags --libs tqcalc-avx)
string(STRIP "${output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(pkg-config --modversion tqcalc-avx)
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)" pc_version "${output}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS}")
# No runtime DLL of the compiler's beside ours (-static would also refuse the
# plain import library, a .dll.a).
set(link_extra -static-libgcc)
if(NOT WINDOWS)
  run(pkg-config --variable=libdir tqcalc-avx)
  string(STRIP "${output}" pc_libdir)
  set(link_extra -Wl,-rpath,${pc_libdir})
endif()
file(MAKE_DIRECTORY ${WORK}/pkg-config-consumer)
run(${C_COMPILER} ${c_flags} -std=c11 -DEXPECT_MAJOR=${CMAKE_MATCH_1} -DEXPECT_MINOR=${CMAKE_MATCH_2}
    ${SOURCE_DIR}/examples/consumer/consumer.c ${flags} ${link_extra}
    -o ${WORK}/pkg-config-consumer/tqcalc-consumer${suffix})
list(APPEND executables ${WORK}/pkg-config-consumer/tqcalc-consumer${suffix})

if(WINDOWS)
  # 3. Plain declarations, through the linker's import library.
  file(MAKE_DIRECTORY ${WORK}/plain-consumer)
  run(${C_COMPILER} ${c_flags} -std=gnu11 ${SOURCE_DIR}/examples/consumer/plain_host.c
      -L${lib} -ltqcalc-avx ${link_extra} -o ${WORK}/plain-consumer/tqcalc-plain-host.exe)
  list(APPEND executables ${WORK}/plain-consumer/tqcalc-plain-host.exe)

  # Every name an executable imports from the DLL is one it exports (a
  # decorated import would only fail when Windows loads it).
  run(${OBJDUMP} -p ${prefix}/${BINDIR}/tqcalc-avx.dll)
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^ \n]+\n" rows "${output}")
  set(exported "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\\[ *[0-9]+\\] ([^ \n]+)\n$" "\\1" name "${row}")
    list(APPEND exported ${name})
  endforeach()
  foreach(exe IN LISTS executables)
    run(${OBJDUMP} -p ${exe})
    string(REGEX MATCH "DLL Name: tqcalc-avx\\.dll\n[^\n]*\n([^\n]+\n)+" imports "${output}")
    string(REGEX MATCHALL "\n\t[0-9a-f]+[ \t]+[0-9]+[ \t]+[^ \n]+" rows "${imports}")
    set(count 0)
    foreach(row IN LISTS rows)
      string(REGEX REPLACE ".* ([^ ]+)$" "\\1" name "${row}")
      if(NOT name IN_LIST exported)
        message(FATAL_ERROR "${exe} imports ${name}, which tqcalc-avx.dll does not export")
      endif()
      math(EXPR count "${count} + 1")
    endforeach()
    expect("count;GREATER_EQUAL;3" "${exe}: ${count} imports, all exported by the DLL")
    # Beside the DLL, where Windows looks first.
    get_filename_component(dir ${exe} DIRECTORY)
    file(COPY ${prefix}/${BINDIR}/tqcalc-avx.dll DESTINATION ${dir})
  endforeach()
else()
  foreach(exe IN LISTS executables)
    run(${READELF} -d ${exe})
    expect("output;MATCHES;\\(NEEDED\\)[^\n]*\\[libtqcalc-avx\\.so\\.${major}\\]" "${exe} needs the SONAME")
  endforeach()
endif()

if(WINDOWS AND NOT EMULATOR)
  message(STATUS "no Windows host: the consumers are built, not run")
  return()
endif()
foreach(exe IN LISTS executables)
  run(${EMULATOR} ${exe})
  message(STATUS "${output}")
endforeach()
