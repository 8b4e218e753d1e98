# What the X11 backend and the Qt shell need beyond the common desktop set.
pkg_check_modules(XKBCOMMON REQUIRED IMPORTED_TARGET xkbcommon)
target_link_libraries(kelvra_x11 PUBLIC PkgConfig::XKBCOMMON)

target_compile_definitions(kelvra_qt PRIVATE KELVRA_VERSION="${PROJECT_VERSION}")
# The settings file, autostart entry and locale of the real desktop.
target_link_libraries(kelvra PRIVATE kelvra_xdg)

# A small XTest driver: real key presses and pointer drags for the tour and the
# end-to-end tests, and window frames to print.
add_executable(kelvra-keys ${PROJECT_SOURCE_DIR}/tools/kelvra-keys.cpp)
target_link_libraries(kelvra-keys PRIVATE PkgConfig::X11LIBS)
