# The real desktop: the X11 backend, the Qt shell and the program itself.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET x11 xi xrandr xext xtst x11-xcb xcb xcb-icccm xcb-res)

file(GLOB KELVRA_X11_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/x11/*.cpp)
add_library(kelvra_x11 STATIC ${KELVRA_X11_SOURCES})
target_link_libraries(kelvra_x11 PUBLIC kelvra_core PkgConfig::X11LIBS)

file(GLOB KELVRA_QT_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/qt/*.cpp)
add_library(kelvra_qt STATIC ${KELVRA_QT_SOURCES})
set_target_properties(kelvra_qt PROPERTIES AUTOMOC ON)
target_link_libraries(kelvra_qt PUBLIC kelvra_core kelvra_x11 Qt6::Widgets Qt6::Network)

add_executable(kelvra ${PROJECT_SOURCE_DIR}/src/main.cpp)
target_link_libraries(kelvra PRIVATE kelvra_qt kelvra_x11 kelvra_core)

file(GLOB desktop_extras CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/desktop/*.cmake)
foreach(extra IN LISTS desktop_extras)
  include(${extra})
endforeach()
