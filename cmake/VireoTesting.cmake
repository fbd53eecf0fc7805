# SPDX-License-Identifier: GPL-3.0-or-later
# One place that registers every test with CTest and gives it a private, throw-away
# environment: its own HOME, XDG folders and settings hive, the offscreen Qt platform and
# a UTF-8 C locale, so no test sees the developer's data or another test's leftovers.
include(GoogleTest)

function(vireo_test_environment out name)
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    set(${out}
        HOME=${home}
        XDG_CONFIG_HOME=${home}/.config
        XDG_DATA_HOME=${home}/.local/share
        XDG_RUNTIME_DIR=${home}/run
        VIREO_REGISTRY=${home}/registry.reg
        VIREO_TEST_HOME=${home}
        VIREO_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data
        TMPDIR=${home}/tmp
        QT_QPA_PLATFORM=offscreen
        LANG=C.UTF-8
        LC_ALL=C.UTF-8
        TZ=UTC
        PARENT_SCOPE)
endfunction()

# The test's HOME with its temporary folder and its runtime folder, which only its user
# may enter (programs refuse or warn about a runtime folder that others can read).
function(vireo_make_test_home name)
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    file(MAKE_DIRECTORY ${home}/tmp ${home}/run)
    file(CHMOD ${home}/run DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()

# vireo_add_gtest(name SOURCES a.cpp b.cpp LIBS lib...)
function(vireo_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE vireo_options ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    vireo_test_environment(env ${name})
    vireo_make_test_home(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
    # gtest_discover_tests would pass the variables on as separate words and only the
    # first would reach the tests, so a script run after the discovered list sets them.
    set(props ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
    file(WRITE ${props}
        "if(${name}_TESTS)\n"
        "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"${env}\" TIMEOUT 300)\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props})
endfunction()

# vireo_add_qtest(name SOURCES a.cpp LIBS lib...): a QtTest executable, one CTest entry.
function(vireo_add_qtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE vireo_options vireo_qt_options ${ARG_LIBS} Qt6::Test)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    vireo_test_environment(env ${name})
    vireo_make_test_home(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()
