#include "platform/OffscreenRenderer.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Compositor.h"
#include "platform/EglContext.h"
#include "platform/GraphicsDriver.h"
#include "platform/RenderTarget.h"
#include "platform/Yuv420Converter.h"

namespace platform {

namespace {

class EglOffscreenRenderer : public OffscreenRenderer {
 public:
  explicit EglOffscreenRenderer(std::unique_ptr<EglContext> context)
      : context_(std::move(context)), compositor_(std::make_unique<Compositor>()) {}
  ~EglOffscreenRenderer() override {
    context_->makeCurrent();
    target_.reset();
    compositor_.reset();
  }

  Image render(ui::View& root, double t, int pixelWidth, int pixelHeight, double scale) override {
    Image image;
    if (!draw(root, t, pixelWidth, pixelHeight, scale)) {
      return image;
    }
    image.width = pixelWidth;
    image.height = pixelHeight;
    image.rgba.resize(std::size_t(pixelWidth) * pixelHeight * 4);
    readBack(pixelWidth, pixelHeight);
    const std::vector<std::uint8_t>& rows = readback_;
    // GL rows run bottom to top, and pixels hold premultiplied colour.
    const std::size_t stride = std::size_t(pixelWidth) * 4;
    for (int y = 0; y < pixelHeight; ++y) {
      const std::uint8_t* source = rows.data() + std::size_t(pixelHeight - 1 - y) * stride;
      std::uint8_t* destination = image.rgba.data() + std::size_t(y) * stride;
      for (std::size_t i = 0; i < stride; i += 4) {
        unsigned a = source[i + 3];
        for (int c = 0; c < 3; ++c) {
          destination[i + c] =
              a == 0 ? 0 : std::uint8_t(std::min(255u, (source[i + c] * 255u + a / 2) / a));
        }
        destination[i + 3] = std::uint8_t(a);
      }
    }
    return image;
  }

  bool renderYuv420(ui::View& root, double t, int pixelWidth, int pixelHeight, double scale,
                    std::vector<std::uint8_t>& planes) override {
    if (pixelWidth % 2 != 0 || pixelHeight % 2 != 0 ||
        !draw(root, t, pixelWidth, pixelHeight, scale)) {
      return false;
    }
    readBack(pixelWidth, pixelHeight);
    planes.resize(Yuv420Converter::planesSize(pixelWidth, pixelHeight));
    Yuv420Converter::convert(readback_.data(), pixelWidth, pixelHeight, planes.data());
    return true;
  }

  // Asked of the driver once: every frame of an export checks against it.
  int largestSide() override {
    if (largestSide_ == 0) {
      context_->makeCurrent();
      GLint texture = 0;
      GLint viewport[2] = {};
      glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
      glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
      largestSide_ = std::min({texture, viewport[0], viewport[1]});
    }
    return largestSide_;
  }

  Compositor& compositor() override { return *compositor_; }

 private:
  // The target's pixels into readback_, kept between frames: an export
  // reads back thousands of them.
  void readBack(int pixelWidth, int pixelHeight) {
    readback_.resize(std::size_t(pixelWidth) * pixelHeight * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target_->framebuffer());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, pixelWidth, pixelHeight, GL_RGBA, GL_UNSIGNED_BYTE, readback_.data());
  }

  // Draws into target_; false when the size or scale cannot be drawn.
  bool draw(ui::View& root, double t, int pixelWidth, int pixelHeight, double scale) {
    context_->makeCurrent();
    int largest = largestSide();
    if (pixelWidth <= 0 || pixelHeight <= 0 || pixelWidth > largest || pixelHeight > largest ||
        !(scale > 0)) {
      return false;
    }
    if (!target_ || target_->width() != pixelWidth || target_->height() != pixelHeight) {
      target_.reset();
      target_ = std::make_unique<RenderTarget>(pixelWidth, pixelHeight);
    }
    // As the window does before each frame: a button lays out its title here.
    root.layoutIfNeeded();
    compositor_->render(root, t, target_->framebuffer(), pixelWidth, pixelHeight, scale);
    return true;
  }

  std::unique_ptr<EglContext> context_;
  int largestSide_ = 0;  // pixels; 0 until asked
  std::unique_ptr<Compositor> compositor_;
  std::unique_ptr<RenderTarget> target_;
  std::vector<std::uint8_t> readback_;  // bottom-up premultiplied rows of the last frame
};

}  // namespace

std::unique_ptr<OffscreenRenderer> OffscreenRenderer::create(std::string& error) {
  if (error = GraphicsDriver::missingLibraries(true); !error.empty()) {
    return nullptr;
  }
  auto context = EglContext::create(error);
  if (!context) {
    return nullptr;
  }
  try {
    return std::make_unique<EglOffscreenRenderer>(std::move(context));
  } catch (const std::exception& e) {
    error = e.what();
    return nullptr;
  }
}

}  // namespace platform
