# Real, platform-neutral implementations of ports that follow the XDG conventions
# (the settings file, autostart entries, the environment locale).
file(GLOB KELVRA_XDG_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/xdg/*.cpp)
add_library(kelvra_xdg STATIC ${KELVRA_XDG_SOURCES})
target_link_libraries(kelvra_xdg PUBLIC kelvra_core)
