# Headers are included by their path from the top of the tree
# ("platform/db/Values.h"), but a target finds only those of the folders it
# links: each folder's headers are staged under the build tree as symbolic
# links (as Bazel's virtual includes), and only the stage is on an include path.
#
# td_stage_headers(<name> <folder> [<header> ...])
# Stages the named headers of <folder> (all of it when none are named) as
# <stage>/<folder>/..., once per name, and sets td_stage to <stage>.
function(td_stage_headers name folder)
    set(stage ${PROJECT_BINARY_DIR}/headers/${name})
    if(NOT ARGN)
        set(links ${folder})
    else()
        list(TRANSFORM ARGN PREPEND ${folder}/ OUTPUT_VARIABLE links)
    endif()
    foreach(link IN LISTS links)
        if(NOT IS_SYMLINK ${stage}/${link})
            get_filename_component(dir ${stage}/${link} DIRECTORY)
            file(MAKE_DIRECTORY ${dir})
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${link} ${stage}/${link} SYMBOLIC)
        endif()
    endforeach()
    set(td_stage ${stage} PARENT_SCOPE)
endfunction()

# GCC describes a class with a vtable in full only where the vtable is
# emitted; elsewhere the member functions defined there hang off a bare
# declaration, which abidw does not follow (their types would escape
# scripts/abi-check). The library's debug build describes its classes in full.
add_library(td_full_class_debug INTERFACE)
target_compile_options(td_full_class_debug INTERFACE
    $<$<AND:$<COMPILE_LANG_AND_ID:CXX,GNU>,$<CONFIG:Debug>>:-femit-class-debug-always>)

# The public headers (include/TouchDialogs), which every part of the tree may use.
add_library(td_public_headers INTERFACE)
target_include_directories(td_public_headers INTERFACE ${PROJECT_SOURCE_DIR}/include)

# td_own_headers(<target>): a program or test sees the headers of its own folder.
function(td_own_headers target)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    string(REPLACE / - name ${folder})
    td_stage_headers(folder-${name} ${folder})
    target_include_directories(${target} PRIVATE ${td_stage})
    target_link_libraries(${target} PRIVATE td_public_headers)
endfunction()

# td_add_unit(<target> SOURCES ... [HEADERS ...] [LIBS ...])
# One static library per folder, folded whole into libTouchDialogs. Those
# that link it see the folder's HEADERS, or all of its headers when none are
# named; <target>_internals shows all of them (to the unit itself and to the
# tests that reach inside).
function(td_add_unit target)
    cmake_parse_arguments(U "" "" "SOURCES;HEADERS;LIBS" ${ARGN})
    add_library(${target} STATIC ${U_SOURCES})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    add_library(${target}_internals INTERFACE)
    td_stage_headers(${target}_internals ${folder})
    target_include_directories(${target}_internals INTERFACE ${td_stage})
    target_link_libraries(${target}_internals INTERFACE td_public_headers)
    if(U_HEADERS)
        td_stage_headers(${target} ${folder} ${U_HEADERS})
        target_include_directories(${target} PUBLIC ${td_stage})
        target_link_libraries(${target} PRIVATE ${target}_internals)
    else()
        target_link_libraries(${target} PUBLIC ${target}_internals)
    endif()
    target_link_libraries(${target} PUBLIC ${U_LIBS} td_public_headers PRIVATE td_warnings td_full_class_debug)
    target_compile_definitions(${target} PRIVATE TD_BUILDING_LIBRARY)
endfunction()

# td_add_layout(<target> <Form>.ui)
# A form's layout: stored as the resource :/layouts/<FORM IN CAPITALS> (a
# language pack may bring its own under that name), and compiled by uic into
# ui_<Form>.h, which the form includes to build itself without reading it.
function(td_add_layout target ui)
    get_filename_component(form ${ui} NAME_WE)
    string(TOUPPER ${form} resource)
    set_source_files_properties(${ui} PROPERTIES QT_RESOURCE_ALIAS ${resource})
    qt_add_resources(${target} ${target}_layout PREFIX /layouts FILES ${ui})
    # No connectSlotsByName: handlers are bound by name from the layout.
    set_target_properties(${target} PROPERTIES AUTOUIC ON AUTOUIC_OPTIONS --no-autoconnection)
endfunction()

# td_add_test(<name> SOURCES ... LIBS ...)
# One small executable per test file, run offscreen by CTest.
function(td_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} td_testsupport Qt6::Test td_warnings)
    td_own_headers(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
        TIMEOUT 120)
endfunction()

# td_add_x11_test(<name> [WM] [SCREEN WxH] SOURCES ... LIBS ...)
# A test of what only a real X server shows: it runs on a private Xvfb (with
# a window manager when WM is given, of the given size) and is skipped where
# none can start.
function(td_add_x11_test name)
    cmake_parse_arguments(T "WM" "SCREEN" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} td_testsupport Qt6::Test td_warnings)
    td_own_headers(${name})
    set(wrapper ${PROJECT_SOURCE_DIR}/tests/common/with-xserver)
    if(T_WM)
        set(wrapper ${wrapper} --wm)
    endif()
    if(T_SCREEN)
        set(wrapper ${wrapper} --screen ${T_SCREEN})
    endif()
    add_test(NAME ${name} COMMAND ${wrapper} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_LOGGING_RULES=qt.qpa.*=false"
        SKIP_RETURN_CODE 77 TIMEOUT 120)
endfunction()

# td_add_wayland_test(<name> [COMPOSITOR sway|cage ...] [SCREEN WxH] SOURCES ... LIBS ...)
# A test of what only a Wayland compositor shows: it runs in a private headless
# compositor (sway unless given; the output of the given size), once in each
# compositor named, and is skipped where none can start. With more than one
# compositor each run is named <name>_<compositor>.
function(td_add_wayland_test name)
    cmake_parse_arguments(T "" "SCREEN" "COMPOSITOR;SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} td_testsupport Qt6::Test td_warnings)
    td_own_headers(${name})
    if(NOT T_COMPOSITOR)
        set(T_COMPOSITOR sway)
    endif()
    list(LENGTH T_COMPOSITOR count)
    foreach(compositor IN LISTS T_COMPOSITOR)
        set(test ${name})
        if(count GREATER 1)
            set(test ${name}_${compositor})
        endif()
        set(wrapper ${PROJECT_SOURCE_DIR}/tests/common/with-wayland --compositor ${compositor})
        if(T_SCREEN)
            list(APPEND wrapper --screen ${T_SCREEN})
        endif()
        add_test(NAME ${test} COMMAND ${wrapper} $<TARGET_FILE:${name}>)
        set_tests_properties(${test} PROPERTIES
            ENVIRONMENT "QT_LOGGING_RULES=qt.qpa.*=false"
            SKIP_RETURN_CODE 77 TIMEOUT 120)
    endforeach()
endfunction()

# A sanitized library loaded by a program that is not (python3, the consumer
# hosts) wants the sanitizer's runtime loaded first, and libstdc++ with it
# (its exception interceptor needs the real __cxa_throw at start-up).
set(TD_SANITIZER_PRELOAD "")
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize=[a-z,]*address")
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
        OUTPUT_VARIABLE td_asan OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(TD_SANITIZER_PRELOAD "${td_asan}:libstdc++.so.6")
endif()
