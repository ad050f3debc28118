# The Debian package: `cpack -G DEB` in the build directory. It holds what `cmake --install`
# installs under /usr; dpkg-shlibdeps computes the libraries it depends on, and Qt's platform
# plugins, which the program loads at run time, are named by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexmora-monitor)
set(CPACK_PACKAGE_VENDOR Vexmora)
set(CPACK_PACKAGE_CONTACT "Vexmora <monitor@vexmora.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Live monitoring of one stereo pair of an audio input")
set(CPACK_PACKAGE_DESCRIPTION
  "Plays one stereo pair of an audio input, with low latency and no audible drift, to the system's
default output, with peak meters, a status console, a mute latch and diagnostics.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire, qt6-wayland")
include(CPack)
