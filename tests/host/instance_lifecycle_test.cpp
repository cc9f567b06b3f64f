// Instance creation and destruction on the plugin's internals, with a factory of test
// plugins: the default push, GL set-up, every failure path of creation, and the connect
// and disconnect order. The one-time GL loader runs here under the shared EGL context.

#include <GL/glew.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/gl_loader.h"
#include "host/instance_lifecycle.h"
#include "host/plug_main.h"
#include "host/plugin_base.h"
#include "host/plugin_info.h"
#include "tests/support/gl_test_context.h"

namespace {

std::vector<std::string> calls;
int liveObjects = 0;
uint32_t failingIndex = 0xFFFFFFFFu;  // SetParamValue fails for this index
bool setupFails = false;
bool factoryFails = false;

class ProbePlugin : public CFFGLPlugin {
 public:
  ProbePlugin() : CFFGLPlugin(false) {
    ++liveObjects;
    for (uint32_t i = 0; i < 3; ++i) RegisterParam(i, "p", FF_TYPE_STANDARD, 0.25f * static_cast<float>(i + 1));
  }
  ~ProbePlugin() override {
    --liveObjects;
    calls.push_back("destroy");
  }
  uint32_t SetParamValue(uint32_t index, float value) override {
    if (index == failingIndex) return FF_FAIL;
    if (index < 3) values[index] = value;
    return index < 3 ? FF_SUCCESS : FF_FAIL;
  }
  float ParamValue(uint32_t index) override { return index < 3 ? values[index] : 0.0f; }
  uint32_t SetupGL(const FFGLViewportStruct*) override {
    calls.push_back("setup " + std::to_string(values[0]) + " " + std::to_string(values[2]));
    return setupFails ? FF_FAIL : FF_SUCCESS;
  }
  uint32_t TeardownGL() override {
    calls.push_back("teardown");
    return FF_SUCCESS;
  }
  uint32_t Connect() override {
    calls.push_back("connect");
    return FF_SUCCESS;
  }
  uint32_t Disconnect() override {
    calls.push_back("disconnect");
    return FF_SUCCESS;
  }
  uint32_t RenderFrame(const ProcessOpenGLStruct&) override {
    calls.push_back("render");
    return FF_SUCCESS;
  }
  float values[3] = {-1.0f, -1.0f, -1.0f};
};

bool factoryFailsAfterStoring = false;
ProbePlugin strandedObject;  // what a factory that fails late may have stored

uint32_t ProbeFactory(CFFGLPlugin** instance) {
  if (factoryFailsAfterStoring) {
    *instance = &strandedObject;
    return FF_FAIL;
  }
  *instance = factoryFails ? nullptr : new ProbePlugin();
  return *instance ? FF_SUCCESS : FF_FAIL;
}

PluginInfoBlock probeInfo(ProbeFactory, "TEST", "Probe Plugin Name Is Long", 2, 1, 1, 0, FF_EFFECT, "d", "a");

class Lifecycle : public testsupport::GlTest {
 protected:
  void SetUp() override {
    testsupport::GlTest::SetUp();
    RegisterPluginInfo(&probeInfo);
    DestroyPrototype();
    calls.clear();
    failingIndex = 0xFFFFFFFFu;
    setupFails = factoryFails = factoryFailsAfterStoring = false;
  }
  void TearDown() override {
    DestroyPrototype();
    EXPECT_EQ(liveObjects, 1) << "an instance was left behind (the stranded object is static)";
  }
  static FFMixed Call(uint32_t code, void* input, void* instance = nullptr) {
    FFMixed word;
    word.PointerValue = input;
    return plugMain(code, word, instance);
  }
  FFGLViewportStruct viewport{0, 0, 32, 32};
};

TEST_F(Lifecycle, CreationPushesDefaultsBeforeSetupAndDestructionTearsDown) {
  CFFGLPlugin* instance = CreateGLInstance(&viewport);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance->ownerRegistry, instance);
  EXPECT_EQ(calls, (std::vector<std::string>{"setup 0.250000 0.750000"}));
  EXPECT_EQ(liveObjects, 3) << "the prototype, the instance and the static stranded object";
  calls.clear();
  DestroyGLInstance(instance);
  EXPECT_EQ(calls, (std::vector<std::string>{"teardown", "destroy"}));
}

TEST_F(Lifecycle, FailingDefaultPushLeavesNoInstanceAndNeverSetsUp) {
  failingIndex = 1;
  EXPECT_EQ(CreateGLInstance(&viewport), nullptr);
  EXPECT_EQ(calls, (std::vector<std::string>{"destroy"}));
  EXPECT_EQ(liveObjects, 2) << "only the prototype (and the static stranded object)";
}

