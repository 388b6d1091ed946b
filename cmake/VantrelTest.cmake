# vantrel_add_test(<name> SOURCES ... LIBS ... [OFFSCREEN] [LABELS ...] [TIMEOUT s])
# Builds one GoogleTest executable and registers its cases with CTest. OFFSCREEN runs the
# cases on Qt's offscreen platform, so widget tests need no display.
function(vantrel_add_test name)
    cmake_parse_arguments(T "OFFSCREEN" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    set(_env "QT_QPA_PLATFORM=offscreen")
    if(NOT T_OFFSCREEN)
        set(_env "")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(_props TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        list(APPEND _props LABELS "${T_LABELS}")
    endif()
    if(_env)
        list(APPEND _props ENVIRONMENT "${_env}")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${_props})
endfunction()
