#pragma once
// Test-side GL helpers shared by the GL utility, render and picture suites: the one
// float render target format, the one input texture set-up, and log capture.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <iosfwd>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/gl_test_context.h"

namespace testgl {

// A GL test whose entry points are loaded the way the plugin loads them.
class GlUtilityTest : public testsupport::GlTest {
 protected:
  void SetUp() override;
};

// One RGBA value read back from a float target.
struct Rgba {
  float r, g, b, a;
};

// An off-screen framebuffer with one GL_RGBA32F colour attachment: the output is written
// unclamped, as a host with a float framebuffer would see it.
class FloatTarget {
 public:
  FloatTarget(int width, int height);
  ~FloatTarget();
  FloatTarget(const FloatTarget&) = delete;
  FloatTarget& operator=(const FloatTarget&) = delete;

  // Binds the framebuffer and sets the viewport to the whole target.
  void Bind() const;
  void Clear(Rgba colour) const;
  // Every pixel, bottom row first (GL order).
  std::vector<Rgba> Read() const;
  GLuint Framebuffer() const { return framebuffer; }
  int Width() const { return width; }
  int Height() const { return height; }

 private:
  int width, height;
  GLuint texture = 0;
  GLuint framebuffer = 0;
};

// The one input set-up of every test: RGBA8, GL_LINEAR without mipmaps, clamped to the
// edge. `rgba` holds width*height*4 bytes, bottom row first. The caller deletes it.
GLuint MakeInputTexture(int width, int height, const std::vector<uint8_t>& rgba);

// Live GL shader and program names, found by asking GL about each name up to a bound.
std::vector<GLuint> LiveShaderAndProgramNames();

// Redirects std::cout into a string for the life of the object.
class CoutCapture {
 public:
  CoutCapture();
  ~CoutCapture();
  CoutCapture(const CoutCapture&) = delete;
  CoutCapture& operator=(const CoutCapture&) = delete;
  std::string Text() const { return captured.str(); }
  std::vector<std::string> Lines() const;

 private:
  std::ostringstream captured;
  std::streambuf* previous;
};

// Compile and link errors of a test-only program are test failures, with the driver's log.
GLuint BuildTestProgram(const std::string& vertexSource, const std::string& fragmentSource);

}  // namespace testgl
