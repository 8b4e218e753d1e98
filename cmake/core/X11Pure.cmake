# The X11 backend's pure logic (strut and frame arithmetic, window kinds, desktop
# entries): plain C++ without Xlib, so that the unit tests and the sanitizer build,
# which has no desktop, can check it.
file(GLOB KELVRA_X11_PURE_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/src/platform/x11/pure/*.cpp)
add_library(kelvra_x11_pure STATIC ${KELVRA_X11_PURE_SOURCES})
target_link_libraries(kelvra_x11_pure PUBLIC kelvra_core)

# The backend and the unit tests are defined after this file is read.
function(kelvra_link_x11_pure)
  if(TARGET kelvra_x11)
    target_link_libraries(kelvra_x11 PUBLIC kelvra_x11_pure)
  endif()
  if(TARGET unit_x11)
    target_link_libraries(unit_x11 PRIVATE kelvra_x11_pure)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL kelvra_link_x11_pure)
