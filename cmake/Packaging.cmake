# The Debian package: cpack -G DEB in a build folder, or scripts/package from a clean one.
# Its version is the project's; the changelog and the AppStream release must name it too.

set(MERROWBY_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(MERROWBY_METAINFO ${PROJECT_SOURCE_DIR}/resources/org.merrowby.merrowby.metainfo.xml)

function(merrowby_check_version file regex)
  file(STRINGS ${file} lines REGEX "${regex}" LIMIT_COUNT 1)
  string(REGEX MATCH "${regex}" found "${lines}")
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${file}: the newest entry is for version '${CMAKE_MATCH_1}', "
                        "the project's version is ${PROJECT_VERSION}")
  endif()
endfunction()
merrowby_check_version(${MERROWBY_PACKAGING_DIR}/changelog "^merrowby \\(([^)]*)\\)")
merrowby_check_version(${MERROWBY_METAINFO} "<release version=\"([^\"]*)\"")

set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/merrowby)
install(FILES ${MERROWBY_PACKAGING_DIR}/copyright DESTINATION ${doc_dir})
# The roles an organisation's history database needs, for its administrator.
install(FILES ${PROJECT_SOURCE_DIR}/docs/sql/roles.sql DESTINATION ${doc_dir})
configure_file(${MERROWBY_PACKAGING_DIR}/changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
               COPYONLY)
merrowby_install_gzipped(${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME merrowby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Merrowby developers")
set(CPACK_PACKAGE_CONTACT "The Merrowby developers <maintainers@merrowby.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "maintenance utility for the optical tube sensors of an instrument")
set(CPACK_PACKAGE_DESCRIPTION [[
Merrowby talks to the sensor card of a laboratory instrument over a serial
line. It finds the card on COM1 to COM4 (mapped to serial devices, USB
adapters included), takes it offline, and lets a service technician set
voltages, trip points and power levels, train sensors, save and restore
training data in storage bins, read back values and status bits, stream the
sensor currents of a tube into a list and a dump file, and run the 8-minute
sensor timing test.

The package also holds merrowby-card-sim, which plays the sensor card on a
pseudo-terminal, so that the utility can be tried without an instrument.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_MERROWBY_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageStripNotes.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://merrowby.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as a plugin, so not found by the shared library dependencies: the history index's
# SQLite driver and the organisation's PostgreSQL one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
# The shell completion is loaded by bash-completion alone.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
