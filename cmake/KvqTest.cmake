# kvq_add_test(NAME SOURCES src... LIBS lib... [TIMEOUT s] [COMMAND runner args...])
# One test executable per unit, registered with CTest; GUI tests run on the offscreen platform.
# COMMAND runs the test through a runner script, which gets the executable as its last argument.
function(kvq_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;COMMAND" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
    kvq_use_qt_generators(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    # Tests that run the command-line companions find them here.
    target_compile_definitions(${name} PRIVATE KVQ_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    if(WIN32)
        # A static Qt links only the platform plugin of a real desktop; tests draw off screen.
        qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    endif()
    if(T_COMMAND)
        add_test(NAME ${name} COMMAND ${T_COMMAND} $<TARGET_FILE:${name}>)
    elseif(WIN32 AND CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/wine-run.sh
                                      $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(WIN32)
        # One at a time under Wine: the tests share the prefix's server and its COM ports.
        set_tests_properties(${name} PROPERTIES RUN_SERIAL ON)
    endif()
endfunction()
