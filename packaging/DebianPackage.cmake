# The Debian package: man pages from their scdoc sources, PNG icons rendered from the scalable one,
# Debian's documentation files, and CPack's DEB generator over the whole installation.
# Version and revision are the identity's version and build number.
find_program(FLITBAR_SCDOC scdoc REQUIRED)
find_program(FLITBAR_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(FLITBAR_GZIP gzip REQUIRED)
find_program(FLITBAR_DPKG dpkg REQUIRED)

set(FLITBAR_MAINTAINER "Flitbar <packages@flitbar.dev>")
set(FLITBAR_DEB_VERSION ${PROJECT_VERSION}-${FLITBAR_BUILD_NUMBER})
execute_process(COMMAND ${FLITBAR_DPKG} --print-architecture OUTPUT_VARIABLE FLITBAR_DEB_ARCHITECTURE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND date -u -R -d "${FLITBAR_RELEASE_DATE} 12:00" OUTPUT_VARIABLE FLITBAR_RELEASE_TIME
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

set(_generated ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(_outputs)

# gzip -n keeps no timestamp, so the package is the same for the same sources.
function(flitbar_gzip_from command output)
  add_custom_command(OUTPUT ${output} COMMAND sh -c "${command} | ${FLITBAR_GZIP} -9n > '${output}'"
                     DEPENDS ${ARGN} VERBATIM)
endfunction()

foreach(page flitbar flitbar-virtual-receiver)
  set(_source ${CMAKE_CURRENT_SOURCE_DIR}/man/${page}.1.scd)
  flitbar_gzip_from("${FLITBAR_SCDOC} < '${_source}'" ${_generated}/${page}.1.gz ${_source})
  install(FILES ${_generated}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND _outputs ${_generated}/${page}.1.gz)
endforeach()

foreach(size 16 22 24 32 48 64 128 256)
  set(_png ${_generated}/${size}/${FLITBAR_BUNDLE_IDENTIFIER}.png)
  set(_svg ${CMAKE_CURRENT_SOURCE_DIR}/icons/flitbar.svg)
  add_custom_command(OUTPUT ${_png} COMMAND ${CMAKE_COMMAND} -E make_directory ${_generated}/${size}
                     COMMAND ${FLITBAR_RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_svg} DEPENDS ${_svg})
  install(FILES ${_png} DESTINATION ${FLITBAR_ICON_DIR}/${size}x${size}/apps)
  list(APPEND _outputs ${_png})
endforeach()

set(_doc ${CMAKE_INSTALL_DATADIR}/doc/flitbar)
configure_file(debian/changelog.in ${_generated}/changelog @ONLY)
flitbar_gzip_from("cat '${_generated}/changelog'" ${_generated}/changelog.Debian.gz ${_generated}/changelog)
list(APPEND _outputs ${_generated}/changelog.Debian.gz)
install(FILES ${_generated}/changelog.Debian.gz debian/copyright DESTINATION ${_doc})
install(FILES debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME flitbar)

add_custom_target(flitbar_package_data ALL DEPENDS ${_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME flitbar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${FLITBAR_BUILD_NUMBER})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${FLITBAR_DEB_ARCHITECTURE})
set(CPACK_DEBIAN_FILE_NAME flitbar_${FLITBAR_DEB_VERSION}_${FLITBAR_DEB_ARCHITECTURE}.deb)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${FLITBAR_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://flitbar.dev)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "move wireless keyboard and mouse between computers together
Logitech devices paired with a Unifying or Bolt receiver can each remember up
to three computers, but a keyboard's Easy-Switch key moves only that keyboard.
Flitbar takes the Easy-Switch keys and a spare mouse button for itself and,
when one is pressed, moves every device that can reach that computer at once.
.
It is a tray application and a command-line tool in one executable. The
package also holds flitbar-virtual-receiver, which imitates receivers and
their devices so that Flitbar can be tried without hardware, and a udev rule
that lets the user at the seat open the receivers' HID++ interfaces.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS gnome-shell-extension-appindicator)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/debian/postinst
                                       ${CMAKE_CURRENT_SOURCE_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)

add_test(NAME debian_package
         COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging/check_package.sh
                 ${CPACK_PACKAGE_DIRECTORY}/${CPACK_DEBIAN_FILE_NAME})
set_tests_properties(debian_package PROPERTIES LABELS package)
