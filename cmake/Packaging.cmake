# The Debian package: cpack -G DEB in a build directory, after a build. Its
# dependencies come from the shared libraries the programs link
# (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME lemnar)
set(CPACK_PACKAGE_VENDOR "Lemnar")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "telnet terminal for QNX servers")
set(CPACK_PACKAGE_DESCRIPTION
    "Lemnar opens a telnet connection to a QNX server and shows its character
console exactly: QNX console sequences, a subset of ANSI, or plain text, with
the server's drawing commands over the character grid. Keys go to the server
as its console expects them; typed Cyrillic is sent in code page 866.

The package also holds lemnar-replay, which runs a byte stream or a session
log through the terminal without a window, and lemnar-demo-server, a small
QNX-like telnet server for trying the terminal out.")
set(LEMNAR_PACKAGE_MAINTAINER "Lemnar developers <lemnar@localhost>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${LEMNAR_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The terminal's font when the preferred face is not installed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
include(CPack)
