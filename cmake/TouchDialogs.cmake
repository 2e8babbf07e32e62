# td_add_unit(<target> SOURCES ... [LIBS ...])
# One static library per folder, folded whole into libTouchDialogs.
function(td_add_unit target)
    cmake_parse_arguments(U "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${target} STATIC ${U_SOURCES})
    target_link_libraries(${target} PUBLIC ${U_LIBS} PRIVATE td_warnings)
    target_compile_definitions(${target} PRIVATE TD_BUILDING_LIBRARY)
endfunction()

# td_add_test(<name> SOURCES ... LIBS ...)
# One small executable per test file, run offscreen by CTest.
function(td_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} td_testsupport Qt6::Test td_warnings)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
        TIMEOUT 120)
endfunction()
