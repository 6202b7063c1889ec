# `cpack -G DEB` in the build folder (or `make package`) makes ombrel_VERSION_ARCH.deb.
set(CPACK_PACKAGE_NAME ombrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ombrel developers")
set(OMBREL_MAINTAINER "Ombrel developers <ombrel@example.org>" CACHE STRING "The .deb's Maintainer field")
set(CPACK_PACKAGE_CONTACT ${OMBREL_MAINTAINER})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "non-destructive photo editor for camera RAW, JPEG, HEIC and PNG
Ombrel opens a folder of camera RAW files (CR2, CR3, NEF, ARW, DNG, RAF,
ORF, RW2) and JPEG, HEIC and PNG photos, culls them in a filmstrip with
ratings and flags, develops the current photo with a live preview, and
exports the selection as JPEG, TIFF or PNG. Photo files are only ever
read: edits, ratings and flags live in a small JSON file beside each photo.
.
The package also contains ombrel-cli, which exports photos and prints their
metadata from scripts with the same rendering.")
# Libraries linked in are found by dpkg-shlibdeps; what Qt loads at run time is
# named here: the X11/Wayland platform plugins, the SVG image plugin that
# draws the toolbar's themed icons, and the icon theme our own icon joins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "breeze-icon-theme")

include(CPack)
