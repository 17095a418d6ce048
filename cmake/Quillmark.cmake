# Helpers shared by every folder of the build.

# Folders join the build by one add_subdirectory line each, never by being
# found: a listed folder that is missing stops the configure step, so no
# subsystem and no test suite drops out of a build unnoticed.

# qm_add_test(<name> SOURCES <files>... [LIBS <targets>...] [QT] [TIMEOUT <s>] [LABELS <l>...])
# One GoogleTest executable under build/tests; QT gives it a QApplication on the
# offscreen platform instead of gtest_main.
function(qm_add_test name)
  cmake_parse_arguments(T "QT" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/common/test_env.cpp)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # ctest cannot carry a list-valued ENVIRONMENT through test discovery, so the
  # executable sets these itself (see tests/common/test_env.cpp).
  target_compile_definitions(${name} PRIVATE
    QM_TEST_PROGRAM_DIR_DEFAULT="${QM_PROGRAM_DIR}" QM_SOURCE_DIR_DEFAULT="${CMAKE_SOURCE_DIR}")
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
  if(T_QT)
    target_link_libraries(${name} PRIVATE qm_test_qtmain GTest::gtest GTest::gmock Qt6::Widgets ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
endfunction()

# qm_add_bench(<name> SOURCES <files>... [LIBS <targets>...]): a benchmark under build/bench.
function(qm_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${B_LIBS})
endfunction()

# QuillmarkVersion.h: the release for every executable's --version.
configure_file(${CMAKE_CURRENT_LIST_DIR}/QuillmarkVersion.h.in ${CMAKE_BINARY_DIR}/generated/QuillmarkVersion.h @ONLY)
add_library(qm_version INTERFACE)
target_include_directories(qm_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
