# Installation to a prefix and the Debian package.
include(GNUInstallDirs)

foreach(program pixmira pixmira-batch)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/data/Frames/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmira/Frames)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/pixmira.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/pixmira-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME pixmira.png)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/pixmira-128.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps RENAME pixmira.png)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/pixmira.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/io.github.pixmira.Pixmira.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/man/pixmira-batch.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/completion/pixmira-batch
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pixmira)
# Where Debian looks for a package's licence.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pixmira
        RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixmira)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT "Pixmira team <team@pixmira.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch picture tool for marketplace sellers")
set(CPACK_PACKAGE_DESCRIPTION
    "Shrinks, frames and watermarks many product photos at once and writes JPEG files or one looping animated GIF.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies are the shared libraries the programs actually link against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Chinese words for the standard dialogs and buttons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-zenhei")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
