# The Debian package, built with `cpack -G DEB` in the build directory. Its dependencies are
# what dpkg-shlibdeps finds in the binaries plus what is loaded by name at run time.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrovane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kestrovane developers")
set(CPACK_PACKAGE_CONTACT "Kestrovane developers <dev@kestrovane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of a prepaid PC-to-phone text service")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrovane signs in to a prepaid PC-to-mobile-phone text messaging\n\
service, keeps the member's contacts in groups and chats with each\n\
partner's phone in a window of its own. It sends one text to many\n\
partners at once or at a reserved time and shows the prepaid balance.\n\
Its interface is Korean.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KESTROVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Loaded by name, so no linker records them: the GStreamer elements that fetch, decode and play
# the alarm sound, and a Korean font. (The browser engine's helper process comes with its
# library's own dependencies.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-noto-cjk | fonts-nanum | fonts-unfonts-core")
# A Wayland session: XWayland, on which the program places its windows, and the Wayland
# platform plugin for a session without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xwayland")
include(CPack)
