# The installed layout, under any prefix (`cmake --install build --prefix
# /usr`, and the Debian package is made from exactly that):
#   <prefix>/lib/pavane/          the tree that build/stage has: PV/pavane,
#                                 PV/localized, localized, HTML Screens, and
#                                 the tools in bin/ (content/ installs its part)
#   <prefix>/bin/<command>        links to the four programs there
#   <prefix>/share/man/man1/      their man pages
#   <prefix>/share/doc/pavane/    copyright and changelog
#
# Everything is relative to the prefix, links included, so an installation
# or an unpacked package can be moved as a whole.

install(TARGETS pavane DESTINATION "${PAVANE_INSTALL_DIR}/PV")
install(TARGETS pavane-reg pavane-lang pavane-devserver DESTINATION "${PAVANE_INSTALL_DIR}/bin")

set(pavane_install_scratch "${PROJECT_BINARY_DIR}/install")
find_program(PAVANE_GZIP gzip REQUIRED)
file(MAKE_DIRECTORY "${pavane_install_scratch}/bin")

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
  set(page "${pavane_install_scratch}/${program}.1.gz")
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
  file(CREATE_LINK "../${PAVANE_INSTALL_DIR}/${installed}" "${pavane_install_scratch}/bin/${program}"
       SYMBOLIC)
  install(FILES "${pavane_install_scratch}/bin/${program}" DESTINATION bin)
endforeach()

# Written from each program's --help by the build, so that an installation
# (as root, say) only copies.
add_custom_target(pavane_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION share/man/man1)

execute_process(COMMAND "${PAVANE_GZIP}" -9 -n -c "${PROJECT_SOURCE_DIR}/packaging/debian/changelog"
                OUTPUT_FILE "${pavane_install_scratch}/changelog.gz")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/debian/copyright"
              "${pavane_install_scratch}/changelog.gz"
        DESTINATION share/doc/pavane)
