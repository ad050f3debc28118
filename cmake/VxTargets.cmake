# vx_library(NAME DIR DEPS...): a static library of DIR's sources, or an interface library while
# DIR has none yet, so that subsystems build and fail independently.
function(vx_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# vx_test_dir(DIR DEPS...): one test executable per test folder, plus one for its concurrency
# tests (run under ThreadSanitizer too) and one for its long simulations (*_soak_test.cpp, plain
# build only). Realtime tests are collected separately.
function(vx_test_dir dir)
  string(REPLACE "/" "_" stem ${dir})
  # Tests on a real PipeWire daemon measure timing and latency: nothing else runs beside them.
  set(exclusive "")
  if(dir MATCHES "pipewire")
    set(exclusive RUN_SERIAL TRUE)
  endif()
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*_test.cpp)
  set(unit ${all})
  list(FILTER unit EXCLUDE REGEX "_(concurrency|realtime|soak)_test\\.cpp$")
  file(GLOB concurrency CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*_concurrency_test.cpp)
  file(GLOB soak CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*_soak_test.cpp)
  if(unit)
    add_executable(vx_${stem}_tests ${unit})
    target_link_libraries(vx_${stem}_tests PRIVATE vx_test_support ${ARGN} GTest::gtest_main)
    gtest_discover_tests(vx_${stem}_tests DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS unit ${exclusive})
  endif()
  if(concurrency)
    add_executable(vx_${stem}_concurrency_tests ${concurrency})
    target_link_libraries(vx_${stem}_concurrency_tests PRIVATE vx_test_support ${ARGN}
      GTest::gtest_main)
    gtest_discover_tests(vx_${stem}_concurrency_tests DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS concurrency ${exclusive})
    set_property(GLOBAL APPEND PROPERTY VX_CONCURRENCY_TARGETS vx_${stem}_concurrency_tests)
  endif()
  # Long simulations: the plain build runs them; under the sanitizers they would take too long.
  if(soak AND NOT VX_SANITIZE)
    add_executable(vx_${stem}_soak_tests ${soak})
    target_link_libraries(vx_${stem}_soak_tests PRIVATE vx_test_support ${ARGN} GTest::gtest_main)
    gtest_discover_tests(vx_${stem}_soak_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS soak)
  endif()
endfunction()
