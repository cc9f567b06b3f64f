#include "tools/hostkit/gl/passthrough_program.h"

#include "tools/hostkit/gl/gl_program.h"

namespace hostkit {
namespace {

const char* const kFragment = R"(#version 410 core
in vec2 uv;
uniform sampler2D InputTexture;
out vec4 fragColor;
void main() { fragColor = texture(InputTexture, uv); }
)";

const char* const kUpsideDown = R"(#version 410 core
uniform sampler2D InputTexture;
out vec4 fragColor;
void main() {
  ivec2 at = ivec2(gl_FragCoord.xy);
  fragColor = texelFetch(InputTexture, ivec2(at.x, textureSize(InputTexture, 0).y - 1 - at.y), 0);
}
)";

}  // namespace

bool PassthroughProgram::Create(std::string& error, bool upsideDown) {
  Release();
  program = BuildQuadProgram(upsideDown ? kUpsideDown : kFragment, "pass-through", error);
  if (!program) return false;
  glGenVertexArrays(1, &vertexArray);
  return true;
}

void PassthroughProgram::Draw(GLuint texture) const {
  glUseProgram(program);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(glGetUniformLocation(program, "InputTexture"), 0);
  glBindVertexArray(vertexArray);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glBindVertexArray(0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUseProgram(0);
}

void PassthroughProgram::Release() {
  if (program) glDeleteProgram(program);
  if (vertexArray) glDeleteVertexArrays(1, &vertexArray);
  program = vertexArray = 0;
}

}  // namespace hostkit
