# SPDX-License-Identifier: MIT
# Installation and the Debian package: the console, its manual page, desktop entry and icon.
include(GNUInstallDirs)

install(TARGETS mini-printer-test RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mini-printer-test.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mini-printer-test.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mini-printer-test.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mini-printer-test)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bench test console for small receipt and impact printers")
set(CPACK_PACKAGE_CONTACT "Mini Printer Test developers <mini-printer-test@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries it links (Qt 6, libstdc++) are found by dpkg-shlibdeps; the rest is declared: the
# platform plugins Qt needs to open a window, and Korean faces for the window's Hangul texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-nanum | fonts-noto-cjk")
include(CPack)

if(MPT_BUILD_TESTS)
  # The package built, installed into fresh directories and run there.
  add_test(NAME package
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 RUN_SERIAL ON)
endif()
