# Run by CPack after it built the packages (CPACK_POST_BUILD_SCRIPTS). CPack
# gives a package with a library under /usr/lib a postinst and a postrm that
# run ldconfig, and no variable turns them off; ours activate the ldconfig
# trigger instead (DEBIAN/triggers), so such a package is built again from
# its own contents without them.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    set(tree "${deb}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    if(EXISTS "${tree}/DEBIAN/triggers" AND EXISTS "${tree}/DEBIAN/postinst")
        file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
        execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
            OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(REMOVE_RECURSE "${tree}")
endforeach()
