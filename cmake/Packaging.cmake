# `cpack -G DEB` in a release build folder makes invited_<version>_amd64.deb.
# The libraries the programs link are read off the binaries (dpkg-shlibdeps).
# Those loaded at run time are declared by hand: SDL2 and libepoxy open
# libEGL and libGL (GLVND), which need a vendor's driver; Mesa's is the
# default, any other vendor's package also serves. The Inter faces come from
# the fonts-inter package, which the installed data folder links to.
# libpulse0, which the programs link, is named too: the player takes when its
# sound is heard from the sound server through it.
set(CPACK_PACKAGE_NAME invited)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "The invited developers <invited@invited.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-inter, libpulse0, libegl1, libgl1, \
libegl-mesa0 | libegl-vendor, libglx-mesa0 | libglx-vendor, libgl1-mesa-dri")
set(CPACK_PACKAGE_DESCRIPTION "\
One click starts music and a timeline of 1025 cues that flash short\n\
affirmations in layered text and shapes, ending with an invitation.\n\
invited-render writes the show as a video, a frame or a storyboard,\n\
with no display needed.")

include(CPack)
