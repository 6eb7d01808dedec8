# Two Debian packages from one build: `cmake --build build --target package`.
#   ciarlachat       the window, CiarlaServer, their data, desktop entry and icons
#   ciarla-servizio  the chat service and its systemd unit
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ciarlachat)
set(CPACK_PACKAGE_VENDOR CiarlaSoft)
set(CPACK_PACKAGE_CONTACT "CiarlaSoft <posta@ciarlasoft.example>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The service's defaults go to /etc, outside the /usr prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL chat servizio)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE ciarlachat)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.ciarlasoft.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_CHAT_PACKAGE_NAME ciarlachat)
# Qt's X11 and Wayland back ends are plug-ins, which dpkg-shlibdeps cannot see;
# the bus starts CiarlaServer; the transcript and the guide use Liberation fonts.
set(CPACK_DEBIAN_CHAT_PACKAGE_DEPENDS
  "qt6-qpa-plugins, default-dbus-session-bus | dbus-session-bus, fonts-liberation")
# xdg-open opens the guide and the web pages; with no setting of its own the window
# talks to the service on this machine; Qt's own texts come in Italian.
set(CPACK_DEBIAN_CHAT_PACKAGE_RECOMMENDS "xdg-utils, ciarla-servizio, qt6-translations-l10n")
set(CPACK_DEBIAN_CHAT_PACKAGE_SUGGESTS "pdf-viewer")
set(CPACK_COMPONENT_CHAT_DESCRIPTION "public chat whose conversation lives on a web server
CiarlaChat is a desktop window for a public chat: pick one of the rooms of
the CiarlaChat service, or a chat server of your own, type a nickname and a
message, and read what everyone writes, refreshed every five seconds.

Its web requests are made by CiarlaServer, which the D-Bus session bus
starts on demand. The user interface is in Italian.")

set(CPACK_DEBIAN_SERVIZIO_PACKAGE_NAME ciarla-servizio)
set(CPACK_DEBIAN_SERVIZIO_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/deploy/systemd/debian/conffiles
  ${PROJECT_SOURCE_DIR}/deploy/systemd/debian/postinst
  ${PROJECT_SOURCE_DIR}/deploy/systemd/debian/prerm
  ${PROJECT_SOURCE_DIR}/deploy/systemd/debian/postrm)
set(CPACK_COMPONENT_SERVIZIO_DESCRIPTION "chat service for CiarlaChat
ciarla-servizio serves the public rooms, the private room and the web pages
of a CiarlaChat service over HTTP, and keeps the messages in SQLite.

The package installs a hardened systemd unit, ciarla-servizio.service,
without enabling or starting it; its options are in
/etc/default/ciarla-servizio.")

# Compressed the way Debian wants manual pages and changelogs: no name, no time stamp.
function(ciarla_gzip source output)
  get_filename_component(folder ${output} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source} VERBATIM)
endfunction()

# Every package carries its copyright and changelog.
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
ciarla_gzip(${PROJECT_SOURCE_DIR}/docs/packaging/changelog ${changelog})
add_custom_target(ciarla_changelog ALL DEPENDS ${changelog})
set(packages ciarlachat ciarla-servizio)
foreach(component package IN ZIP_LISTS CPACK_COMPONENTS_ALL packages)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/packaging/copyright ${changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
include(CPack)
