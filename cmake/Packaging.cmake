# What an installation holds besides the window (its rules are in
# src/app/CMakeLists.txt), and the Debian package made of it all:
#   cmake --build build-release && (cd build-release && cpack -G DEB)
# writes lorvena_VERSION_amd64.deb, with its dependencies computed from the
# libraries the programs link (dpkg-shlibdeps).
include(GNUInstallDirs)

install(TARGETS lorvena-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual pages are written in scdoc and made at build time, compressed
# as Debian installs them (without a time stamp: two builds, same bytes).
find_program(LORVENA_SCDOC scdoc)
if(LORVENA_SCDOC)
  set(_man_pages "")
  foreach(_page lorvena.1 lorvena-cli.1)
    set(_source ${PROJECT_SOURCE_DIR}/docs/${_page}.scd)
    set(_page_file ${CMAKE_BINARY_DIR}/man/${_page}.gz)
    add_custom_command(
      OUTPUT ${_page_file}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND sh -c "\"$0\" < \"$1\" > \"$2.tmp\" && gzip -9n < \"$2.tmp\" > \"$2\" && rm \"$2.tmp\""
              ${LORVENA_SCDOC} ${_source} ${_page_file}
      DEPENDS ${_source}
      COMMENT "Writing the manual page ${_page}"
      VERBATIM)
    list(APPEND _man_pages ${_page_file})
  endforeach()
  add_custom_target(lorvena_man_pages ALL DEPENDS ${_man_pages})
  install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "scdoc not found: the manual pages are neither made nor installed "
                  "(apt install scdoc, or run scripts/install-deps.sh)")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/lorvena-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lorvena-cli)

# Named after the component's id, as the software centres look it up.
configure_file(${PROJECT_SOURCE_DIR}/packaging/lorvena.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/org.lorvena.Lorvena.metainfo.xml @ONLY)
if(LORVENA_BUILD_GUI)
  install(FILES ${CMAKE_BINARY_DIR}/org.lorvena.Lorvena.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(_size IN LISTS LORVENA_ARTWORK_ICON_SIZES)
    install(FILES ${LORVENA_ARTWORK_DIR}/icons/${_size}/lorvena.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
  endforeach()
endif()

# Every Debian package carries its copyright and its changelog (compressed
# without a time stamp, so two builds give the same bytes).
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/package-doc/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/package-doc/changelog.gz
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${CMAKE_BINARY_DIR}/package-doc/changelog
          ${CMAKE_BINARY_DIR}/package-doc/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/package-doc/changelog
  VERBATIM)
add_custom_target(lorvena_package_doc ALL DEPENDS ${CMAKE_BINARY_DIR}/package-doc/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/package-doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lorvena)

# Everything an installation takes and nothing else (not the simulator, the
# screenshot renderer or the bench): what `make release` builds, and all
# that cpack needs built (it would otherwise build every target first).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(lorvena_installation)
add_dependencies(lorvena_installation lorvena-cli lorvena_package_doc)
if(TARGET lorvena_man_pages)
  add_dependencies(lorvena_installation lorvena_man_pages)
endif()
if(LORVENA_BUILD_GUI)
  add_dependencies(lorvena_installation lorvena lorvena_skin lorvena_artwork)
endif()

set(CPACK_PACKAGE_NAME lorvena)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lorvena")
set(CPACK_PACKAGE_CONTACT "Lorvena developers <lorvena@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and set up network video devices on the LAN")
set(CPACK_PACKAGE_DESCRIPTION
  "A desktop tool and a command-line tool for installers of IP cameras and
video recorders: they find devices on every attached network segment by
UDP broadcast and ONVIF discovery, change their network settings (also
several devices to consecutive addresses) and upgrade their firmware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window loads its platform plugin at run time: no library link shows it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
