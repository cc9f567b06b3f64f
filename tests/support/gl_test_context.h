#pragma once
// The one headless GL context of a test process: EGL surfaceless, OpenGL 4.1 core, made
// once and kept current for the life of the process. Tests that need GL fail with the
// context's own error where none can be made; they never skip silently.

#include <gtest/gtest.h>

#include "tools/hostkit/gl/egl_context.h"

namespace testsupport {

// The process's context, created on first use; null (with the reason in `error`) when
// the machine cannot make one.
hostkit::EglContext* SharedGlContext(std::string* error = nullptr);

// Fixture base for suites that need a current GL context.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    context = SharedGlContext(&error);
    ASSERT_NE(context, nullptr) << "cannot create the headless GL context: " << error;
    ASSERT_TRUE(context->MakeCurrent());
  }
  hostkit::EglContext* context = nullptr;
};

}  // namespace testsupport
