# Installation: GNUInstallDirs layout, a pkg-config file, a CMake package
# (find_package(Tomeshelf) -> Tomeshelf::tomeshelf, Tomeshelf::tomeshelf_static), and a
# Debian package through CPack (cpack -G DEB in the build tree).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TOMESHELF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tomeshelf)

foreach(target tomeshelf tomeshelf_static)
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()
# The static library is C++ inside: a C program that links it needs the C++ runtime.
target_link_libraries(tomeshelf_static INTERFACE $<INSTALL_INTERFACE:stdc++> $<INSTALL_INTERFACE:m>)

install(TARGETS tomeshelf tomeshelf_static EXPORT TomeshelfTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES include/tomeshelf/tomeshelf.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tomeshelf
        COMPONENT development)
install(EXPORT TomeshelfTargets NAMESPACE Tomeshelf:: DESTINATION ${TOMESHELF_CMAKE_DIR}
        COMPONENT development)

configure_package_config_file(cmake/TomeshelfConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TomeshelfConfig.cmake INSTALL_DESTINATION ${TOMESHELF_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TomeshelfConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TomeshelfConfig.cmake
              ${PROJECT_BINARY_DIR}/TomeshelfConfigVersion.cmake
        DESTINATION ${TOMESHELF_CMAKE_DIR} COMPONENT development)

# pkg-config; Libs.private carries the C++ runtime (and liburing) for static linking.
# Paths relative to the file's own place, so the install can be moved (cmake --install --prefix).
file(RELATIVE_PATH TOMESHELF_PC_UP /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" TOMESHELF_PC_UP "${TOMESHELF_PC_UP}")
set(TOMESHELF_PC_URING "")
if(LIBURING_FOUND)
  set(TOMESHELF_PC_URING " -luring")
endif()
configure_file(cmake/tomeshelf.pc.in ${PROJECT_BINARY_DIR}/tomeshelf.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tomeshelf.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

if(TOMESHELF_BUILD_TOOLS)
  install(TARGETS tomeshelf_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/sample/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/tomeshelf/sample COMPONENT program)
endif()

set(CPACK_PACKAGE_NAME tomeshelf)
set(CPACK_PACKAGE_VENDOR "Tomeshelf")
set(CPACK_PACKAGE_CONTACT "Tomeshelf developers <tomeshelf@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Read EPWING (JIS X 4081) electronic dictionaries")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Shared-library metadata and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
include(CPack)
