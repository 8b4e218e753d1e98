# The program's own surfaces drawn with Qt Widgets. Only the program links this
# library; the core reaches the surfaces through the port and never does.
file(GLOB KELVRA_VIEWS_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/src/platform/qt/views/*.cpp)
add_library(kelvra_views STATIC ${KELVRA_VIEWS_SOURCES})
target_link_libraries(kelvra_views PUBLIC kelvra_core kelvra_x11 Qt6::Widgets)
target_link_libraries(kelvra PRIVATE kelvra_views)
# The core's listener primitive has an emit() member, which Qt's `emit` keyword macro
# would swallow: everything that sees both uses Qt's Q_EMIT-style names instead.
target_compile_definitions(kelvra_views PUBLIC QT_NO_KEYWORDS)