TEST_F(Lifecycle, FailingSetupIsTornDownAndDeleted) {
  setupFails = true;
  EXPECT_EQ(Call(18, &viewport).UIntValue, FF_FAIL);
  EXPECT_EQ(calls, (std::vector<std::string>{"setup 0.250000 0.750000", "teardown", "destroy"}));
}

TEST_F(Lifecycle, NoViewportOrNoPrototypeCreatesNothing) {
  EXPECT_EQ(CreateGLInstance(nullptr), nullptr);
  EXPECT_EQ(liveObjects, 1);
  factoryFails = true;
  EXPECT_EQ(CreateGLInstance(&viewport), nullptr);
  FFMixed none;
  none.PointerValue = nullptr;
  EXPECT_EQ(plugMain(4, none, nullptr).UIntValue, FF_FAIL);
  EXPECT_EQ(plugMain(10, none, nullptr).UIntValue, FF_FAIL);
  EXPECT_EQ(plugMain(47, none, nullptr).UIntValue, 0u);
  EXPECT_EQ(plugMain(5, none, nullptr).PointerValue, nullptr);
  factoryFails = false;
  EXPECT_EQ(plugMain(4, none, nullptr).UIntValue, 3u) << "a failed prototype is tried again";
}

TEST_F(Lifecycle, AFactoryThatFailsAfterStoringLeavesNoPrototype) {
  factoryFailsAfterStoring = true;
  EXPECT_EQ(EnsurePrototype(), FF_FAIL);
  EXPECT_EQ(Prototype(), nullptr);
  EXPECT_EQ(EnsurePrototype(), FF_FAIL) << "a failed object is never taken as the prototype";
  factoryFailsAfterStoring = false;
  EXPECT_EQ(EnsurePrototype(), FF_SUCCESS);
  EXPECT_NE(Prototype(), &strandedObject);
}

TEST_F(Lifecycle, FramesConnectOnceAndDestructionDisconnectsFirst) {
  auto* instance = static_cast<CFFGLPlugin*>(Call(18, &viewport).PointerValue);
  ASSERT_NE(instance, nullptr);
  ProcessOpenGLStruct frame{};
  calls.clear();
  Call(17, &frame, instance);
  Call(17, &frame, instance);
  EXPECT_EQ(calls, (std::vector<std::string>{"connect", "render", "render"}));
  calls.clear();
  EXPECT_EQ(Call(19, nullptr, instance).UIntValue, FF_SUCCESS);
  EXPECT_EQ(calls, (std::vector<std::string>{"disconnect", "teardown", "destroy"}));
}

TEST_F(Lifecycle, ExplicitConnectAndDisconnectMoveTheMark) {
  auto* instance = static_cast<CFFGLPlugin*>(Call(18, &viewport).PointerValue);
  ASSERT_NE(instance, nullptr);
  Call(21, nullptr, instance);
  EXPECT_TRUE(instance->connected);
  Call(22, nullptr, instance);
  EXPECT_FALSE(instance->connected);
  calls.clear();
  Call(19, nullptr, instance);
  EXPECT_EQ(calls, (std::vector<std::string>{"teardown", "destroy"})) << "not connected: no disconnect";
}

TEST_F(Lifecycle, HeadlessLoaderAnswerIsAcceptedOnceTheEntryPointsAreLoaded) {
  CFFGLPlugin* instance = CreateGLInstance(&viewport);
  ASSERT_NE(instance, nullptr) << "the loader was not accepted under EGL";
  DestroyGLInstance(instance);
  // GLEW here is built for GLX: under EGL it loads the core entry points, then reports
  // that it found no GLX display.
  EXPECT_EQ(glewInit(), static_cast<GLenum>(GLEW_ERROR_NO_GLX_DISPLAY));
  EXPECT_TRUE(GlLoaderAnswerAccepted(GLEW_ERROR_NO_GLX_DISPLAY));
  EXPECT_TRUE(EnsureGlEntryPoints());
}

TEST_F(Lifecycle, NameFieldIsFilledWithoutTerminatorWhenFull) {
  EXPECT_EQ(std::memcmp(probeInfo.info.PluginName, "Probe Plugin Nam", 16), 0);
  EXPECT_EQ(std::memcmp(probeInfo.info.PluginUniqueID, "TEST", 4), 0);
  PluginInfoBlock shortName(ProbeFactory, "AB", "Short", 2, 1, 1, 0, FF_EFFECT, "", "");
  EXPECT_EQ(std::memcmp(shortName.info.PluginUniqueID, "AB\0\0", 4), 0);
  EXPECT_EQ(std::memcmp(shortName.info.PluginName, "Short\0\0\0\0\0\0\0\0\0\0\0", 16), 0);
}

}  // namespace
