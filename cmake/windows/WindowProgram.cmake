# Included by CMakeLists.txt when HK_WINDOWS_QT names Qt for Windows
# (scripts/windows-qt.sh): every layer with the windows', HayesKvd.exe with
# its help and example lists beside it, and the window tests that run under
# Wine. Linked against Qt's DLLs and the compiler's runtime DLLs
# (cmake/mingw-w64-shared.cmake), so that the process holds one C++ runtime.
list(APPEND CMAKE_FIND_ROOT_PATH ${HK_WINDOWS_QT})
list(APPEND CMAKE_PREFIX_PATH ${HK_WINDOWS_QT})
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Widgets Test)
set(CMAKE_AUTOMOC ON)

set(HK_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
set(HK_EXAMPLE_LISTS ${HK_ROOT}/examples/hayes_init.n2 ${HK_ROOT}/examples/kvard_channel.n3)
include(${HK_ROOT}/cmake/Layers.cmake)
foreach(layer ${HK_LAYERS})
    add_subdirectory(${HK_ROOT}/${layer} ${layer})
endforeach()
foreach(layer ${HK_LAYERS})
    if(TARGET ${layer})
        add_dependencies(${layer} posix_header_check)
    endif()
endforeach()

# The window tests. Those that drive a window over a pseudo-terminal
# (test_main_window_run, test_port_dialog, test_controller_pty) have no
# Windows counterpart here; the serial line under Wine is tested end to end
# by scripts/windows-app-tests.sh instead.
set(HK_TESTS ${HK_ROOT}/tests)
# GoogleTest with Qt's widgets and test library as one precompiled header,
# built once and reused by every window test.
add_library(hk_window_test_pch OBJECT ${HK_TESTS}/support/PchAnchor.cpp)
target_link_libraries(hk_window_test_pch PRIVATE GTest::gtest Qt6::Widgets Qt6::Test)
target_precompile_headers(hk_window_test_pch PRIVATE
    <gtest/gtest.h> <filesystem> <string> <vector> <QtWidgets> <QTest>)
set_target_properties(hk_window_test_pch PROPERTIES AUTOMOC OFF)
function(hk_window_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT T_SOURCES)
        set(T_SOURCES ${name}.cpp)
    endif()
    list(TRANSFORM T_SOURCES PREPEND ${HK_TESTS}/)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${HK_TESTS})
    target_precompile_headers(${name} REUSE_FROM hk_window_test_pch)
    # No test declares a QObject class of its own: no moc run for it.
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    set_property(GLOBAL APPEND PROPERTY HK_WINDOW_TESTS ${name})
endfunction()

hk_window_test(test_gui_text LIBS gui)
hk_window_test(test_job_thread LIBS gui)
hk_window_test(test_message_boxes LIBS gui)
hk_window_test(test_gui_memo LIBS gui)
hk_window_test(test_gui_memo_marks LIBS gui)
hk_window_test(test_main_window LIBS app sim)
hk_window_test(test_main_window_modem LIBS app sim)
target_compile_definitions(test_main_window_modem PRIVATE HK_EXAMPLES_DIR="${HK_ROOT}/examples")
hk_window_test(test_controller_dialog LIBS app sim)
hk_window_test(test_status_and_list_dialogs LIBS app sim)
hk_window_test(test_network_scan_window LIBS app sim)
hk_window_test(test_captions LIBS app sim)
hk_window_test(test_job_traces LIBS app sim)
hk_window_test(test_program_end LIBS app sim)

get_property(HK_WINDOW_TEST_LIST GLOBAL PROPERTY HK_WINDOW_TESTS)
add_custom_target(window_tests DEPENDS ${HK_WINDOW_TEST_LIST})
