// A failed GL loader is final for the process: every later creation fails and no instance
// survives. Runs in its own process, since the loader's state is process-wide.

#include <GL/glew.h>

#include "host/gl_loader.h"
#include "host/instance_lifecycle.h"
#include "host/plugin_base.h"
#include "host/plugin_info.h"
#include "tests/support/gl_test_context.h"

namespace {

int liveObjects = 0;

class Counted : public CFFGLPlugin {
 public:
  Counted() : CFFGLPlugin(false) { ++liveObjects; }
  ~Counted() override { --liveObjects; }
};

uint32_t Factory(CFFGLPlugin** instance) {
  *instance = new Counted();
  return FF_SUCCESS;
}

class LoaderFailure : public testsupport::GlTest {};

TEST_F(LoaderFailure, FailedLoaderStaysFailedForEveryLaterCreation) {
  PluginInfoBlock info(Factory, "TEST", "Loader", 2, 1, 1, 0, FF_EFFECT, "", "");
  RegisterPluginInfo(&info);
  // The loader answers "no GL version" (GLEW's code 1): not an answer that is accepted.
  EXPECT_FALSE(EnsureGlEntryPointsWith([]() -> unsigned int { return 1; }));
  const FFGLViewportStruct viewport{0, 0, 16, 16};
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_EQ(CreateGLInstance(&viewport), nullptr);
    EXPECT_EQ(liveObjects, 1) << "only the prototype may exist";
  }
  // A working loader later does not get a second chance.
  EXPECT_FALSE(EnsureGlEntryPointsWith([]() -> unsigned int { return 0; }));
  DestroyPrototype();
  EXPECT_EQ(liveObjects, 0);
  RegisterPluginInfo(nullptr);
}

TEST(LoaderAnswers, OnlySuccessAndTheHeadlessAnswerAreAccepted) {
  std::string error;
  ASSERT_NE(testsupport::SharedGlContext(&error), nullptr) << error;
  EXPECT_TRUE(GlLoaderAnswerAccepted(0));
  EXPECT_FALSE(GlLoaderAnswerAccepted(1));
  EXPECT_FALSE(GlLoaderAnswerAccepted(2));
  EXPECT_FALSE(GlLoaderAnswerAccepted(3));
  // Without loaded entry points the headless answer is a failure like any other.
  EXPECT_FALSE(GlLoaderAnswerAccepted(GLEW_ERROR_NO_GLX_DISPLAY));
}

}  // namespace
