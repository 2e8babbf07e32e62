# What `cmake --install` puts where (see InstallLayout.cmake), the CMake and
# pkg-config packages a host finds us by, and the Debian packages CPack makes.
include(CMakePackageConfigHelpers)

install(TARGETS TouchDialogs EXPORT TouchDialogsTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/TouchDialogs
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
# Language packs are built beside the library; installed, they have a folder
# of their own, where the library also looks.
install(DIRECTORY ${PROJECT_BINARY_DIR}/lib/ DESTINATION ${TD_INSTALL_PACKDIR} COMPONENT runtime
    FILES_MATCHING PATTERN "libTouchDialogs.so.*.rcc")

install(TARGETS touchdlg touchpos-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
set_target_properties(touchdlg touchpos-demo PROPERTIES INSTALL_RPATH "${TD_INSTALL_RPATH}")

foreach(page host/touchdlg/touchdlg.1 host/demo/touchpos-demo.1)
    get_filename_component(name ${page} NAME)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/${page} > ${PROJECT_BINARY_DIR}/man/${name}.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/${page})
    list(APPEND td_man ${PROJECT_BINARY_DIR}/man/${name}.gz)
endforeach()
add_custom_target(td_man ALL DEPENDS ${td_man})
install(FILES ${td_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
install(FILES ${PROJECT_SOURCE_DIR}/host/touchdlg/touchdlg.bash-completion
    DESTINATION ${TD_INSTALL_COMPLETIONDIR} RENAME touchdlg COMPONENT tools)

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

# Debian packages, one per component: libtouchdialogs1 (the library and its
# language packs), libtouchdialogs-dev, touchdialogs-tools (touchdlg and
# touchpos-demo) and python3-touchdialogs. Build them from a /usr
# configuration: cmake --workflow --preset package (with Debian's hardening
# flags).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME touchdialogs)
set(CPACK_PACKAGE_VENDOR "TouchDialogs")
set(CPACK_PACKAGE_CONTACT "TouchDialogs developers <touchdialogs@example.invalid>")
set(td_summary "touch-screen dialogs for restaurant point-of-sale terminals")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime development tools python)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE touchdialogs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack takes the build machine's architecture; a cross build's packages are
# for its target (arm64 from the aarch64 toolchain file).
if(CMAKE_CROSSCOMPILING)
    execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
        OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE
        ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
# Library dependencies (Qt 6, SQLite, C++ runtime) as dpkg-shlibdeps finds
# them; our own library, which the commands need, from the build tree (the
# dependency on it is the component's).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# Every package's copyright, Debian changelog and lintian overrides; only
# for the packages, so a plain cmake --install leaves them out.
set(td_debian ${PROJECT_SOURCE_DIR}/cmake/debian)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
    COMMAND gzip -9n -c ${td_debian}/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    DEPENDS ${td_debian}/changelog)
add_custom_target(td_debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
set(td_packages libtouchdialogs1 libtouchdialogs-dev touchdialogs-tools python3-touchdialogs)
foreach(component package IN ZIP_LISTS CPACK_COMPONENTS_ALL td_packages)
    string(TOUPPER ${component} c)
    set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${package})
    install(FILES ${td_debian}/copyright ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
    install(FILES ${td_debian}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME ${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The library's shlibs: hosts built against it depend on this version or a
# later one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# ldconfig runs through its trigger, not from maintainer scripts, which
# CPack would add and the post-build step takes out again.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${td_debian}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${td_debian}/DropLdconfigScripts.cmake)
# What no linker sees: Qt's window-system plugins (X11 and Wayland: a till may
# have either) and the faces the layouts are measured in (captions fit their
# keys only in these).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland, fonts-wine, fonts-liberation (>= 1:2) | fonts-liberation2, fonts-comic-neue")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "${td_summary}
Six modal touch dialogs (message box, on-screen keyboard, record search,
quantity keypad, list builder, colour chooser) in one shared library, with
its English and Brazilian Portuguese language packs.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qt6-base-dev (>= 6.4)")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "${td_summary} (development files)
Headers, the CMake package (find_package(TouchDialogs)) and the pkg-config
file (touchdialogs) for building hosts of libtouchdialogs1.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "touch-screen dialogs for shell scripts, and a demonstration till
touchdlg shows one dialog of libtouchdialogs1 (message box, on-screen
keyboard, record search, quantity keypad, list builder, colour chooser) and
prints the answer as JSON, for shell scripts and kiosks. touchpos-demo is a
table-service till that uses every dialog.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
# ctypes over the C interface: any libtouchdialogs1 of this version or later.
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any, libtouchdialogs1 (>= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "touch-screen dialogs for restaurant point-of-sale terminals (Python 3)
The touchdialogs module calls libtouchdialogs1 through ctypes: message
boxes, text and quantity entry, record search, list building and colour
choice from Python, with records as dicts.")

include(CPack)
cpack_add_component(runtime DISPLAY_NAME "Library and language packs")
cpack_add_component(development DISPLAY_NAME "Development files" DEPENDS runtime)
cpack_add_component(tools DISPLAY_NAME "touchdlg and touchpos-demo" DEPENDS runtime)
cpack_add_component(python DISPLAY_NAME "Python module")
