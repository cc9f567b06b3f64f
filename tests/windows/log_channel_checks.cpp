#include <string>

#include "gl/shader_program.h"
#include "tests/windows/check_report.h"
#include "tests/windows/debugger_capture.h"
#include "tests/windows/host_checks.h"

namespace wintest {
namespace {

constexpr const char* kVertexStage =
    "#version 410 core\n"
    "layout(location = 0) in vec2 position;\n"
    "void main() { gl_Position = vec4(position, 0.0, 1.0); }\n";
constexpr const char* kFragmentStage =
    "#version 410 core\n"
    "out vec4 color;\n"
    "void main() { color = vec4(1.0); }\n";
// A missing semicolon: every GLSL compiler rejects it.
constexpr const char* kBrokenStage =
    "#version 410 core\n"
    "out vec4 color;\n"
    "void main() { color = vec4(1.0) }\n";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// One failed build writes exactly two debugger texts: prefix + info log, then "\n".
void ExpectOneLogLine(const DebuggerCapture& capture, const std::string& prefix) {
  const auto& texts = capture.Texts();
  if (!WT_CHECK_MSG(texts.size() == 2, "two debugger texts, got " + std::to_string(texts.size()))) return;
  WT_CHECK_MSG(StartsWith(texts[0], prefix), "line begins '" + prefix + "': '" + texts[0] + "'");
  WT_CHECK_MSG(texts[0].size() > prefix.size(), "the driver's info log follows the prefix");
  WT_CHECK(texts[1] == "\n");
}

}  // namespace

void RunLogChannelTests() {
  RunTest("BrokenFragmentStageShowsOneLineOnTheDebuggerChannel", [] {
    ShaderProgram program;
    DebuggerCapture capture;
    WT_CHECK(!program.Build(kVertexStage, kBrokenStage));
    ExpectOneLogLine(capture, "Fragment Shader error: ");
    WT_CHECK(program.ProgramId() == 0 && program.vertexShaderId == 0 && program.fragmentShaderId == 0);
  });

  RunTest("BrokenVertexStageShowsOneLineOnTheDebuggerChannel", [] {
    ShaderProgram program;
    DebuggerCapture capture;
    WT_CHECK(!program.Build(kBrokenStage, kFragmentStage));
    ExpectOneLogLine(capture, "Vertex Shader error: ");
  });

  RunTest("SoundStagesBuildWithoutDebuggerOutput", [] {
    ShaderProgram program;
    DebuggerCapture capture;
    WT_CHECK(program.Build(kVertexStage, kFragmentStage));
    WT_CHECK(program.ProgramId() != 0);
    WT_CHECK(capture.Texts().empty());
    program.Release();
  });
}

}  // namespace wintest
