# Installs the program as a desktop application (the binary, its menu entry, icons, AppStream
# data and manual page) and packages it as a .deb with its dependencies declared.
include(GNUInstallDirs)

set(vx_images ${PROJECT_SOURCE_DIR}/src/app/gui/images)
install(TARGETS vextral RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vextral.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.vextral.vextral.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${vx_images}/vextral-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME vextral.png)
endforeach()
install(FILES ${vx_images}/vextral.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/docs/vextral.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vextral)
set(CPACK_PACKAGE_VENDOR "Vextral maintainers")
set(CPACK_PACKAGE_CONTACT "Vextral maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Check, repair, rebuild and merge MAME ROM sets")
set(CPACK_PACKAGE_DESCRIPTION
    "Vextral checks MAME ROM and sample folders against MAME's game list, repairs what can be\n"
    "repaired without losing data, rebuilds sets from files found elsewhere and merges or\n"
    "splits parent and clone sets, from its window or from the command line.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries' packages (Qt, libzip, zlib, the C++ runtime) from the binary itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
