# Where an install puts things, for every folder's install() rules: the one
# place to read or change the layout. Paths are relative to the prefix.
#
# Components, one Debian package each: "runtime" (the library and its
# language packs), "development" (headers, link name, CMake package,
# pkg-config file), "tools" (the commands, their man pages and completion)
# and "python" (the Python package).
#
#   install(FILES touchdialogs.py DESTINATION ${TD_INSTALL_PYTHONDIR} COMPONENT python)
#
# Headers need no rule: all of include/TouchDialogs/ is installed.
include(GNUInstallDirs)

# The library finds its language packs in this folder beside itself: a
# folder of their own, as ldconfig takes every lib*.so* file in the
# library's for a library. Below the library folder, not in share/, as the
# library finds them by its own path and a prefix can be moved.
set(TD_INSTALL_PACKDIR ${CMAKE_INSTALL_LIBDIR}/touchdialogs)
set(TD_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/TouchDialogs)
set(TD_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(TD_INSTALL_COMPLETIONDIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# Debian's python3 looks here for modules of every Python 3 version.
set(TD_INSTALL_PYTHONDIR lib/python3/dist-packages CACHE STRING
    "Where Python modules go, relative to the prefix")

# Installed commands find the library through a relative run path, so a
# prefix can be moved; none where the library lands in a system directory.
if(NOT "${CMAKE_INSTALL_FULL_LIBDIR}" IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
    set(TD_INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()

# A rule that names no component belongs to the library's package.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)
