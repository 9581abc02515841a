# quarlin_add_test(NAME SOURCES src... LIBS lib... [X11])
# One Qt Test executable per area, registered with ctest. X11 tests start their own private
# desktop and are labelled so that they can be run or skipped as a group.
# quarlin_sanitizer_environment(test): under the sanitizers, the test and every program it starts
# (the real program, peers) leave libdbus's own leftovers out of the leak report.
function(quarlin_sanitizer_environment test)
    if(QUARLIN_SANITIZE)
        set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
            "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/x11/qt-dbus.supp")
    endif()
endfunction()

function(quarlin_add_test name)
    cmake_parse_arguments(ARG "X11" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE quarlin_options Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(ARG_X11)
        set_tests_properties(${name} PROPERTIES LABELS x11 RUN_SERIAL FALSE TIMEOUT 600)
    else()
        set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 300
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
    quarlin_sanitizer_environment(${name})
endfunction()
