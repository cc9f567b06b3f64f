#include "tests/gl/gl_test_helpers.h"

#include <iostream>

#include "host/gl_loader.h"

namespace testgl {

void GlUtilityTest::SetUp() {
  testsupport::GlTest::SetUp();
  ASSERT_TRUE(EnsureGlEntryPoints()) << "the GL entry points could not be loaded";
}

FloatTarget::FloatTarget(int width, int height) : width(width), height(height) {
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  glViewport(0, 0, width, height);
}

FloatTarget::~FloatTarget() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &texture);
}

void FloatTarget::Bind() const {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, width, height);
}

void FloatTarget::Clear(Rgba colour) const {
  Bind();
  glClearColor(colour.r, colour.g, colour.b, colour.a);
  glClear(GL_COLOR_BUFFER_BIT);
}

std::vector<Rgba> FloatTarget::Read() const {
  std::vector<Rgba> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
  return pixels;
}

GLuint MakeInputTexture(int width, int height, const std::vector<uint8_t>& rgba) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  // Without mipmaps the default minifying filter would leave the texture incomplete.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

std::vector<GLuint> LiveShaderAndProgramNames() {
  std::vector<GLuint> live;
  for (GLuint name = 1; name <= 4096; ++name) {
    if (glIsShader(name) || glIsProgram(name)) live.push_back(name);
  }
  return live;
}

CoutCapture::CoutCapture() : previous(std::cout.rdbuf(captured.rdbuf())) {}

CoutCapture::~CoutCapture() { std::cout.rdbuf(previous); }

std::vector<std::string> CoutCapture::Lines() const {
  std::vector<std::string> lines;
  std::istringstream stream(captured.str());
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

namespace {

GLuint CompileTestStage(GLenum type, const std::string& source) {
  GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint status = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status != GL_TRUE) {
    char log[4096] = {};
    glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
    ADD_FAILURE() << "test stage does not compile: " << log;
  }
  return shader;
}

}  // namespace

GLuint BuildTestProgram(const std::string& vertexSource, const std::string& fragmentSource) {
  const GLuint vertex = CompileTestStage(GL_VERTEX_SHADER, vertexSource);
  const GLuint fragment = CompileTestStage(GL_FRAGMENT_SHADER, fragmentSource);
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint status = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  if (status != GL_TRUE) {
    char log[4096] = {};
    glGetProgramInfoLog(program, sizeof log - 1, nullptr, log);
    ADD_FAILURE() << "test program does not link: " << log;
  }
  return program;
}

}  // namespace testgl
