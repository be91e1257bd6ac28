# SPDX-License-Identifier: MIT
# Installation and the Debian package: the console, its manual page, desktop entry, AppStream
# metainfo, icons, licence and changelog, laid out as Debian's policy asks (manual page and
# changelog compressed with `gzip -9n`, the licence as a machine-readable copyright file, the
# program stripped in the package).
include(GNUInstallDirs)

set(MPT_CONTACT "Mini Printer Test developers <maintainers@mini-printer-test.org>")
set(MPT_APPSTREAM_ID org.mini_printer_test.MiniPrinterTest)
set(packaging_src ${CMAKE_CURRENT_LIST_DIR})
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

# The copyright file is made from LICENSE, so the two cannot drift apart: its copyright line
# gives the holder, the rest is the licence text, indented as the format asks (" ." for a blank
# line).
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
set(MPT_COPYRIGHT "")
set(MPT_LICENSE_TEXT "")
foreach(line IN LISTS license_lines)
  if(line MATCHES "^Copyright \\(c\\) (.+)$")
    set(MPT_COPYRIGHT "${CMAKE_MATCH_1}")
  elseif(MPT_COPYRIGHT AND line STREQUAL "")
    if(MPT_LICENSE_TEXT)
      string(APPEND MPT_LICENSE_TEXT " .\n")
    endif()
  elseif(MPT_COPYRIGHT)
    string(APPEND MPT_LICENSE_TEXT " ${line}\n")
  endif()
endforeach()
if(NOT MPT_COPYRIGHT OR NOT MPT_LICENSE_TEXT)
  message(FATAL_ERROR "LICENSE has no \"Copyright (c) ...\" line followed by the licence text")
endif()
string(STRIP "${MPT_LICENSE_TEXT}" MPT_LICENSE_TEXT)
set(MPT_LICENSE_TEXT " ${MPT_LICENSE_TEXT}")
set(CPACK_PACKAGE_CONTACT "${MPT_CONTACT}")
configure_file(${packaging_src}/copyright.in ${packaging_out}/copyright @ONLY)

# Manual page and changelog, compressed without a name or time stamp so the package is the same
# from build to build.
set(compressed)
foreach(in mini-printer-test.1 changelog)
  set(out ${in}.gz)
  add_custom_command(OUTPUT ${packaging_out}/${out}
                     COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${packaging_src}/${in}
                             ${packaging_out}/${out}
                     DEPENDS ${packaging_src}/${in}
                     COMMENT "Compressing ${in}" VERBATIM)
  list(APPEND compressed ${packaging_out}/${out})
endforeach()

# The icon in the sizes desktops and software centres ask for, drawn from the one SVG.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert (Debian package librsvg2-bin) is needed to draw the icons")
endif()
set(icon_sizes 48 64 128 256)
set(icons)
foreach(size IN LISTS icon_sizes)
  set(png ${packaging_out}/icons/${size}x${size}/mini-printer-test.png)
  add_custom_command(OUTPUT ${png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}x${size}
                     COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
                             ${packaging_src}/mini-printer-test.svg
                     DEPENDS ${packaging_src}/mini-printer-test.svg
                     COMMENT "Drawing the ${size}x${size} icon" VERBATIM)
  list(APPEND icons ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${compressed} ${icons})

install(TARGETS mini-printer-test RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging_out}/mini-printer-test.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_src}/mini-printer-test.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_src}/${MPT_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging_src}/mini-printer-test.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging_out}/copyright ${packaging_out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mini-printer-test)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bench test console for small receipt and impact printers")
set(CPACK_PACKAGE_DESCRIPTION
    "Connect one printer by serial port, parallel port or a USB link that shows
up as a serial port, type a repeat count and press one of thirteen buttons:
the console sends that button's fixed test stream (Korean text in code page
949 mixed with the printer's control sequences) and writes a one-line
result message.

A status line shows the progress of a run, what the device reports (modem
lines, paper out, off line) and where each port leads; a run can be stopped
at any time. The routines also run without a window, from scripts. With no
printer at hand, a virtual printer on pseudo-terminals shows each page as
it would come out.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
# The program is stripped in the package; the build tree keeps the symbols for debugging.
set(CPACK_MPT_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${packaging_src}/strip.cmake)
# The libraries it links (Qt 6, libstdc++) are found by dpkg-shlibdeps; libqt6gui6 brings the
# X11 and offscreen platform plugins. The window's Hangul texts want a Korean face, but the
# program runs (and says so) without one; Qt's own buttons (OK, Cancel) are Korean in a Korean
# locale with Qt's translations, English without them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum | fonts-noto-cjk, qt6-translations-l10n")
include(CPack)

if(MPT_BUILD_TESTS)
  # The package built, checked by lintian, installed into fresh directories and run there.
  if(MPT_HARDENING_FLAGS)
    set(hardening hardened)
  else()
    set(hardening unhardened)
  endif()
  add_test(NAME package
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${CMAKE_BINARY_DIR}
                   ${PROJECT_SOURCE_DIR} ${MPT_APPSTREAM_ID} ${hardening})
  set_tests_properties(package PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 RUN_SERIAL ON LABELS slow)
  # Every option the program's --help names has its entry in the manual page, and no other.
  add_test(NAME packaging.manual_page_options
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/manual_page_test.sh $<TARGET_FILE:mini-printer-test>
                   ${CMAKE_CURRENT_LIST_DIR}/mini-printer-test.1)
  set_tests_properties(packaging.manual_page_options PROPERTIES LABELS quick)
endif()
