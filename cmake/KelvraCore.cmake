# The core: every component's logic, plain C++ with no GUI or X11 dependency.
set(KELVRA_CORE_DIRS app settings l10n geometry ax engine input tiling assist arrange cloud
    diagnostics ui)
set(KELVRA_CORE_SOURCES)
foreach(dir IN LISTS KELVRA_CORE_DIRS)
  file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
  list(APPEND KELVRA_CORE_SOURCES ${dir_sources})
endforeach()
file(GLOB port_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/port/*.cpp)
list(APPEND KELVRA_CORE_SOURCES ${port_sources})

add_library(kelvra_core STATIC ${KELVRA_CORE_SOURCES})
target_include_directories(kelvra_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
find_package(OpenSSL REQUIRED)
target_link_libraries(kelvra_core PUBLIC nlohmann_json::nlohmann_json OpenSSL::Crypto)

# Optional pieces that register themselves (localization tables, ...).
file(GLOB core_extras CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/core/*.cmake)
foreach(extra IN LISTS core_extras)
  include(${extra})
endforeach()
