# The Debian package (`cmake --build build --target package`): exactly what
# `cmake --install --prefix /usr` lays out (cmake/PavaneInstall.cmake), with
# its dependencies taken from the libraries the programs link.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pavane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Norvale Software, LLC")
set(CPACK_PACKAGE_CONTACT "Norvale Software LLC <maintainers@users.noreply.c-seed-dfbc0574.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screens that follow the setups of Orlent, Sweeple and Patchory")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "After the setup of one of the maker's applications, Pavane leads the user\n"
    "through a newsletter sign-up, a notice on spam folders and the offers of the\n"
    "sibling products, and reports each screen to the maker's server. The package\n"
    "also holds the registry tool, the language tool and a reference server.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
