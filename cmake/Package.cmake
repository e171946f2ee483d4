# The Debian package (./run.sh package): cpack -G DEB in a build configured
# with -DCMAKE_INSTALL_PREFIX=/usr, the udev rule and the systemd unit in /lib.
# Besides what Install.cmake and Manpages.cmake install: the service unit and
# its example configuration, the bash completion, and the Debian copyright
# file and changelog.
set(VEXA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vexagrid)
set(VEXA_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE PATH "Where the systemd unit of the headless output centre is installed")

set(VEXA_DOC_DIR_FULL ${CMAKE_INSTALL_PREFIX}/${VEXA_DOC_DIR})
set(VEXA_DOC_DIR ${VEXA_DOC_DIR_FULL})
configure_file(${PROJECT_SOURCE_DIR}/resources/systemd/vexagrid-serve@.service.in
               ${PROJECT_BINARY_DIR}/package/vexagrid-serve@.service @ONLY)
set(VEXA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vexagrid)
install(FILES ${PROJECT_BINARY_DIR}/package/vexagrid-serve@.service DESTINATION ${VEXA_SYSTEMD_UNIT_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/systemd/plotter1.conf DESTINATION ${VEXA_DOC_DIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/resources/bash-completion/vexagrid-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# debian/copyright: our files, and the fonts built into the programs with
# their licences' full texts.
function(vexa_license_paragraph name file out)
  file(READ ${file} text)
  string(REGEX REPLACE "\r" "" text "${text}")
  string(REGEX REPLACE "\n[ \t]*\n" "\n.\n" text "${text}")
  string(REGEX REPLACE "\n" "\n " text "${text}")
  string(REGEX REPLACE "\n $" "" text "${text}")
  set(${out} "License: ${name}\n ${text}\n" PARENT_SCOPE)
endfunction()
vexa_license_paragraph(Arphic-1999 ${PROJECT_SOURCE_DIR}/resources/fonts/ARPHICPL.TXT arphic)
vexa_license_paragraph(Hershey ${PROJECT_SOURCE_DIR}/resources/fonts/LICENSE-hershey.txt hershey)
file(WRITE ${PROJECT_BINARY_DIR}/package/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: VexaGrid
Upstream-Contact: VexaGrid developers <developers@vexagrid.invalid>

Files: *
Copyright: 2026 The VexaGrid developers
License: proprietary
 All rights reserved. No licence is granted beyond installing and running
 this program.

Files: resources/fon_hz.bin
Copyright: 1999 Arphic Technology Co., Ltd.
Comment: The CJK stroke font built into the programs, made from the AR PL
 fonts by tools/fontgen; see /usr/share/doc/vexagrid/ARPHICPL.TXT.
License: Arphic-1999

Files: resources/fon_en.bin
Copyright: Dr. A. V. Hershey, U.S. National Bureau of Standards
Comment: The Latin stroke font built into the programs, made from the
 Hershey fonts by tools/fontgen; see /usr/share/doc/vexagrid/LICENSE-hershey.txt.
License: Hershey

${arphic}
${hershey}")
install(FILES ${PROJECT_BINARY_DIR}/package/copyright DESTINATION ${VEXA_DOC_DIR})

# The changelog, compressed without a time stamp.
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in ${PROJECT_BINARY_DIR}/package/changelog @ONLY)
find_program(VEXA_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package/changelog.gz
                   COMMAND ${VEXA_GZIP} -9nkf ${PROJECT_BINARY_DIR}/package/changelog
                   DEPENDS ${PROJECT_BINARY_DIR}/package/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/package/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/package/changelog.gz DESTINATION ${VEXA_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexagrid)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VexaGrid developers <developers@vexagrid.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "output centre for wide-format inkjet marker plotters")
set(CPACK_PACKAGE_DESCRIPTION
    "VexaGrid takes the markers that pattern-making software writes as HP-GL,
lays them out as jobs, lets the operator preview, paginate, rotate and shift
them, and prints them as raster swaths on the plotter's two cartridges over
USB or TCP.
.
It contains the window the operator works in (vexagrid), the same engine
from the command line and as a service with a hot folder (vexagrid-cli,
with the systemd template unit vexagrid-serve@.service), and a simulated
controller (vexagrid-sim) for trying everything without a plotter.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/resources/debian/postinst ${PROJECT_SOURCE_DIR}/resources/debian/prerm
    ${PROJECT_SOURCE_DIR}/resources/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
