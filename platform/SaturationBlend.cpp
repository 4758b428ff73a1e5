#include "platform/SaturationBlend.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace platform {

namespace {

const char* const vertexShader = R"(layout(location = 0) in vec2 position;
layout(location = 1) in vec4 color;
uniform vec2 viewport;
flat out vec4 vColor;
void main() {
  vColor = color;
  gl_Position = vec4(position.x / viewport.x * 2.0 - 1.0, 1.0 - position.y / viewport.y * 2.0, 0.0, 1.0);
}
)";

// The general compositing formula around the saturation mode, on premultiplied
// textures of the target's size (with DIRECT, the quad's own premultiplied
// colour is the source). Writes the final colour, so blending is off while it
// runs.
const char* const fragmentShader = R"(
flat in vec4 vColor;
uniform sampler2D source;
uniform sampler2D backdrop;
uniform float opacity;
#ifdef FETCH
layout(location = 0) inout vec4 fragColor;
#else
out vec4 fragColor;
#endif
float lum(vec3 c) { return dot(c, vec3(0.3, 0.59, 0.11)); }
vec3 clipColor(vec3 c) {
  float l = lum(c);
  float n = min(min(c.r, c.g), c.b);
  float x = max(max(c.r, c.g), c.b);
  if (n < 0.0 && l > n) c = l + (c - l) * l / (l - n);
  if (x > 1.0 && x > l) c = l + (c - l) * (1.0 - l) / (x - l);
  return c;
}
vec3 setLum(vec3 c, float l) { return clipColor(c + (l - lum(c))); }
float sat(vec3 c) { return max(max(c.r, c.g), c.b) - min(min(c.r, c.g), c.b); }
vec3 setSat(vec3 c, float s) {
  float mx = max(max(c.r, c.g), c.b);
  float mn = min(min(c.r, c.g), c.b);
  return mx > mn ? (c - mn) * s / (mx - mn) : vec3(0.0);
}
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
#ifdef DIRECT
  vec4 s = vColor * opacity;
#else
  vec4 s = texelFetch(source, p, 0) * opacity;
#endif
#ifdef FETCH
  vec4 b = fragColor;
#else
  vec4 b = texelFetch(backdrop, p, 0);
#endif
  vec3 cs = s.a > 0.0 ? s.rgb / s.a : vec3(0.0);
  vec3 cb = b.a > 0.0 ? b.rgb / b.a : vec3(0.0);
#ifdef GREY
  // A colourless source has saturation 0: SetSat gives black, and SetLum
  // lifts it to the backdrop's luminosity with nothing to clip.
  vec3 mixed = vec3(lum(cb));
#else
  vec3 mixed = setLum(setSat(cb, sat(cs)), lum(cb));
#endif
  vec3 rgb = s.a * (1.0 - b.a) * cs + s.a * b.a * mixed + (1.0 - s.a) * b.rgb;
  fragColor = vec4(rgb, s.a + b.a * (1.0 - s.a));
}
)";

// Past this many quads a blend covers the union of their boxes instead.
constexpr std::size_t maximumPieceSources = 32;
// Position and colour of each blend vertex.
constexpr int floatsPerVertex = 6;
constexpr int verticesPerQuad = 6;

bool isOpaqueUprightFill(const SaturationBlend::Quad& quad) {
  const QuadBatcher::Vertex* q = quad.corners;
  return quad.kind == QuadBatcher::Kind::Fill && q[0].a == 1 && q[0].y == q[1].y &&
         q[0].x == q[3].x && q[1].x == q[2].x && q[2].y == q[3].y;
}

}  // namespace

SaturationBlend::SaturationBlend() {
  // Framebuffer fetch reads the backdrop in the blend pass itself (Mesa's
  // software renderer has it); elsewhere the pass reads a copy.
  fetchAvailable_ = gl::hasExtension("GL_EXT_shader_framebuffer_fetch");
  fetch_ = fetchAvailable_;
  glGenVertexArrays(1, &vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  const GLsizei stride = floatsPerVertex * sizeof(float);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(2 * sizeof(float)));
  glBindVertexArray(0);
}

const SaturationBlend::Program& SaturationBlend::program(Backdrop backdrop, Variant variant) {
  Program& p = programs_[std::size_t(backdrop)][std::size_t(variant)];
  if (p.program) {
    return p;
  }
  static const char* const defines[3] = {"", "#define DIRECT\n", "#define DIRECT\n#define GREY\n"};
  std::string header;
  if (backdrop == Backdrop::Fetch) {
    header = "#extension GL_EXT_shader_framebuffer_fetch : require\n#define FETCH\n";
  }
  p.program = std::make_unique<GlProgram>(
      vertexShader, (header + defines[std::size_t(variant)] + fragmentShader).c_str());
  p.viewport = p.program->uniform("viewport");
  p.opacity = p.program->uniform("opacity");
  glUseProgram(p.program->id());
  glUniform1i(p.program->uniform("source"), textureUnit::blendSource);
  glUniform1i(p.program->uniform("backdrop"), textureUnit::blendBackdrop);
  return p;
}

SaturationBlend::~SaturationBlend() {
  glDeleteBuffers(1, &vertexBuffer_);
  glDeleteVertexArrays(1, &vertexArray_);
}

