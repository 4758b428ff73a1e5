#include "platform/EglContext.h"

#include <epoxy/egl.h>

#include "platform/GraphicsDriver.h"

namespace platform {

namespace {

// Contexts alive in the process. The display they share is terminated with
// the last one, which stops the software renderer's worker threads: a
// process then ends with only its own threads, and an exit-time leak check
// never has to inspect threads that are still drawing.
int liveContexts = 0;

}  // namespace

std::unique_ptr<EglContext> EglContext::create(std::string& error) {
  const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!extensions || !epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
    error = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless)";
    return nullptr;
  }
  EGLDisplay display =
      eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
    error = "cannot open EGL's surfaceless display";
    return nullptr;
  }
  // The display is one per process, shared by every context made on it.
  auto fail = [&](const char* message) {
    error = message;
    if (liveContexts == 0) {
      eglTerminate(display);
    }
    return nullptr;
  };
  if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context")) {
    return fail("EGL cannot make a context current without a surface");
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    return fail("EGL offers no desktop OpenGL");
  }
  EGLConfig config = EGL_NO_CONFIG_KHR;
  if (!epoxy_has_egl_extension(display, "EGL_KHR_no_config_context")) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count == 0) {
      return fail("EGL has no configuration for desktop OpenGL");
    }
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      3,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    return fail("EGL cannot make an OpenGL 3.3 core context");
  }
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    eglDestroyContext(display, context);
    return fail("EGL cannot make the OpenGL context current");
  }
  std::unique_ptr<EglContext> result(new EglContext);
  result->display_ = display;
  result->context_ = context;
  ++liveContexts;
  GraphicsDriver::keepLoaded();
  return result;
}

EglContext::~EglContext() {
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display_, context_);
  if (--liveContexts == 0) {
    eglTerminate(display_);
    eglReleaseThread();
  }
}

void EglContext::makeCurrent() {
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
}

}  // namespace platform
