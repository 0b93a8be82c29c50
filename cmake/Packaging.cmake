# Installs Framory where the desktop looks for it (XDG places under the
# prefix) and makes a Debian package of that tree with CPack.
include(GNUInstallDirs)

# Programs that the installed program runs: each is installed into bin/ and
# listed for the install test, which checks that the installed tree has
# every one of them.
function(framory_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set_property(GLOBAL APPEND PROPERTY FRAMORY_INSTALLED_PROGRAMS ${target})
endfunction()

# The program's icon, drawn in code, exported at build time in the sizes of
# the hicolor theme.
set(FRAMORY_ICON_SIZES 16 22 24 32 48 64 128 256)
set(FRAMORY_ICON_DIR ${CMAKE_BINARY_DIR}/share/icons/hicolor)
add_executable(framory_export_icon ${PROJECT_SOURCE_DIR}/assets/export_icon.cpp
  ${PROJECT_SOURCE_DIR}/src/qt/forms/artwork.cpp)
target_include_directories(framory_export_icon PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(framory_export_icon PRIVATE Qt6::Gui)
set_target_properties(framory_export_icon PROPERTIES AUTOMOC OFF)
framory_warnings(framory_export_icon)
set(FRAMORY_ICON_FILES)
foreach(size ${FRAMORY_ICON_SIZES})
  list(APPEND FRAMORY_ICON_FILES ${FRAMORY_ICON_DIR}/${size}x${size}/apps/framory.png)
endforeach()
add_custom_command(
  OUTPUT ${FRAMORY_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:framory_export_icon> ${FRAMORY_ICON_DIR}
    ${FRAMORY_ICON_SIZES}
  DEPENDS framory_export_icon
  COMMENT "Drawing the program's icon"
  VERBATIM)
add_custom_target(framory_icons ALL DEPENDS ${FRAMORY_ICON_FILES})
install(DIRECTORY ${FRAMORY_ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

set(FRAMORY_ASSETS ${PROJECT_SOURCE_DIR}/assets)
install(FILES ${FRAMORY_ASSETS}/framory.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${FRAMORY_ASSETS}/framory.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The settings file of XScreenSaver's display mode, where its settings
# program reads the modes' descriptions.
install(FILES ${FRAMORY_ASSETS}/framory.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

# The Debian package: libraries found by dpkg-shlibdeps, plus what the
# program loads at run time that no library names.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME framory)
set(CPACK_PACKAGE_VENDOR "Obelin Software")
set(CPACK_PACKAGE_CONTACT "Obelin Software <support@obelin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture slideshow screen saver")
set(CPACK_PACKAGE_DESCRIPTION
  "Framory covers the screen and shows the pictures of chosen folders one after another with random transition effects, frames and captions over a gradient background, plays their sounds, prints the picture on show and guards its end with its own password. It runs from the desktop's idle and lock tools (xss-lock, xautolock) and as a display mode of XScreenSaver.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.obelin.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts the dialogs and captions are laid out for; then the MIDI patches
# of the sound player, GNOME's settings schemas (read for the lock switch and
# the wallpaper) and the fonts of the WMF decoder.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "freepats, gsettings-desktop-schemas, gsfonts")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver, xss-lock, xautolock, cups")
include(CPack)
