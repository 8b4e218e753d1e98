# The simulated desktop: an in-memory implementation of the platform port with a
# virtual clock. Every logic test runs on it.
file(GLOB KELVRA_SIM_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/sim/*.cpp)
add_library(kelvra_sim STATIC ${KELVRA_SIM_SOURCES})
target_link_libraries(kelvra_sim PUBLIC kelvra_core)
