# The installed station and its Debian package: `cpack` in the build folder
# (or `cmake --build build --target package`) writes tarvik_<version>_amd64.deb.
#
#   /usr/lib/tarvik/tarvik                     the program; /usr/bin/tarvik links to it
#   /usr/lib/tarvik/components/                the scale driver component (found beside the program)
#   /usr/lib/tarvik/resources/station/         fresh station files for a new station folder
#   /usr/bin/tarvik-virtual-scale, tarvik-products
#   desktop entry, icon, man pages, copyright, changelog
include(GNUInstallDirs)
set(TARVIK_INSTALL_LIBDIR lib/tarvik)

install(TARGETS tarvik RUNTIME DESTINATION ${TARVIK_INSTALL_LIBDIR} COMPONENT station)
install(TARGETS KaloScale LIBRARY DESTINATION ${TARVIK_INSTALL_LIBDIR}/components COMPONENT station)
install(TARGETS tarvik-virtual-scale tarvik-products RUNTIME DESTINATION bin COMPONENT station)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/station/ DESTINATION ${TARVIK_INSTALL_LIBDIR}/resources/station
        COMPONENT station FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
file(CREATE_LINK ../lib/tarvik/tarvik ${CMAKE_BINARY_DIR}/package/tarvik SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/package/tarvik DESTINATION bin COMPONENT station)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvik.desktop DESTINATION share/applications COMPONENT station)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvik.svg DESTINATION share/icons/hicolor/scalable/apps
        COMPONENT station)

# Man pages and the changelog go in gzipped with no time stamp, as Debian wants them.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(packed)
foreach(page tarvik.1 tarvik-virtual-scale.1 tarvik-products.1)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/${page}.gz
    COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/packaging/${page} > ${CMAKE_BINARY_DIR}/package/${page}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${page} VERBATIM)
  list(APPEND packed ${CMAKE_BINARY_DIR}/package/${page}.gz)
  install(FILES ${CMAKE_BINARY_DIR}/package/${page}.gz DESTINATION share/man/man1 COMPONENT station)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog
          > ${CMAKE_BINARY_DIR}/package/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
list(APPEND packed ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_target(package_files ALL DEPENDS ${packed})
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION share/doc/tarvik COMPONENT station)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarvik <packages@tarvik.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "weighing and labelling station for a packing line")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarvik polls a scale and, for each stable load, prints the product label,
logs the weighing in a Firebird database and counts the load into the box;
a full box prints the box label. It comes with a settings dialog, a product
catalogue, a label layout editor and reports. The user interface is Ukrainian.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE "")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link come from dpkg-shlibdeps; what they load at
# run time is named here: the embedded database engine, Qt's print and
# platform plugins, the Ukrainian translation and the labels' fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "firebird3.0-server-core, libqt6printsupport6, qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation, fontconfig")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
