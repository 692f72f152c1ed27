# Each source folder is one library target made of every .cpp file it holds,
# so that adding a file never means editing a shared list.
function(lorvane_library target)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_LIBS})
endfunction()

# One GoogleTest program per test folder; every TEST becomes one CTest case.
# WIDGETS: the program runs under a QApplication (widget tests).
function(lorvane_test_folder target)
  cmake_parse_arguments(ARG "WIDGETS" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(ARG_WIDGETS)
    set(main ${PROJECT_SOURCE_DIR}/tests/common/WidgetTestMain.cpp)
  else()
    set(main ${PROJECT_SOURCE_DIR}/tests/common/TestMain.cpp)
  endif()
  add_executable(${target} ${sources} ${main})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/common)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  target_compile_definitions(${target} PRIVATE
    LORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    LORVANE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1")
endfunction()
