# `cmake --install`: the header, the library, and the files a consumer finds
# it by (a CMake package with the target tqcalc::tqcalc-avx, a pkg-config
# file); on Windows also the module definition and the two import libraries.
# The package files find the prefix from their own place, so an install tree
# still works after it is moved.
include(CMakePackageConfigHelpers)

set(TQCALC_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tqcalc-avx)

# On Windows the ARCHIVE is the linker's import library from the module
# definition: the exports' own (undecorated) names.
install(TARGETS tqcalc-avx EXPORT tqcalc-avx-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/tqcalc.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT tqcalc-avx-targets NAMESPACE tqcalc:: DESTINATION ${TQCALC_PACKAGE_DIR})
if(WIN32)
  set(TQCALC_STDCALL_IMPORT_LIBRARY libtqcalc-avx-stdcall.a)
  install(FILES ${TQCALC_EXPORT_DIR}/tqcalc-avx.def ${CMAKE_BINARY_DIR}/${TQCALC_STDCALL_IMPORT_LIBRARY}
          DESTINATION ${CMAKE_INSTALL_LIBDIR})
  set(TQCALC_PKG_LIBRARY tqcalc-avx-stdcall)
else()
  set(TQCALC_PKG_LIBRARY tqcalc-avx)
endif()

configure_package_config_file(cmake/tqcalc-avx-config.cmake.in
  ${CMAKE_BINARY_DIR}/package/tqcalc-avx-config.cmake
  INSTALL_DESTINATION ${TQCALC_PACKAGE_DIR})
# SameMajorVersion: the SONAME's rule. The file also refuses a consumer of the
# other pointer width.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/tqcalc-avx-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/tqcalc-avx-config.cmake
              ${CMAKE_BINARY_DIR}/package/tqcalc-avx-config-version.cmake
        DESTINATION ${TQCALC_PACKAGE_DIR})

# pkg-config: paths relative to the .pc file itself (${pcfiledir}).
function(tq_pc_path dir out)
  if(IS_ABSOLUTE "${dir}" OR IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(${out} "${dir}" PARENT_SCOPE)  # placed by hand: not relocatable
  else()
    file(RELATIVE_PATH relative /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root/${dir})
    string(REGEX REPLACE "/$" "" relative "${relative}")
    set(${out} "\${pcfiledir}/${relative}" PARENT_SCOPE)
  endif()
endfunction()
tq_pc_path(${CMAKE_INSTALL_INCLUDEDIR} TQCALC_PC_INCLUDEDIR)
tq_pc_path(${CMAKE_INSTALL_LIBDIR} TQCALC_PC_LIBDIR)
configure_file(cmake/tqcalc-avx.pc.in ${CMAKE_BINARY_DIR}/package/tqcalc-avx.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/tqcalc-avx.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# cpack: a .deb of the x86-64 Linux install.
if(NOT WIN32 AND NOT TQCALC_32BIT)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME tqcalc-avx)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "AVX numeric kernels for measurement and data-acquisition hosts")
  set(CPACK_PACKAGE_CONTACT "tqcalc-avx maintainers <maintainers@tqcalc-avx.invalid>"
      CACHE STRING "The Maintainer field of the .deb")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  # Depends from the library's NEEDED entries (none today), and a shlibs
  # file so that packages built against it depend on this major, this
  # version or later.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  include(CPack)
endif()
