# Unit tests: one executable per folder under tests/unit, all on the simulated desktop.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB unit_dirs LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tests/unit/*)
foreach(dir IN LISTS unit_dirs)
  if(IS_DIRECTORY ${dir})
    get_filename_component(area ${dir} NAME)
    file(GLOB area_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(area_sources)
      add_executable(unit_${area} ${area_sources})
      target_include_directories(unit_${area} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
      target_link_libraries(unit_${area} PRIVATE kelvra_sim kelvra_core GTest::gtest
                            GTest::gmock GTest::gtest_main)
      # Real, platform-neutral implementations of ports (the settings file, ...).
      if(TARGET kelvra_xdg)
        target_link_libraries(unit_${area} PRIVATE kelvra_xdg)
      endif()
      gtest_discover_tests(unit_${area} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
    endif()
  endif()
endforeach()

# The core must stay free of GUI and X11: checked on every test run.
add_test(NAME core_has_no_gui_or_x11
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-core-deps.sh ${PROJECT_SOURCE_DIR}
                 $<TARGET_FILE:kelvra_core>)
set_tests_properties(core_has_no_gui_or_x11 PROPERTIES LABELS unit)

if(NOT KELVRA_CORE_ONLY AND EXISTS ${PROJECT_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()
