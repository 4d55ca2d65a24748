# Read by cpack for each generator: the .deb installs under /usr; the archive holds lib/ and
# share/doc/quarmont under its one folder.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
endif()
