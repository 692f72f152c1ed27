# Installation as a desktop program, and the .deb package made from it.
#
# The viewer and its translation files live together in lib/lorvane (the
# dictionary looks for its files beside the program), reached through the
# link bin/lorvane; dravo goes to bin. The desktop entry and the MIME package
# are the texts the viewer registers for a user (tools/desktopfiles writes
# them), the icon goes into the hicolor theme for the program and for its
# documents. `cmake --install` records every file in install_manifest.txt,
# which cmake/Uninstall.cmake reads back.

set(LORVANE_PROGRAM_DIR lib/lorvane)

install(TARGETS lorvane RUNTIME DESTINATION ${LORVANE_PROGRAM_DIR})
install(TARGETS dravo RUNTIME DESTINATION bin)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
file(CREATE_LINK ../${LORVANE_PROGRAM_DIR}/lorvane ${CMAKE_BINARY_DIR}/install/lorvane SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install/lorvane DESTINATION bin)

file(GLOB LORVANE_TRANSLATIONS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/translations/lorvane-*.LAND)
if(LORVANE_TRANSLATIONS)
  install(FILES ${LORVANE_TRANSLATIONS} DESTINATION ${LORVANE_PROGRAM_DIR})
endif()

set(LORVANE_DESKTOP_ENTRY ${CMAKE_BINARY_DIR}/install/lorvane.desktop)
set(LORVANE_MIME_PACKAGE ${CMAKE_BINARY_DIR}/install/lorvane-dravo.xml)
add_custom_command(OUTPUT ${LORVANE_DESKTOP_ENTRY} ${LORVANE_MIME_PACKAGE}
  COMMAND desktopfiles ${LORVANE_DESKTOP_ENTRY} ${LORVANE_MIME_PACKAGE}
  DEPENDS desktopfiles
  COMMENT "Writing the desktop entry and the MIME package")
add_custom_target(desktop_files ALL DEPENDS ${LORVANE_DESKTOP_ENTRY} ${LORVANE_MIME_PACKAGE})
install(FILES ${LORVANE_DESKTOP_ENTRY} DESTINATION share/applications)
install(FILES ${LORVANE_MIME_PACKAGE} DESTINATION share/mime/packages)

foreach(size 16 22 24 32)
  foreach(pair "apps;lorvane" "mimetypes;application-x-pivotcube")
    list(GET pair 0 context)
    list(GET pair 1 name)
    install(FILES ${PROJECT_SOURCE_DIR}/icons/desktop/lorvane-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/${context} RENAME ${name}.png)
  endforeach()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/icons/desktop/lorvane.svg DESTINATION share/icons/hicolor/scalable/apps RENAME lorvane.svg)
install(FILES ${PROJECT_SOURCE_DIR}/icons/desktop/lorvane.svg DESTINATION share/icons/hicolor/scalable/mimetypes RENAME application-x-pivotcube.svg)

# The .deb: the same files under /usr; the library dependencies are found by
# dpkg-shlibdeps from the programs themselves. Debian's triggers refresh the
# MIME, desktop and icon caches.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Veltrano)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop viewer for OLAP micro-cubes (.Dravo documents) and its command-line companion dravo")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lorvane developers <lorvane@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
