# `cmake --build build/release --target package` (or `cpack` in the build folder) makes
#   Quarmont-1.2.0-Linux-x86_64.tar.gz  both bundles under lib/, README, LICENSE and INSTALL
#   quarmont_1.2.0_amd64.deb             both bundles under /usr/lib/vst3 and /usr/lib/lv2
# from what `cmake --install` installs.

install(FILES
        "${PROJECT_SOURCE_DIR}/README.md"
        "${PROJECT_SOURCE_DIR}/LICENSE"
        "${PROJECT_SOURCE_DIR}/packaging/INSTALL"
    DESTINATION share/doc/quarmont
    COMPONENT plugins)

set(CPACK_PACKAGE_NAME "Quarmont")
set(CPACK_PACKAGE_VENDOR "Varnholt Audio")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quarmont: selective frequency-domain leveller (VST3 and LV2 plug-in)")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://${QUARMONT_MAKER_WEB_HOST}/")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(QUARMONT_ARCHIVE_NAME "Quarmont-${PROJECT_VERSION}-Linux-x86_64")
set(CPACK_PACKAGE_FILE_NAME "${QUARMONT_ARCHIVE_NAME}")
set(CPACK_GENERATOR "TGZ;DEB")
set(CPACK_COMPONENTS_ALL plugins)
set(CPACK_STRIP_FILES OFF)

# The archive unpacks into one folder named after it; the package installs under /usr.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX "/")
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/cmake/PackagingPerGenerator.cmake")

set(CPACK_DEBIAN_PACKAGE_NAME "quarmont")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varnholt Audio")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "amd64")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.35), libpng16-16, libjpeg62-turbo, libfreetype6, zlib1g")

include(CPack)
