# `cpack -G DEB` in the build folder: the Linux desktop program as a Debian
# package. Library dependencies come from dpkg-shlibdeps; the rest are
# what the program needs at run time besides its libraries.
set(CPACK_PACKAGE_NAME "vorundel")
set(CPACK_PACKAGE_VENDOR "Vorundel")
set(CPACK_PACKAGE_CONTACT "Vorundel developers <vorundel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Opens a chosen file when the computer returns from suspend")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11 platform plugin, the MIME database the associations come from.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, shared-mime-info")
# The frame caption's metric-compatible font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
include(CPack)
