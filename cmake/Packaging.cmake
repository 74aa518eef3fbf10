# Installation layout and the Debian package.
#
#   <prefix>/lib/zovaz/zovaz        the client; it finds what it ships beside its
#   <prefix>/lib/zovaz/__app        resolved path: the start-page content,
#   <prefix>/lib/zovaz/app.cfg      the default configuration
#   <prefix>/lib/zovaz/icons/       and its window icons
#   <prefix>/bin/zovaz              relative symlink to the client
#   <prefix>/share/applications/, share/metainfo/, share/icons/hicolor/
#                                   desktop entry, AppStream data, menu icons
#   <prefix>/share/man/man1/zovaz.1.gz, share/doc/zovaz/
#                                   the manual page, the changelog and the
#                                   copyright notice a Debian package must carry
#
# The test programs and the stand-in shop (a tool for the demo and the tests,
# run from the build tree) are never installed.

set(ZOVAZ_DESKTOP_ID cz.marlevo.Zovaz)
# The built-in vendor site is the stand-in shop on loopback, for the demo and
# the tests; what software centres show has to be the vendor's public site.
set(ZOVAZ_VENDOR_HOMEPAGE "https://www.marlevo.cz" CACHE STRING
  "Vendor's public web site (https, no trailing slash), named in the package metadata")
set(ZOVAZ_PRIVATE_DIR lib/zovaz)
set(ZOVAZ_DESKTOP_SOURCE ${CMAKE_SOURCE_DIR}/data/desktop)
set(ZOVAZ_WINDOW_ICONS
  ${ZOVAZ_DESKTOP_SOURCE}/${ZOVAZ_DESKTOP_ID}-48.png
  ${ZOVAZ_DESKTOP_SOURCE}/${ZOVAZ_DESKTOP_ID}-128.png)

# The client run from the build tree shows the same window icon as an
# installed one.
add_custom_command(TARGET zovaz POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:zovaz>/icons
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZOVAZ_WINDOW_ICONS} $<TARGET_FILE_DIR:zovaz>/icons)

install(TARGETS zovaz RUNTIME DESTINATION ${ZOVAZ_PRIVATE_DIR})
install(DIRECTORY data/__app DESTINATION ${ZOVAZ_PRIVATE_DIR})
install(FILES data/app.cfg DESTINATION ${ZOVAZ_PRIVATE_DIR})
install(FILES ${ZOVAZ_WINDOW_ICONS} DESTINATION ${ZOVAZ_PRIVATE_DIR}/icons)

# Relative, so that the tree can be moved or staged under DESTDIR.
set(ZOVAZ_LAUNCHER ${CMAKE_BINARY_DIR}/install-links/zovaz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
file(CREATE_LINK ../${ZOVAZ_PRIVATE_DIR}/zovaz ${ZOVAZ_LAUNCHER} SYMBOLIC)
install(FILES ${ZOVAZ_LAUNCHER} DESTINATION bin)

install(FILES ${ZOVAZ_DESKTOP_SOURCE}/${ZOVAZ_DESKTOP_ID}.desktop DESTINATION share/applications)
configure_file(${ZOVAZ_DESKTOP_SOURCE}/${ZOVAZ_DESKTOP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/desktop/${ZOVAZ_DESKTOP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${ZOVAZ_DESKTOP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${ZOVAZ_DESKTOP_SOURCE}/${ZOVAZ_DESKTOP_ID}.svg
  DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 48 128)
  install(FILES ${ZOVAZ_DESKTOP_SOURCE}/${ZOVAZ_DESKTOP_ID}-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${ZOVAZ_DESKTOP_ID}.png)
endforeach()

# Compressed as Debian wants them: best compression, no name or time stamp
# in the header, so that two builds give the same bytes.
set(ZOVAZ_PACKAGE_SOURCE ${CMAKE_SOURCE_DIR}/data/package)
set(ZOVAZ_PACKAGE_BUILT ${CMAKE_BINARY_DIR}/package)
set(ZOVAZ_GZIPPED)
foreach(file zovaz.1 changelog)
  add_custom_command(OUTPUT ${ZOVAZ_PACKAGE_BUILT}/${file}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZOVAZ_PACKAGE_BUILT}
    COMMAND gzip -9nc ${ZOVAZ_PACKAGE_SOURCE}/${file} > ${ZOVAZ_PACKAGE_BUILT}/${file}.gz
    DEPENDS ${ZOVAZ_PACKAGE_SOURCE}/${file}
    VERBATIM)
  list(APPEND ZOVAZ_GZIPPED ${ZOVAZ_PACKAGE_BUILT}/${file}.gz)
endforeach()
add_custom_target(zovaz_package_docs ALL DEPENDS ${ZOVAZ_GZIPPED})
install(FILES ${ZOVAZ_PACKAGE_BUILT}/zovaz.1.gz DESTINATION share/man/man1)
install(FILES ${ZOVAZ_PACKAGE_BUILT}/changelog.gz ${ZOVAZ_PACKAGE_SOURCE}/copyright
  DESTINATION share/doc/zovaz)

# `cpack -G DEB` in the build folder makes zovaz_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zovaz)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Marlevo s.r.o.")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop client of the Z-ovaz online shop")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Marlevo s.r.o. <podpora@marlevo.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZOVAZ_VENDOR_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION
  "Opens the online shop of Marlevo in a window of its own, with a menu to\n\
log in and out, stored credentials (the password only as a digest), an\n\
offline start page and printing.")
# Dependencies come from the binaries themselves, not from a list kept by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# Builds the package, installs it, runs the installed client and removes it
# again; needs root and is skipped (77) without it.
add_test(NAME package COMMAND ${CMAKE_SOURCE_DIR}/tests/package/check-deb ${CMAKE_BINARY_DIR})
set_tests_properties(package PROPERTIES LABELS package TIMEOUT 300 SKIP_RETURN_CODE 77 RUN_SERIAL ON)
