# An in-memory bitmap with JPEG encoding (libjpeg-turbo).
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(TURBOJPEG IMPORTED_TARGET libturbojpeg)
endif()
if(TARGET PkgConfig::TURBOJPEG)
  set(TARVO_TURBOJPEG PkgConfig::TURBOJPEG)
else()
  find_library(TARVO_TURBOJPEG turbojpeg REQUIRED)
endif()
tarvo_library(platform_image
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/UIImage.cpp
  LIBS
    ${TARVO_TURBOJPEG})
