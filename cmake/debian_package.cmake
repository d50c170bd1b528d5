# The Debian package of the Linux tools (quelmar-play, quelmar-timing), made
# by CPack from a native build: cpack -G DEB (scripts/package.sh does it).
# The package holds only what is installed below: installing builds nothing,
# the targets are built first (scripts/package.sh, or the test's build).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(TARGETS quelmar-play quelmar-timing RUNTIME DESTINATION bin)
install(FILES ${CMAKE_BINARY_DIR}/player/quelmar-play.1.gz DESTINATION share/man/man1)
install(FILES player/README.Debian DESTINATION share/doc/quelmar-play)
install(FILES LICENSE DESTINATION share/doc/quelmar-play RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelmar-play)
set(CPACK_PACKAGE_VERSION ${QUELMAR_PRODUCT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quelmar project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plays Quelmar step programs on a Linux parallel port")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "quelmar-play writes each step of a Quelmar program file (.prl) to the
eight data lines of a parallel port through the kernel's ppdev driver,
holding each byte for its duration with microsecond timing.
quelmar-timing checks the timing of a run from its port trace.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
