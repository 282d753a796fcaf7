# Makes the .deb with cpack and reads it back with dpkg-deb: the files of the
# install under /usr, the library's links as links, and its shlibs entry.
#   cmake -DCPACK= -DBUILD_DIR= -DWORK= -DVERSION= -DLIBDIR= -P check_deb.cmake

cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${failed}): ${command}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

string(REGEX MATCH "^[0-9]+" major "${VERSION}")
file(REMOVE_RECURSE ${WORK})
run(${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK})
file(GLOB deb ${WORK}/*.deb)
list(LENGTH deb debs)
if(NOT debs EQUAL 1)
  message(FATAL_ERROR "cpack made ${debs} .deb files: ${deb}")
endif()

run(dpkg-deb -c ${deb})
set(lib ./usr/${LIBDIR})
foreach(entry
    "./usr/include/tqcalc.h"
    "${lib}/libtqcalc-avx.so.${VERSION}"
    "${lib}/libtqcalc-avx.so.${major} -> libtqcalc-avx.so.${VERSION}"
    "${lib}/libtqcalc-avx.so -> libtqcalc-avx.so.${major}"
    "${lib}/pkgconfig/tqcalc-avx.pc"
    "${lib}/cmake/tqcalc-avx/tqcalc-avx-config.cmake"
    "${lib}/cmake/tqcalc-avx/tqcalc-avx-targets.cmake")
  string(FIND "${output}" " ${entry}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "${deb} lacks ${entry}:\n${output}")
  endif()
endforeach()

# Packages built against the library then depend on its major version.
run(dpkg-deb -I ${deb} shlibs)
if(NOT output STREQUAL "libtqcalc-avx ${major} tqcalc-avx (>= ${VERSION})\n")
  message(FATAL_ERROR "${deb}: shlibs is ${output}")
endif()
message(STATUS "${deb}: the install with its links, shlibs ${output}")
