#pragma once

// The one way into OpenGL for the compositor. The same drawing code runs on
// OpenGL 3.3 core through epoxy on the desktop and on OpenGL ES 3.0
// (WebGL 2) in a browser; what differs between the two lives here.
#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif

namespace platform::gl {

// Prepended to every shader source (GlProgram): sources start with no
// #version line and are written in the common subset of GLSL 3.30 and
// GLSL ES 3.00. ES has no default float precision in fragment shaders.
#ifdef __EMSCRIPTEN__
inline constexpr const char* shaderHeader =
    "#version 300 es\nprecision highp float;\nprecision highp sampler2D;\n";
#else
inline constexpr const char* shaderHeader = "#version 330 core\n";
#endif

// Whether the context offers an extension. A browser's WebGL offers none of
// the ones the compositor asks about, so it takes the path without them.
inline bool hasExtension([[maybe_unused]] const char* name) {
#ifdef __EMSCRIPTEN__
  return false;
#else
  return epoxy_has_gl_extension(name);
#endif
}

}  // namespace platform::gl
