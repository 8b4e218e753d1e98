# `make install`: the program, and the desktop entry that makes it the handler of
# kelvra: links (the sign-in callback reaches the running instance through it).
include(GNUInstallDirs)
install(TARGETS kelvra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/kelvra.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
