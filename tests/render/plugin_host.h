#pragma once
// Drives the effect as a host does, through plugMain with byte-exact records, on the
// shared headless context. The instances are a test-only subclass that exposes the GL
// names the effect holds, so tests can read back what a frame uploaded.

#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <vector>

#include "effect/organic_mats_plugin.h"
#include "tests/gl/gl_test_helpers.h"

namespace testrender {

// The effect object with its GL names in view; behaviour unchanged.
class ProbePlugin : public OrganicMatsPlugin {
 public:
  GLuint Program() const { return shaderProgram.ProgramId(); }
  GLuint VertexShader() const { return shaderProgram.vertexShaderId; }
  GLuint FragmentShader() const { return shaderProgram.fragmentShaderId; }
  GLuint VertexArray() const { return screenQuad.vaoId; }
  GLuint VertexBuffer() const { return screenQuad.vboId; }
};

// One instance created and destroyed through plugMain (codes 18 and 19).
class HostInstance {
 public:
  // GL context current. Fails the test when the plugin refuses to create an instance.
  HostInstance();
  ~HostInstance();
  HostInstance(const HostInstance&) = delete;
  HostInstance& operator=(const HostInstance&) = delete;

  uint32_t Set(uint32_t index, float value);  // code 8
  float Get(uint32_t index);                  // code 9
  uint32_t Frame(const ProcessOpenGLStruct& frame);  // code 17
  // A frame with one input texture whose record carries the given size.
  uint32_t Frame(GLuint texture, uint32_t width, uint32_t height);
  // The frame record of a host that has no input this frame.
  uint32_t FrameWithoutInput();

  ProbePlugin& Probe() { return *probe; }
  FFInstanceID Handle() const { return handle; }

 private:
  FFInstanceID handle = nullptr;
  ProbePlugin* probe = nullptr;
};

// Reads a float uniform (or vector) of a program that need not be bound; {} when the
// name is not active.
std::vector<float> UniformValues(GLuint program, const char* name, int components);

// The step the clock takes per frame for the given "Flow" and "Time Speed", in the same
// single-precision order as the effect.
float ClockStep(float flow, float timeSpeed);

// Common fixture: the shared context, the one input texture (96x64 RGBA8, a horizontal
// grey ramp with a transparent band along the bottom), and a float target of the same
// size.
class RenderTest : public testgl::GlUtilityTest {
 protected:
  static constexpr int kWidth = 96;
  static constexpr int kHeight = 64;
  static constexpr int kTransparentRows = 8;

  void SetUp() override;
  void TearDown() override;
  // Input byte value of column x (the same in r, g and b).
  static uint8_t GreyOfColumn(int x) { return static_cast<uint8_t>(x * 255 / (kWidth - 1)); }
  // Renders one frame into the cleared target and reads it back.
  std::vector<testgl::Rgba> Render(HostInstance& host, testgl::Rgba clear = {0.0f, 0.0f, 0.0f, 0.0f});

  GLuint input = 0;
  testgl::FloatTarget* target = nullptr;
};

}  // namespace testrender
