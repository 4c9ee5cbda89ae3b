# Install rules and the Debian package (cpack -G DEB). The package is reproducible to the byte
# when cpack runs with SOURCE_DATE_EPOCH set (scripts/package.sh, scripts/release.sh): cpack
# then gives every member that time, and the folders' modes do not depend on the umask.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

foreach(program updater updater-cli radio-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(UPDATER_PACKAGE_NAME vm-updater)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${UPDATER_PACKAGE_NAME})
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

install(FILES ${packaging}/vm-updater.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The window's own icon, in the sizes the icon theme looks for.
set(icons ${PROJECT_SOURCE_DIR}/res)
foreach(size 16 32 48 64 128)
  install(FILES ${icons}/updater-icon-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME vm-updater.png)
endforeach()
install(FILES ${icons}/updater-icon.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME vm-updater.png)
install(FILES ${icons}/updater-icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME vm-updater.svg)
install(FILES ${packaging}/copyright ${packaging}/README.Debian DESTINATION ${doc_dir})

# Debian wants the changelog and man pages compressed reproducibly (gzip -n).
find_program(GZIP gzip REQUIRED)
set(gz_dir ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${gz_dir})
add_custom_command(OUTPUT ${gz_dir}/changelog.gz
  COMMAND ${GZIP} -9nc ${packaging}/changelog > ${gz_dir}/changelog.gz
  DEPENDS ${packaging}/changelog)
add_custom_command(OUTPUT ${gz_dir}/updater.1.gz
  COMMAND ${GZIP} -9nc ${packaging}/updater.1 > ${gz_dir}/updater.1.gz
  DEPENDS ${packaging}/updater.1)
set(man_pages ${gz_dir}/updater.1.gz)

# The man pages of the two command-line programs are made from their --help. Their date is the
# last commit's (or SOURCE_DATE_EPOCH's, when given), not the day of the build, so that the
# package is the same whenever it is built.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(source_date "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE source_date OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR source_date STREQUAL "")
    set(source_date 0)
  endif()
endif()
find_program(HELP2MAN help2man)
if(HELP2MAN)
  foreach(program updater-cli radio-sim)
    if(TARGET ${program})
      add_custom_command(OUTPUT ${gz_dir}/${program}.1.gz
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${source_date}
                ${HELP2MAN} --no-info --version-string=${UPDATER_RELEASE_VERSION}
                --name=${program} --section=1 $<TARGET_FILE:${program}>
                | ${GZIP} -9n > ${gz_dir}/${program}.1.gz
        DEPENDS ${program} VERBATIM)
      list(APPEND man_pages ${gz_dir}/${program}.1.gz)
    endif()
  endforeach()
endif()
add_custom_target(package-docs ALL DEPENDS ${gz_dir}/changelog.gz ${man_pages})
install(FILES ${gz_dir}/changelog.gz DESTINATION ${doc_dir})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${UPDATER_PACKAGE_NAME})
# The program's version and the firmware's: vm-updater_1.0.0+fw2.10.07_amd64.deb.
set(CPACK_PACKAGE_VERSION ${UPDATER_RELEASE_VERSION})
set(CPACK_PACKAGE_CONTACT "The Updater developers <updater@vm-updater.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for VM-5160/VM-6160 radios")
set(CPACK_PACKAGE_DESCRIPTION
"A single-window tool with which a service technician writes a new firmware
image into a VM-5160 or VM-6160 two-way radio over a serial port. The image
travels inside the program. updater-cli runs the same update without a
window, and radio-sim emulates the radio's loader on a pseudo-terminal for
training and testing without a radio.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
