# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME nvxprint)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The nvxprint developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print utility for colour laser printers with white toner")
set(CPACK_PACKAGE_DESCRIPTION
    "nvxprint turns images into complete PostScript jobs for colour laser printers
with a white toner unit (OKI C711WT, Pro7411WT, Pro9420WT, Pro8432WT and their
relatives) and sends them raw to the printer. The white layer is decided pixel
by pixel, so what comes out matches the preview on dark and transparent
transfer media. It has a window and a command line that print, preview and
price a print the same way.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A RelWithDebInfo build carries its debugging data; the package does not.
set(CPACK_STRIP_FILES ON)

set(NVX_PACKAGE_MAINTAINER
    "nvxprint maintainers <maintainers@users.noreply.c-seed-840e55e0.example>"
    CACHE STRING "The Debian package's Maintainer field")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NVX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opened or run at run time, so the library scan cannot see them: libheif for
# HEIC images, DevIL for run-length bitmaps, Ghostscript for EPS and PostScript
# artwork (poppler and librsvg are linked, and found by the scan).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libheif1, libdevil1c2, ghostscript")
# Printing to a file needs no CUPS server; it holds the printer queues.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups")
set(CPACK_GENERATOR DEB)
include(CPack)
