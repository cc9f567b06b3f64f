#include "tools/preview/picture_view.h"

#include <algorithm>

#include "tools/hostkit/gl/gl_program.h"

namespace preview {
namespace {

// Straight alpha over 8-pixel grey squares; an opaque pixel comes through unchanged.
const char* const kFragment = R"(#version 410 core
in vec2 uv;
uniform sampler2D Picture;
out vec4 fragColor;
void main() {
  ivec2 square = ivec2(gl_FragCoord.xy) / 8;
  vec3 checker = vec3(((square.x + square.y) & 1) == 0 ? 0.4 : 0.6);
  vec4 colour = texture(Picture, uv);
  fragColor = vec4(mix(checker, colour.rgb, colour.a), 1.0);
}
)";

}  // namespace

PixelRect FitPicture(const PixelRect& area, int pictureWidth, int pictureHeight) {
  PixelRect fit = area;
  if (area.width < 1 || area.height < 1 || pictureWidth < 1 || pictureHeight < 1) return {area.x, area.y, 0, 0};
  // Compared in integers so that an exact fit stays exact.
  const long long wide = static_cast<long long>(area.width) * pictureHeight;
  const long long tall = static_cast<long long>(area.height) * pictureWidth;
  if (wide > tall) {
    fit.width = std::max(1, static_cast<int>(tall / pictureHeight));
  } else {
    fit.height = std::max(1, static_cast<int>(wide / pictureWidth));
  }
  fit.x = area.x + (area.width - fit.width) / 2;
  fit.y = area.y;
  return fit;
}

bool PictureView::Create(std::string& error) {
  Release();
  program = hostkit::BuildQuadProgram(kFragment, "picture view", error);
  if (!program) return false;
  glGenVertexArrays(1, &vertexArray);
  // A sampler of our own filters linearly without touching the texture the host renders into.
  glGenSamplers(1, &sampler);
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return true;
}

void PictureView::Draw(GLuint texture, const PixelRect& rect, int framebufferHeight) const {
  if (rect.width < 1 || rect.height < 1) return;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(rect.x, framebufferHeight - rect.y - rect.height, rect.width, rect.height);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glUseProgram(program);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBindSampler(0, sampler);
  glUniform1i(glGetUniformLocation(program, "Picture"), 0);
  glBindVertexArray(vertexArray);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glBindVertexArray(0);
  glBindSampler(0, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUseProgram(0);
}

void PictureView::Release() {
  if (program) glDeleteProgram(program);
  if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
  if (sampler) glDeleteSamplers(1, &sampler);
  program = vertexArray = sampler = 0;
}

}  // namespace preview
