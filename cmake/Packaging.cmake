# Packages made with CPack from a Release build (no sanitizers):
#   Linux:   cpack -G DEB  ->  packwright_VERSION_amd64.deb (install rules in share/linux/)
#   Windows: cpack -G ZIP  ->  packwright-VERSION-windows-x86_64.zip with the window,
#            packwright-cli-VERSION-windows-x86_64.zip without (rules in share/windows/)
# The version is the CMake project's, the one --version prints.
set(CPACK_PACKAGE_NAME packwright)
set(CPACK_PACKAGE_VENDOR "The Packwright developers")
set(CPACK_PACKAGE_CONTACT "${PACKWRIGHT_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "extract game data packs and build new packs from edited files")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(TARGET packwright)
    set(CPACK_PACKAGE_FILE_NAME packwright-${PROJECT_VERSION}-windows-x86_64)
  else()
    set(CPACK_PACKAGE_FILE_NAME packwright-cli-${PROJECT_VERSION}-windows-x86_64)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME packwright)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/packwright/packwright)
  # Libraries found by dpkg-shlibdeps; Qt's platform plugins come with
  # libqt6gui6's recommendations. The completion is read by bash-completion.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Packwright is a tool for people who mod a game that keeps its data in packs:
an index file .fat beside a data file .mix. It extracts every entry of one
or more packs into files named by pack, type and index number, records in a
log where each entry went, and later builds new packs from such a log,
taking each edited file in place of the entry's old data. A pack being
rebuilt is never left half-written.
.
This package holds the window (packwright) and the command-line tool
(packwright-cli), which run the same engine.")
endif()
include(CPack)
