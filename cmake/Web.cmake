# The web build: one folder that any static host serves, holding index.html,
# page.js, the program (invited.js and invited.wasm) and its resources. The
# page is single-threaded, so it needs no special response headers.
set(INVITED_WEB_DIR ${CMAKE_BINARY_DIR}/site CACHE PATH "Where the page's folder is made")
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${INVITED_WEB_DIR})
set(INVITED_RESOURCE_DIR ${INVITED_WEB_DIR}/resources)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release)
endif()
# Small before fast: the page's weight is its start-up.
add_compile_options("$<$<CONFIG:Release>:-Oz>")
add_link_options("$<$<CONFIG:Release>:-Oz>")

foreach(module resources toolkit platform content effects show app)
  add_subdirectory(${module})
endforeach()
