# The Debian package lexicarta-desktop, made by CPack from the install rules (scripts/package).
set(LEXICARTA_PACKAGE_CONTACT "Lexicarta Desktop developers <desktop@lexicarta.example>" CACHE STRING
    "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lexicarta-desktop)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Lexicarta)
set(CPACK_PACKAGE_CONTACT ${LEXICARTA_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vocabulary flash cards of the Lexicarta service on the desktop")
# The long description's lines stay under 80 columns, as Debian's tools show them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Lexicarta Desktop (렉시카르타 데스크톱) is the desktop companion of the\n"
    "Lexicarta vocabulary service. Members sign in with their service account,\n"
    "pick one of their vocabulary books and study it while they work: one card at\n"
    "a time in a small window, with pronunciation, pictures and an icon in the\n"
    "notification area.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders 0755 and files as installed (0644, the program 0755), all owned by root, whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LEXICARTA_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the program links (FFmpeg's, which decode the pronunciations, among them) come from
# dpkg-shlibdeps; what it only loads at run time is named: the Korean fonts its texts are drawn in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-nanum")
# Metric-compatible Latin fonts for the card page; the Wayland plug-in for sessions without XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, qt6-wayland")

include(CPack)
