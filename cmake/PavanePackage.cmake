# The Debian package (`cmake --build build --target package`): the installed
# layout below /usr/lib/pavane, the commands in /usr/bin, and what Debian asks
# of every package: a copyright file, a changelog and man pages.
#
# Those extras belong to the package only: they are installed in the "deb"
# component, which a plain `cmake --install` leaves out.

set(PAVANE_PACKAGE_ROOT "/usr/lib/pavane")
set(deb "${PROJECT_BINARY_DIR}/deb")
find_program(PAVANE_GZIP gzip REQUIRED)
file(MAKE_DIRECTORY "${deb}/bin")

set(man_pages)
foreach(entry
        "pavane|PV/pavane|the screens that follow the setup of the maker's applications"
        "pavane-reg|bin/pavane-reg|read and change Pavane's registry store"
        "pavane-lang|bin/pavane-lang|build, check and show Pavane's language files"
        "pavane-devserver|bin/pavane-devserver|the reference server that stands in for the maker's")
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 program)
  list(GET fields 1 installed)
  list(GET fields 2 summary)
  set(page "${deb}/${program}.1.gz")
  add_custom_command(
    OUTPUT "${page}"
    COMMAND "${CMAKE_COMMAND}" "-DPROGRAM=$<TARGET_FILE:${program}>" "-DNAME=${program}"
            "-DVERSION=${PROJECT_VERSION}" "-DSUMMARY=${summary}" "-DGZIP=${PAVANE_GZIP}"
            "-DOUTPUT=${page}" -P "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
    DEPENDS ${program} "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  list(APPEND man_pages "${page}")

  # The command on the PATH points into the layout, which the program finds
  # its pages and language files beside.
  file(CREATE_LINK "../lib/pavane/${installed}" "${deb}/bin/${program}" SYMBOLIC)
  install(FILES "${deb}/bin/${program}" DESTINATION /usr/bin COMPONENT deb EXCLUDE_FROM_ALL)
endforeach()
# Written when the package is made, not with every build: a sanitizer build
# need not run its programs for them.
add_custom_target(pavane_man_pages DEPENDS ${man_pages})
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" --build \"${PROJECT_BINARY_DIR}\"
                              --target pavane_man_pages RESULT_VARIABLE status)
              if(NOT status EQUAL 0)
                message(FATAL_ERROR \"the man pages could not be written\")
              endif()"
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${man_pages} DESTINATION /usr/share/man/man1 COMPONENT deb EXCLUDE_FROM_ALL)

execute_process(COMMAND "${PAVANE_GZIP}" -9 -n -c "${PROJECT_SOURCE_DIR}/packaging/debian/changelog"
                OUTPUT_FILE "${deb}/changelog.gz")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/debian/copyright" "${deb}/changelog.gz"
        DESTINATION /usr/share/doc/pavane COMPONENT deb EXCLUDE_FROM_ALL)

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
set(CPACK_PACKAGING_INSTALL_PREFIX "${PAVANE_PACKAGE_ROOT}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified deb)
set(CPACK_STRIP_FILES ON)
include(CPack)
