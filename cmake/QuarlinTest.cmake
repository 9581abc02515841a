# quarlin_add_test(NAME SOURCES src... LIBS lib... [X11] [FUNCTIONS fn...])
# One Qt Test executable per area, registered with ctest. X11 tests start their own private
# desktop and are labelled so that they can be run or skipped as a group. With FUNCTIONS, the test
# of that name runs only those test functions; quarlin_add_test_part registers the others.
# quarlin_add_test_part(NAME PART fn...): NAME's functions fn... as the test NAME_PART, for a test
# whose whole run would outlast one test's limit (real desktops under the sanitizers).
# quarlin_check_test_parts(NAME): the unit test NAME_parts fails when a function is in no part.
# quarlin_sanitizer_environment(test): under the sanitizers, the test and every program it starts
# (the real program, peers) leave libdbus's own leftovers out of the leak report.
function(quarlin_sanitizer_environment test)
    if(QUARLIN_SANITIZE)
        set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
            "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/x11/qt-dbus.supp")
    endif()
endfunction()

function(quarlin_add_test name)
    cmake_parse_arguments(ARG "X11" "" "SOURCES;LIBS;FUNCTIONS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE quarlin_options Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name} ${ARG_FUNCTIONS})
    set_property(GLOBAL PROPERTY quarlin_parts_${name} ${ARG_FUNCTIONS})
    if(ARG_X11)
        set_tests_properties(${name} PROPERTIES LABELS x11 RUN_SERIAL FALSE TIMEOUT 600)
    else()
        set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 300
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
    quarlin_sanitizer_environment(${name})
endfunction()

function(quarlin_add_test_part name part)
    add_test(NAME ${name}_${part} COMMAND ${name} ${ARGN})
    set_property(GLOBAL APPEND PROPERTY quarlin_parts_${name} ${ARGN})
    foreach(property LABELS TIMEOUT ENVIRONMENT WORKING_DIRECTORY)
        get_test_property(${name} ${property} value)
        if(value)
            set_tests_properties(${name}_${part} PROPERTIES ${property} "${value}")
        endif()
    endforeach()
endfunction()

function(quarlin_check_test_parts name)
    get_property(listed GLOBAL PROPERTY quarlin_parts_${name})
    add_test(NAME ${name}_parts COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}> "-DLISTED=${listed}"
        -P ${PROJECT_SOURCE_DIR}/cmake/CheckTestParts.cmake)
    set_tests_properties(${name}_parts PROPERTIES LABELS unit TIMEOUT 60)
    quarlin_sanitizer_environment(${name}_parts)
endfunction()
