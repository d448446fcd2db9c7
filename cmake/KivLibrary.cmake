# kiv_add_library(<subsystem> DEPENDS <targets...>)
# One static library per subsystem folder, named kiv_<subsystem>, built from every
# .cpp file of that folder (and its detail/ folder), so that parallel work on one
# subsystem does not fight over a hand-kept source list.
function(kiv_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  string(REPLACE "/" "_" target "kiv_${name}")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/detail/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC kiv_options ${ARG_DEPENDS})
endfunction()

# kiv_add_test_suite(<subsystem> DEPENDS <targets...>)
# One GoogleTest program per test folder, from every *_test.cpp in it.
function(kiv_add_test_suite name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  string(REPLACE "/" "_" target "kiv_${name}_tests")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE kiv_options ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE KIV_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  # Each suite is labelled by its folder, so one area's tests run with ctest -L <folder>.
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${name})
endfunction()

# kiv_add_benchmark(<name> <source> DEPENDS <targets...>)
function(kiv_add_benchmark name source)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE kiv_options ${ARG_DEPENDS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
