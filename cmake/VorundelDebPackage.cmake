# What the Linux program ships besides the binary and its desktop entry,
# and `cpack -G DEB` in the build folder: the program as a Debian package.
include(GNUInstallDirs)
set(vorundel_resources "${PROJECT_SOURCE_DIR}/resources")
set(vorundel_doc "${CMAKE_INSTALL_DATADIR}/doc/vorundel")

# Debian wants the manual page and the changelog compressed without a
# time stamp, so that the package builds byte for byte the same.
find_program(VORUNDEL_GZIP gzip REQUIRED)
set(vorundel_compressed)
foreach(source vorundel.1 changelog)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${source}.gz")
  add_custom_command(OUTPUT "${out}"
    COMMAND "${VORUNDEL_GZIP}" -9n -c "${vorundel_resources}/${source}" > "${out}"
    DEPENDS "${vorundel_resources}/${source}" VERBATIM)
  list(APPEND vorundel_compressed "${out}")
endforeach()
add_custom_target(vorundel_compressed_docs ALL DEPENDS ${vorundel_compressed})

install(FILES "${CMAKE_CURRENT_BINARY_DIR}/vorundel.1.gz"
  DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz"
  "${vorundel_resources}/copyright" DESTINATION "${vorundel_doc}")
install(FILES "${vorundel_resources}/io.github.vorundel.vorundel.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Hardened as Debian builds its programs: the whole GOT read-only.
target_link_options(vorundel PRIVATE -Wl,-z,relro,-z,now)
# A stripped install (CPack strips) also drops the compiler's notes, as
# dh_strip does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\"
      --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vorundel\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")

set(CPACK_PACKAGE_NAME "vorundel")
set(CPACK_PACKAGE_VENDOR "Vorundel")
set(CPACK_PACKAGE_CONTACT
  "Vorundel authors <vorundel@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "open a chosen file when the computer returns from suspend")
# The extended description, one paragraph per line; dpkg wants every
# line indented by one space, which CPack adds.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Vorundel is a small desktop utility that opens one chosen file
automatically when the computer comes back from suspend.
.
Drop a file on its window, press Set and confirm: Vorundel checks that
the file exists and that the desktop associates an application with its
type, then minimizes itself. When logind reports a resume while the
window is still minimized, the file is opened with the desktop's default
application and the program ends. Restoring the window disarms it.
.
The window and its messages are in Japanese.]=])
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_STRIP_FILES ON)
# Directories as Debian makes them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The MIME database the associations come from. Qt's X11 platform plugin,
# which the window uses on X11 and through XWayland, ships in libqt6gui6
# (a shared-library dependency).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info")
# The frame caption's metric-compatible font; the buttons of the message
# boxes in the user's language; on a Wayland desktop, the X server through
# which the compositor reports minimize and restore.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-ipafont-gothic, qt6-translations-l10n, xwayland")
# Only for a Wayland desktop without XWayland.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
include(CPack)
