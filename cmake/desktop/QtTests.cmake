# Tests of the Qt shell: a real Qt event loop on the offscreen platform, no display.
file(GLOB qt_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/qt/*.cpp)
if(qt_test_sources)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(unit_qt_shell ${qt_test_sources})
  set_target_properties(unit_qt_shell PROPERTIES AUTOMOC ON)
  target_include_directories(unit_qt_shell PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(unit_qt_shell PRIVATE kelvra_qt GTest::gtest)
  gtest_discover_tests(unit_qt_shell PROPERTIES LABELS unit ENVIRONMENT QT_QPA_PLATFORM=offscreen
                       DISCOVERY_TIMEOUT 60)
endif()
