// The shared noise functions of the fragment stage, run on the GPU in small programs
// assembled from the same source pieces the effect is built from.

#include <array>
#include <cmath>
#include <string>

#include "shaders/effect_shaders.h"
#include "tests/gl/gl_test_helpers.h"

namespace {

using testgl::FloatTarget;
using testgl::Rgba;

constexpr int kLattice = 8;  // an 8x8 target: pixel (x, y) probes the lattice point (x-4, y-4)

// Per pixel: noise and hash at a lattice point, fbm at the origin (where every octave
// samples the same point) for two details, and noise at the origin.
std::string LatticeProgram() {
  return std::string(
             "#version 410 core\n"
             "in vec2 vTexCoord;\n"
             "out vec4 fragColor;\n"
             "uniform float Seed;\n") +
         shaders::kNoisePiece + shaders::kFbmPiece +
         "void main() {\n"
         "  vec2 p = floor(gl_FragCoord.xy) - vec2(4.0);\n"
         "  fragColor = vec4(noise(p), hash(p), fbm(vec2(0.0), 1.0) - noise(vec2(0.0)),\n"
         "                   fbm(vec2(0.0), 0.5) - noise(vec2(0.0)));\n"
         "}\n";
}

// fbm over a stand-in noise that is 1 only in the octave that pixel x selects: starting
// from (1, 0) the k-th octave samples at distance 2^k, so the output is that octave's
// share of the summed weights.
std::string WeightProgram() {
  return std::string(
             "#version 410 core\n"
             "in vec2 vTexCoord;\n"
             "out vec4 fragColor;\n"
             "uniform float Detail;\n"
             "float noise(vec2 p) {\n"
             "  float radius = exp2(floor(gl_FragCoord.x));\n"
             "  return abs(length(p) - radius) < 0.01 * radius ? 1.0 : 0.0;\n"
             "}\n") +
         shaders::kFbmPiece +
         "void main() { fragColor = vec4(fbm(vec2(1.0, 0.0), Detail)); }\n";
}

class NoiseFunctionsTest : public testgl::GlUtilityTest {
 protected:
  void SetUp() override {
    testgl::GlUtilityTest::SetUp();
    glGenVertexArrays(1, &emptyArray);
  }
  void TearDown() override { glDeleteVertexArrays(1, &emptyArray); }

  // Draws one full-screen triangle pair without attributes: gl_FragCoord is all we use.
  std::vector<Rgba> Run(GLuint program, FloatTarget& target) {
    target.Clear({-1.0f, -1.0f, -1.0f, -1.0f});
    glUseProgram(program);
    glBindVertexArray(emptyArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindVertexArray(0);
    glUseProgram(0);
    return target.Read();
  }

  GLuint emptyArray = 0;
};

// Covers the whole viewport with one oversized triangle.
const char* const kCoverVertex =
    "#version 410 core\n"
    "out vec2 vTexCoord;\n"
    "void main() {\n"
    "  vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);\n"
    "  vTexCoord = corner * 0.5 + 0.5;\n"
    "  gl_Position = vec4(corner, 0.0, 1.0);\n"
    "}\n";

TEST_F(NoiseFunctionsTest, NoiseAtLatticePointsIsTheHashThereAndFbmOfOneValueIsThatValue) {
  FloatTarget target(kLattice, kLattice);
  const GLuint program = testgl::BuildTestProgram(kCoverVertex, LatticeProgram());
  const GLint seed = glGetUniformLocation(program, "Seed");

  glProgramUniform1f(program, seed, 0.0f);
  auto pixels = Run(program, target);
  for (int i = 0; i < kLattice * kLattice; ++i) {
    const Rgba& p = pixels[static_cast<size_t>(i)];
    EXPECT_EQ(p.r, p.g) << "noise differs from hash at lattice point " << i % kLattice - 4 << "," << i / kLattice - 4;
    EXPECT_GE(p.g, 0.0f);
    EXPECT_LT(p.g, 1.0f);
    EXPECT_NEAR(p.b, 0.0f, 1e-6f);
    EXPECT_NEAR(p.a, 0.0f, 1e-6f);
  }
  const Rgba& origin = pixels[4 * kLattice + 4];
  EXPECT_EQ(origin.g, 0.0f) << "hash(0, 0) is 0";
  EXPECT_EQ(origin.r, 0.0f) << "noise(0, 0) is 0 with seed 0";

  // A seed moves the field off the lattice, yet fbm of one repeated value stays that value.
  glProgramUniform1f(program, seed, 3.0f);
  pixels = Run(program, target);
  EXPECT_NEAR(pixels[0].b, 0.0f, 1e-6f);
  EXPECT_NEAR(pixels[0].a, 0.0f, 1e-6f);
  glDeleteProgram(program);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(NoiseFunctionsTest, FbmWeighsOctavesByDetail) {
  FloatTarget target(5, 1);
  const GLuint program = testgl::BuildTestProgram(kCoverVertex, WeightProgram());
  const GLint detail = glGetUniformLocation(program, "Detail");
  struct Case {
    float detail;
    std::array<float, 5> weights;
    float sum;
  };
  const Case cases[] = {
      {1.0f, {0.5f, 0.2125f, 0.0903125f, 0.0383828f, 0.0163127f}, 0.857508f},
      {0.5f, {0.5f, 0.23125f, 0.1069531f, 0.0494658f, 0.0228779f}, 0.910547f},
  };
  for (const Case& c : cases) {
    glProgramUniform1f(program, detail, c.detail);
    const auto pixels = Run(program, target);
    float total = 0.0f;
    for (size_t k = 0; k < 5; ++k) {
      EXPECT_NEAR(pixels[k].r, c.weights[k] / c.sum, 2e-6f) << "detail " << c.detail << ", octave " << k;
      total += pixels[k].r;
    }
    EXPECT_NEAR(total, 1.0f, 1e-5f);
  }
  glDeleteProgram(program);
}

}  // namespace