SaturationBlend::Plan SaturationBlend::plan(const std::vector<Quad>& quads, const PixelRect& region,
                                            const PixelRect& clip) {
  Plan plan;
  if (quads.size() > maximumPieceSources) {
    plan.pieces.push_back({region.intersection(clip), {}});
    return plan;
  }
  plan.direct = std::all_of(quads.begin(), quads.end(), isOpaqueUprightFill);
  // Topmost first, each minus what lies above it. A direct piece's pixels are
  // the ones its fill's quad covers (pixel centres inside).
  for (std::size_t i = quads.size(); i-- > 0;) {
    const QuadBatcher::Vertex* q = quads[i].corners;
    PixelRect rect = quads[i].box;
    if (plan.direct) {
      rect = PixelRect{int(std::ceil(q[0].x - 0.5f)), int(std::ceil(q[0].y - 0.5f)),
                       int(std::ceil(q[2].x - 0.5f)), int(std::ceil(q[2].y - 0.5f))}
                 .intersection(clip);
    }
    std::vector<PixelRect> rest{rect};
    const std::size_t above = plan.pieces.size();
    for (std::size_t a = 0; a < above; ++a) {
      std::vector<PixelRect> next;
      for (const auto& r : rest) {
        PixelRect::subtract(r, plan.pieces[a].rect, next);
      }
      rest = std::move(next);
    }
    std::array<float, 4> color{};
    if (plan.direct) {
      color = {q[0].r, q[0].g, q[0].b, q[0].a};
    }
    for (const auto& r : rest) {
      plan.pieces.push_back({r, color});
    }
  }
  return plan;
}

int SaturationBlend::draw(const Plan& plan, QuadBatcher& batcher, const PixelRect& clip,
                          double opacity, GLuint source, GLuint backdrop) {
  const QuadBatcher::Target target = batcher.target();
  const bool fetch = fetch_;
  if (!fetch) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glActiveTexture(GL_TEXTURE0 + textureUnit::blendBackdrop);
    glBindTexture(GL_TEXTURE_2D, backdrop);
  }
  std::vector<float> vertices;
  bool grey = true;
  for (const auto& piece : plan.pieces) {
    const PixelRect& r = piece.rect;
    if (r.isEmpty()) {
      continue;
    }
    if (!fetch) {
      int glY = target.height - r.y1;
      glCopyTexSubImage2D(GL_TEXTURE_2D, 0, r.x0, glY, r.x0, glY, r.x1 - r.x0, r.y1 - r.y0);
    }
    const auto& c = piece.color;
    grey = grey && c[0] == c[1] && c[1] == c[2];
    float x0 = float(r.x0), y0 = float(r.y0), x1 = float(r.x1), y1 = float(r.y1);
    float corners[verticesPerQuad][2] = {{x0, y0}, {x1, y0}, {x1, y1},
                                         {x0, y0}, {x1, y1}, {x0, y1}};
    for (const auto& corner : corners) {
      vertices.insert(vertices.end(), {corner[0], corner[1], c[0], c[1], c[2], c[3]});
    }
  }
  if (vertices.empty()) {
    return 0;
  }
  if (!plan.direct) {
    glActiveTexture(GL_TEXTURE0 + textureUnit::blendSource);
    glBindTexture(GL_TEXTURE_2D, source);
  }
  batcher.applyScissor(clip);
  glDisable(GL_BLEND);
  const Variant variant = !plan.direct ? Variant::Texture
                          : grey       ? Variant::DirectGrey
                                       : Variant::Direct;
  const int vertexCount = submit(target, variant, opacity, vertices);
  batcher.resume();
  return vertexCount / verticesPerQuad;
}

int SaturationBlend::submit(const QuadBatcher::Target& target, Variant variant, double opacity,
                            const std::vector<float>& vertices) {
  const Program& p = program(fetch_ ? Backdrop::Fetch : Backdrop::Copy, variant);
  glUseProgram(p.program->id());
  glUniform2f(p.viewport, float(target.width), float(target.height));
  glUniform1f(p.opacity, float(opacity));
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(float)), vertices.data(),
               GL_STREAM_DRAW);
  const int vertexCount = int(vertices.size()) / floatsPerVertex;
  glDrawArrays(GL_TRIANGLES, 0, vertexCount);
  return vertexCount;
}

void SaturationBlend::warmUp(QuadBatcher& batcher, int variant, GLuint texture) {
  static_assert(int(Variant::DirectGrey) + 1 == variantCount);
  batcher.flush();
  const QuadBatcher::Target target = batcher.target();
  glActiveTexture(GL_TEXTURE0 + textureUnit::blendBackdrop);
  glBindTexture(GL_TEXTURE_2D, texture);
  if (!fetch_) {
    // The copy of what lies beneath is a draw of its own for some drivers.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, 1, 1);
  }
  glActiveTexture(GL_TEXTURE0 + textureUnit::blendSource);
  glBindTexture(GL_TEXTURE_2D, texture);
  glDisable(GL_BLEND);
  // One quad with every corner at the origin: no pixel is touched.
  const std::vector<float> nothing(std::size_t(verticesPerQuad) * floatsPerVertex, 0.0f);
  submit(target, Variant(std::clamp(variant, 0, variantCount - 1)), 0.0, nothing);
  batcher.resume();
}

}  // namespace platform
