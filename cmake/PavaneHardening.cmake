# Build flags from outside and Debian's hardening, for every target of the
# project.
#
# CMake takes CFLAGS, CXXFLAGS and LDFLAGS from the environment at the first
# configure but ignores CPPFLAGS, where Debian packaging (dpkg-buildflags)
# passes -D_FORTIFY_SOURCE; it is taken here the same way, once, into the
# cache.
set(PAVANE_CPPFLAGS "$ENV{CPPFLAGS}" CACHE STRING
    "Preprocessor flags for C and C++ (CPPFLAGS of the first configure)")
separate_arguments(pavane_cppflags UNIX_COMMAND "${PAVANE_CPPFLAGS}")
add_compile_options(${pavane_cppflags})

if(NOT PAVANE_HARDENING)
  return()
endif()

# What `dpkg-buildflags` gives on Debian 12, and PIE, which Debian's
# compilers default to but another compiler need not.
include(CheckPIESupported)
check_pie_supported(OUTPUT_VARIABLE pie_output LANGUAGES C CXX)
if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
  message(WARNING "PAVANE_HARDENING: the linker makes no PIE programs here:\n${pie_output}")
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
add_link_options(LINKER:-z,relro LINKER:-z,now)

# Fortified calls need optimisation (glibc warns without it, which
# PAVANE_WERROR would turn into an error), so a Debug build (-O0) goes
# without. The sanitizers check those calls themselves and better, and
# fortified copies would hide the accesses from them. Flags that already
# choose a level (Debian's CPPFLAGS) are left to it.
string(TOUPPER "${CMAKE_BUILD_TYPE}" pavane_config)
set(pavane_flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${pavane_config}}")
string(REGEX MATCHALL "(^| )-O[^ ]*" pavane_levels "${pavane_flags}")
list(POP_BACK pavane_levels pavane_level)
if(pavane_level MATCHES "-O0$" OR NOT pavane_level)
  set(pavane_optimised OFF)
else()
  set(pavane_optimised ON)
endif()
if(pavane_optimised AND NOT PAVANE_SANITIZE AND NOT PAVANE_FUZZ
   AND NOT "${pavane_flags} ${PAVANE_CPPFLAGS}" MATCHES "_FORTIFY_SOURCE")
  add_compile_definitions(_FORTIFY_SOURCE=2)
endif()
