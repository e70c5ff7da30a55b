# The Debian package: `cpack -G DEB` in a Release build makes
# mealdeck_<version>_amd64.deb of what `cmake --install` puts under /usr.
# Installing does not build the whole tree first (with the tests of a test
# build): ./package and the package test install what was built before.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mealdeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Saffrona")
set(CPACK_PACKAGE_CONTACT "Saffrona <${MEALDECK_CONTACT_ADDRESS}>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal recipe book for the desktop")
set(CPACK_PACKAGE_DESCRIPTION
    "Saffrona's Mealdeck keeps your own recipes in main groups and subgroups, each
recipe with its ingredients, directions, preparation time, difficulty and a
picture. It recalculates the ingredient amounts for another number of portions,
finds recipes anywhere in the book as you type, and previews and prints recipes
on the paper you choose.
.
The mealdeck-data command makes, checks, backs up, restores, searches, imports
into and exports from a recipe book without a display.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${MEALDECK_HOME_PAGE}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Saffrona <${MEALDECK_CONTACT_ADDRESS}>")
# The shared libraries the programs link (Qt, SQLite, libjpeg, libarchive, CUPS)
# are found by dpkg-shlibdeps; the Wayland and SVG plug-ins are loaded at run
# time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The package's own papers in /usr/share/doc/mealdeck: the copyright and the
# changelog, compressed as Debian keeps it.
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
    COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_BINARY_DIR}/debian/changelog > ${CMAKE_BINARY_DIR}/debian/changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
    VERBATIM)
add_custom_target(mealdeck_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mealdeck)
include(CPack)
