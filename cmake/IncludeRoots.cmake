# Each module exports an include root of its own, made in the build tree and
# holding one link named after the module's folder. Code thus reaches a
# module's headers only by linking the module, always spelled from the
# repository root (platform/Compositor.h, ui/View.h): an include that points
# up the layers does not compile.
#
#   invited_include_root(platform platform)        -> <root>/platform
#   invited_include_root(media platform/media)     -> <root>/platform/media
#   invited_include_root(toolkit ui FOLDER ui)     -> <root>/ui = toolkit/ui
function(invited_include_root target spelling)
  cmake_parse_arguments(ARG "" "FOLDER" "" ${ARGN})
  set(folder ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_FOLDER)
    set(folder ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_FOLDER})
  endif()
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${spelling} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  set(target_now "")
  if(IS_SYMLINK ${root}/${spelling})
    file(READ_SYMLINK ${root}/${spelling} target_now)
  endif()
  if(NOT target_now STREQUAL folder)
    file(REMOVE ${root}/${spelling})
    file(CREATE_LINK ${folder} ${root}/${spelling} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
