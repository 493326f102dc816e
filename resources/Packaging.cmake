# The Debian package that `make package` builds: its dependencies are the
# libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dirvanta)
set(CPACK_PACKAGE_VENDOR "The Dirvanta 97 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Keeps a catalog of the contents of disks")
set(CPACK_PACKAGE_DESCRIPTION
    "Dirvanta 97 records every folder and file of a medium in a catalog database that can be\n\
browsed offline, searched, commented, exported and imported, and archives folders as ZIP\n\
sets onto a pool of labelled removable volumes. The window program is dirvanta, the\n\
command-line tool dirvanta-cli.")
set(CPACK_PACKAGE_CONTACT "The Dirvanta 97 developers <dirvanta@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt GUI library only recommends the X11 platform plugin, without which
# the window cannot start; Wayland desktops run it natively with qt6-wayland.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
