# The program itself: the X11 desktop, the user interface and the core, wired in main.cpp.
add_executable(quarlin ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
set(QUARLIN_FEEDBACK_ADDRESS "" CACHE STRING "Address the settings tab offers for feedback (empty: no feedback row)")
target_compile_definitions(quarlin PRIVATE QUARLIN_VERSION="${PROJECT_VERSION}"
    QUARLIN_FEEDBACK_ADDRESS="${QUARLIN_FEEDBACK_ADDRESS}")
target_link_libraries(quarlin PRIVATE quarlin_menubar quarlin_ui quarlin_ui_home quarlin_app quarlin_sync quarlin_x11 quarlin_x11_hotkeys quarlin_xdg quarlin_options)
quarlin_shortcuts_bundle(quarlin)
include(GNUInstallDirs)
install(TARGETS quarlin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
