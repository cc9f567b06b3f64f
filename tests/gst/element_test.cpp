// swirlmossgl inside GStreamer on a headless EGL context: its frames equal `swirlmoss render`'s
// for the same values, byte for byte (the same program into the same RGBA8 texture), with and
// without a blend, from the first frame and after seeks; nothing is read back from the GPU; and a context below OpenGL 4.1
// core ends in the element's one line, not a crash.

#include <dlfcn.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/tool_test_util.h"

namespace {

using tooltest::ScratchDir;

constexpr size_t kFrameBytes = 96 * 64 * 4;
const std::string kCaps = "video/x-raw,format=RGBA,width=96,height=64,framerate=25/1";
const std::string kDownload = " ! gldownload ! video/x-raw,format=RGBA ! filesink location=";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The first error's text, or empty once the pipeline reached `until` (EOS, or with a state
// change pending, its completion).
std::string Wait(GstElement* pipeline, GstMessageType until) {
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(bus, 300 * GST_SECOND,
                                                   static_cast<GstMessageType>(until | GST_MESSAGE_ERROR));
  gst_object_unref(bus);
  if (!message) return "timed out";
  std::string error;
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    GError* gerror = nullptr;
    gst_message_parse_error(message, &gerror, nullptr);
    error = gerror->message;
    g_error_free(gerror);
  }
  gst_message_unref(message);
  return error;
}

// Runs `description` to its end; with `seeks` (frame, end frame pairs at 25 fps), first
// prerolls, seeks to each in turn and only then plays. Answers the first error's text.
std::string RunPipeline(const std::string& description, const std::vector<std::pair<int, int>>& seeks = {}) {
  GError* parseError = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &parseError);
  if (!pipeline) return parseError ? parseError->message : "unparsable";
  std::string error;
  if (!seeks.empty()) {
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    error = Wait(pipeline, GST_MESSAGE_ASYNC_DONE);
    for (const auto& [from, to] : seeks) {
      if (!error.empty()) break;
      gst_element_seek(pipeline, 1.0, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                       GST_SEEK_TYPE_SET, from * GST_SECOND / 25, GST_SEEK_TYPE_SET, to * GST_SECOND / 25);
      error = Wait(pipeline, GST_MESSAGE_ASYNC_DONE);
    }
  }
  if (error.empty()) {
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    error = Wait(pipeline, GST_MESSAGE_EOS);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return error;
}

// `count` frames from the CLI at 96x64 and 25 fps, raw RGBA rows top to bottom.
std::string Render(int count, std::vector<std::string> settings, const std::string& input = "") {
  std::vector<std::string> args = {"render", "--size", "96x64", "--fps", "25", "--frames", std::to_string(count),
                                   "-o", "-"};
  if (!input.empty()) args.insert(args.end(), {"--input", input});
  for (const auto& setting : settings) args.insert(args.end(), {"--set", setting});
  const tooltest::RunResult run = tooltest::Run(SWIRLMOSS_CLI_PATH, args);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return run.out;
}

void ExpectSameFrames(const std::string& actual, const std::string& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t frame = 0; frame * kFrameBytes < actual.size(); ++frame) {
    size_t differing = 0;
    for (size_t i = frame * kFrameBytes; i < (frame + 1) * kFrameBytes; ++i) differing += actual[i] != expected[i];
    EXPECT_EQ(differing, 0u) << "frame " << frame;
  }
}

// GL readback calls so far by code in files whose name holds `part`, as the preloaded
// counting shim saw them.
long Readbacks(const char* part) {
  static const auto count = reinterpret_cast<long (*)(const char*)>(dlsym(RTLD_DEFAULT, "readback_calls"));
  EXPECT_NE(count, nullptr) << "the readback-counting shim is not preloaded";
  return count ? count(part) : -1;
}

class Element : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gst_init(nullptr, nullptr); }
};

// The colour bars show through the mask, so the picture depends on GStreamer's input, which
// must reach the plugin the right way up; with a blend the picture is laid over that input
// (GStreamer's own texture) in one more pass, and must still land the right way up.
TEST_F(Element, FramesEqualTheCliRenderWithTheMaskAndABlendOnAndNothingIsReadBack) {
  ScratchDir dir;
  // The bars' corner of noise changes with each frame: the CLI reads every one.
  ASSERT_EQ(RunPipeline("videotestsrc num-buffers=4 ! " + kCaps + " ! pngenc ! multifilesink index=1 location=" +
                        (dir / "in_%02d.png")),
            "");
  const std::string effect = " ! glupload ! swirlmossgl mode=Smoke time-speed=0.8 image-mask=true";
  const std::vector<std::string> settings = {"Mode=Smoke", "Time Speed=0.8", "Image Mask=1"};
  for (const std::string blend : {"", " blend=screen mix=0.7"}) {
    SCOPED_TRACE(blend);
    ASSERT_EQ(RunPipeline("videotestsrc num-buffers=4 ! " + kCaps + effect + blend + kDownload + (dir / "out.rgba")),
              "");
    std::vector<std::string> rendered = settings;
    if (!blend.empty()) rendered.insert(rendered.end(), {"Blend=screen", "Mix=0.7"});
    ExpectSameFrames(ReadFile(dir / "out.rgba"), Render(4, rendered, dir / "in_%02d.png"));
  }
  // gldownload reads back where asked, and the shim sees GStreamer's GL library do it.
  EXPECT_GT(Readbacks("libgstgl"), 0);
  EXPECT_EQ(Readbacks("libgstswirlmoss") + Readbacks("Swirlmoss.so"), 0);

  // From upload to a sink of GL memory, no library reads a frame back.
  const long before = Readbacks("");
  ASSERT_EQ(RunPipeline("videotestsrc num-buffers=4 ! " + kCaps + effect + " blend=screen ! fakesink"), "");
  EXPECT_EQ(Readbacks(""), before);
}

// Forward from frame 0 to 10 (the clock steps without drawing), then back to 3 (a new
// instance from frame 0): the frames played are those `render` draws at those times.
TEST_F(Element, ASeekLandsOnTheFrameRenderDraws) {
  ScratchDir dir;
  ASSERT_EQ(RunPipeline("videotestsrc ! " + kCaps + " ! glupload ! swirlmossgl mode=Smoke time-speed=0.8" + kDownload +
                            (dir / "out.rgba"),
                        {{10, 13}, {3, 6}}),
            "");
  ExpectSameFrames(ReadFile(dir / "out.rgba"), Render(6, {"Mode=Smoke", "Time Speed=0.8"}).substr(3 * kFrameBytes));
}

// Run with Mesa held to OpenGL 3.3 core.
TEST_F(Element, OldGlContextGivesTheOneLine) {
  EXPECT_EQ(RunPipeline("videotestsrc num-buffers=2 ! " + kCaps + " ! glupload ! swirlmossgl ! fakesink"),
            "swirlmossgl needs an OpenGL 4.1 core context, GStreamer's is OpenGL 3.3 core; run with GST_GL_API=opengl3 "
            "on a driver that has OpenGL 4.1");
}

}  // namespace
