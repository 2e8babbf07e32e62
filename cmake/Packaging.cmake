# What `cmake --install` puts where (see InstallLayout.cmake), the CMake and
# pkg-config packages a host finds us by, and the Debian packages CPack makes.
include(CMakePackageConfigHelpers)

install(TARGETS TouchDialogs EXPORT TouchDialogsTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/TouchDialogs
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
# Language packs are built beside the library, where it looks for them.
install(DIRECTORY ${PROJECT_BINARY_DIR}/lib/ DESTINATION ${TD_INSTALL_PACKDIR} COMPONENT runtime
    FILES_MATCHING PATTERN "libTouchDialogs.so.*.rcc")

install(TARGETS touchdlg touchpos-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
set_target_properties(touchdlg touchpos-demo PROPERTIES INSTALL_RPATH "${TD_INSTALL_RPATH}")

set(td_man ${PROJECT_BINARY_DIR}/man/touchdlg.1.gz)
add_custom_command(OUTPUT ${td_man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/host/touchdlg/touchdlg.1 > ${td_man}
    DEPENDS ${PROJECT_SOURCE_DIR}/host/touchdlg/touchdlg.1)
add_custom_target(td_man ALL DEPENDS ${td_man})
install(FILES ${td_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/host/touchdlg/touchdlg.bash-completion
    DESTINATION ${TD_INSTALL_COMPLETIONDIR} RENAME touchdlg COMPONENT runtime)

# CMake: find_package(TouchDialogs 1.0) and TouchDialogs::TouchDialogs.
install(EXPORT TouchDialogsTargets NAMESPACE TouchDialogs::
    DESTINATION ${TD_INSTALL_CMAKEDIR} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TouchDialogsConfig.cmake.in
    ${PROJECT_BINARY_DIR}/TouchDialogsConfig.cmake INSTALL_DESTINATION ${TD_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TouchDialogsConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TouchDialogsConfig.cmake ${PROJECT_BINARY_DIR}/TouchDialogsConfigVersion.cmake
    DESTINATION ${TD_INSTALL_CMAKEDIR} COMPONENT development)

# pkg-config: the prefix is the one installed into (cmake --install --prefix,
# or /usr for the Debian package), known only when the install runs.
set(TD_PC_PREFIX "@TD_PC_PREFIX@")
configure_file(${PROJECT_SOURCE_DIR}/cmake/touchdialogs.pc.in ${PROJECT_BINARY_DIR}/touchdialogs.pc.in @ONLY)
install(CODE "set(TD_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${PROJECT_BINARY_DIR}/touchdialogs.pc.in\" \"${PROJECT_BINARY_DIR}/touchdialogs.pc\" @ONLY)"
    COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/touchdialogs.pc DESTINATION ${TD_INSTALL_PKGCONFIGDIR} COMPONENT development)

# Debian packages: libtouchdialogs1 (what a till runs) and libtouchdialogs-dev.
# Build them from a /usr configuration: cmake --workflow --preset package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME touchdialogs)
set(CPACK_PACKAGE_VENDOR "TouchDialogs")
set(CPACK_PACKAGE_CONTACT "TouchDialogs developers <touchdialogs@example.invalid>")
# Each package's description: its first line is the summary.
set(td_summary "touch-screen dialogs for restaurant point-of-sale terminals")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies (Qt 6, SQLite, C++ runtime) as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtouchdialogs1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# What no linker sees: Qt's window-system plugins (X11 and Wayland: a till may
# have either) and the faces the layouts are measured in (captions fit their
# keys only in these).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland, fonts-wine, fonts-liberation (>= 1:2) | fonts-liberation2, fonts-comic-neue")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "${td_summary}
Six modal touch dialogs (message box, on-screen keyboard, record search,
quantity keypad, list builder, colour chooser) in one shared library, with
its language packs, the touchdlg command for scripts and the touchpos-demo
host.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtouchdialogs-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qt6-base-dev (>= 6.4)")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "${td_summary} (development files)
Headers, the CMake package (find_package(TouchDialogs)) and the pkg-config
file (touchdialogs) for building hosts of libtouchdialogs1.")

include(CPack)
cpack_add_component(runtime DISPLAY_NAME "Library and commands")
cpack_add_component(development DISPLAY_NAME "Development files" DEPENDS runtime)
