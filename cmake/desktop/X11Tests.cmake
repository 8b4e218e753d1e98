# The X11 input sources against a real X server (each test starts its own Xvfb).
file(GLOB x11_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/x11/*.cpp)
if(x11_test_sources)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(e2e_x11_input ${x11_test_sources})
  # The Qt shell too: keys are recorded from Qt's key events.
  target_link_libraries(e2e_x11_input PRIVATE kelvra_qt kelvra_x11 kelvra_sim PkgConfig::X11LIBS
                        GTest::gtest GTest::gtest_main)
  gtest_discover_tests(e2e_x11_input PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()
