# The Debian package, made by CPack: ./package.sh, or cmake --build build --target package.
if(NOT (UNIX AND NOT APPLE))
    return()
endif()

# Debian wants a changelog in every binary package; it is made from the one version. The
# version has no Debian revision (a native package), so it is changelog.gz.
string(TIMESTAMP KVQ_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${KVQ_PACKAGING_DIR}/changelog.in ${KVQ_GENERATED_DIR}/changelog @ONLY)
set(KVQ_CHANGELOG ${KVQ_GENERATED_DIR}/changelog.gz)
add_custom_command(OUTPUT ${KVQ_CHANGELOG}
    COMMAND ${KVQ_GZIP} -9 -n -c ${KVQ_GENERATED_DIR}/changelog > ${KVQ_CHANGELOG}
    DEPENDS ${KVQ_GENERATED_DIR}/changelog
    VERBATIM)
add_custom_target(kvq_changelog ALL DEPENDS ${KVQ_CHANGELOG})
install(FILES ${KVQ_CHANGELOG} DESTINATION ${KVQ_DOC_DIR})

set(KVQ_DATA_DIR_INSTALLED /usr/${KVQ_APP_DIR}/Data)
configure_file(${KVQ_PACKAGING_DIR}/postinst.in ${KVQ_GENERATED_DIR}/control/postinst @ONLY)
configure_file(${KVQ_PACKAGING_DIR}/postrm.in ${KVQ_GENERATED_DIR}/control/postrm @ONLY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvq-transfer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KVQ data transfer developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KVQ data transfer developers <kvq-transfer@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "receive field instrument data over RS-232 as .kvq files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "KVQ data transfer receives the stored observations of field
electrical-prospecting instruments (KVQ-3, KVQ-3B, HXR, WKT-4, WKP-7) over
a serial line, shows them line by line and saves them as .kvq raw-data
files in the layout of the instrument type. Its window is in Chinese.

Also included: kvq-convert, which converts a serial capture into a .kvq
file, and kvq-sim, which plays an instrument on a pseudo-terminal.")
# The libraries come from dpkg-shlibdeps. Qt loads its X11 platform plugin (xcb) at run
# time, where dpkg-shlibdeps cannot see it; Debian ships it in libqt6gui6, which the
# program links (qt6-qpa-plugins holds only the VNC and TUIO plugins).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${KVQ_GENERATED_DIR}/control/postinst ${KVQ_GENERATED_DIR}/control/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
