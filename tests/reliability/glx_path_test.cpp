// Desktop hosts on Linux hand the plugin a GLX context. Under GLX the entry-point loader
// answers plain success (under EGL it answers "no GLX display" and the plugin checks the
// entry points itself), and the picture must not depend on which of the two made the
// context. This binary runs under Xvfb (the test registration starts it with tests/support/with_xvfb.sh).
//
// Both pictures are drawn in this one process: GLX first, so that the plugin's one
// loader call sees the GLX context, then EGL on the same llvmpipe. Comparing in one process
// needs no file handed between two test runs and no ordering between them, and both
// pictures come from the same driver build and the same plugin code by construction.

#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <cstring>
#include <memory>

#include "host/gl_loader.h"
#include "tests/reliability/glx_context.h"
#include "tests/reliability/plugin_calls.h"
#include "tests/reliability/host_surface.h"
#include "tests/support/gl_test_context.h"

namespace reliability {
namespace {

constexpr uint32_t kSize = 32;

unsigned int glewAnswer = ~0u;
unsigned int RecordingGlewInit() {
  glewAnswer = glewInit();
  return glewAnswer;
}

struct Scene {
  float mode;
  float seed;
  float imageMask;
  int frames;  // the picture read is the last of these frames
};

// Draws the scene with a fresh instance on the current context and answers its pixels;
// empty on failure (the failed step is reported through gtest).
std::vector<testgl::Rgba> DrawScene(const Scene& scene) {
  HostSurface surface(kSize, kSize);
  FFInstanceID instance = CreateInstance(kSize, kSize);
  EXPECT_NE(instance, nullptr) << "code 18 failed";
  std::vector<testgl::Rgba> pixels;
  if (instance) {
    SetParam(instance, 0, scene.mode);
    SetParam(instance, 15, scene.seed);
    SetParam(instance, 19, scene.imageMask);
    surface.BindCleared();
    bool drawn = true;
    for (int i = 0; i < scene.frames; ++i)
      drawn = drawn && ProcessFrame(instance, surface.Input(), surface.Framebuffer()) == FF_SUCCESS;
    EXPECT_TRUE(drawn) << "a frame was not drawn";
    if (drawn) pixels = surface.Read();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    DestroyInstance(instance);
  }
  return pixels;
}

class GlxPath : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    glx = GlxContext::Create(glxError);
    // The plugin's one loader decision of the process, made under the GLX context.
    if (glx) loaderAccepted = EnsureGlEntryPointsWith(RecordingGlewInit);
  }
  static void TearDownTestSuite() {
    Deinitialise();
    glx.reset();
  }
  void SetUp() override {
    ASSERT_NE(glx, nullptr) << "cannot create the GLX context: " << glxError;
    UseGlx();
  }

  static void UseGlx() {
    // One API's context per thread: EGL lets go before GLX takes over.
    if (eglGetCurrentContext() != EGL_NO_CONTEXT)
      eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    ASSERT_TRUE(glx->MakeCurrent());
  }

  static std::unique_ptr<GlxContext> glx;
  static std::string glxError;
  static bool loaderAccepted;
};
std::unique_ptr<GlxContext> GlxPath::glx;
std::string GlxPath::glxError;
bool GlxPath::loaderAccepted = false;

TEST_F(GlxPath, LoaderAnswersGlewOkUnderGlx) {
  EXPECT_EQ(glewAnswer, static_cast<unsigned>(GLEW_OK)) << "glewInit under GLX (" << glx->VersionText() << ")";
  EXPECT_TRUE(loaderAccepted);
}

TEST_F(GlxPath, InstancesAreCreatedDrawnAndDestroyed) {
  {
    HostSurface surface(kSize, kSize);
    FFInstanceID instances[3] = {};
    for (FFInstanceID& instance : instances) {
      instance = CreateInstance(kSize, kSize);
      ASSERT_NE(instance, nullptr);
    }
    surface.BindCleared();
    for (FFInstanceID instance : instances)
      EXPECT_EQ(ProcessFrame(instance, surface.Input(), surface.Framebuffer()), FF_SUCCESS);
    for (FFInstanceID instance : instances) DestroyInstance(instance);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlxPath, PictureEqualsTheEglPicture) {
  const Scene scenes[] = {{0.0f, 3.0f, 0.0f, 3}, {1.0f, 7.0f, 1.0f, 3}};
  for (const Scene& scene : scenes) {
    UseGlx();
    const std::vector<testgl::Rgba> glxPixels = DrawScene(scene);
    glx->ReleaseCurrent();
    std::string eglError;
    hostkit::EglContext* egl = testsupport::SharedGlContext(&eglError);
    ASSERT_NE(egl, nullptr) << "cannot create the headless EGL context: " << eglError;
    ASSERT_TRUE(egl->MakeCurrent());
    const std::vector<testgl::Rgba> eglPixels = DrawScene(scene);

    ASSERT_EQ(glxPixels.size(), static_cast<size_t>(kSize) * kSize);
    ASSERT_EQ(eglPixels.size(), glxPixels.size());
    size_t differing = 0;
    for (size_t i = 0; i < glxPixels.size(); ++i)
      differing += std::memcmp(&glxPixels[i], &eglPixels[i], sizeof(testgl::Rgba)) != 0;
    EXPECT_EQ(differing, 0u) << "pixels that differ between GLX and EGL, mode " << scene.mode << ", seed "
                             << scene.seed;
    bool varied = false;
    for (const testgl::Rgba& pixel : glxPixels) varied = varied || pixel.r != glxPixels[0].r || pixel.g != glxPixels[0].g;
    EXPECT_TRUE(varied) << "the picture is one flat colour: nothing was drawn";
  }
}

}  // namespace
}  // namespace reliability
