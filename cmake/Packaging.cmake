# `cpack -G DEB` in a release build folder makes invited_<version>_amd64.deb.
# The libraries the programs link are read off the binaries (dpkg-shlibdeps).
# Those loaded at run time are declared by hand: SDL2 and libepoxy open
# libEGL and libGL (GLVND), which need a vendor's driver; Mesa's is the
# default, any other vendor's package also serves. The Inter faces come from
# the fonts-inter package, which the installed data folder links to.
# libpulse0, which the programs link, is named too: the player takes when its
# sound is heard from the sound server through it. invited loads FFmpeg's
# libraries when it opens the music, by the sonames it was built against:
# their packages are named after those.
set(CPACK_PACKAGE_NAME invited)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "The invited developers <invited@invited.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
pkg_check_modules(PACKAGED_FFMPEG REQUIRED libavformat libavcodec libavutil libswresample)
set(loaded_ffmpeg "")
foreach(library libavformat libavcodec libavutil libswresample)
  string(REGEX MATCH "^[0-9]+" major "${PACKAGED_FFMPEG_${library}_VERSION}")
  string(APPEND loaded_ffmpeg ", ${library}${major}")
endforeach()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-inter, libpulse0, libegl1, libgl1, \
libegl-mesa0 | libegl-vendor, libglx-mesa0 | libglx-vendor, libgl1-mesa-dri${loaded_ffmpeg}")
set(CPACK_PACKAGE_DESCRIPTION "\
One click starts music and a timeline of 1025 cues that flash short\n\
affirmations in layered text and shapes, ending with an invitation.\n\
invited-render writes the show as a video, a frame or a storyboard,\n\
with no display needed.")

include(CPack)
