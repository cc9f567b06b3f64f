// Programs run for the host: pipes both ways, messages kept for failures, stopping a child,
// the process group that keeps Ctrl-C for the host, the signals a child starts with, and the
// forced exit of a second Ctrl-C.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>
#include <vector>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/platform/child_process.h"
#include "tools/hostkit/platform/interrupt.h"
#include "tools/hostkit/platform/pending_file.h"

namespace {

using hostkit::ByteRange;
using hostkit::ChildOptions;
using hostkit::ChildProcess;

std::unique_ptr<ChildProcess> StartShell(const std::string& script, bool pipeInput, bool pipeOutput) {
  std::string shell, error;
  EXPECT_TRUE(hostkit::FindProgram("sh", shell));
  ChildOptions options{{shell, "-c", script}, pipeInput, pipeOutput};
  auto child = ChildProcess::Start(options, error);
  EXPECT_NE(child, nullptr) << error;
  return child;
}

TEST(ChildProcess, BytesGoThroughBothPipesWhole) {
  auto child = StartShell("cat", true, true);
  ASSERT_NE(child, nullptr);
  // More than a pipe holds, in several ranges, so partial writes must be finished; the reader
  // drains concurrently through the shell's cat, so a small write buffer would deadlock only
  // if bytes were lost.
  std::vector<uint8_t> sent(48 * 1024);
  std::iota(sent.begin(), sent.end(), uint8_t{0});
  const ByteRange ranges[] = {{sent.data(), 1000}, {sent.data() + 1000, sent.size() - 1000}};
  std::string error, outcome;
  ASSERT_TRUE(child->Write(ranges, 2, error)) << error;
  child->CloseInput();
  std::vector<uint8_t> got(sent.size() + 10);
  size_t count = 0;
  ASSERT_TRUE(child->Read(got.data(), got.size(), count, error)) << error;
  got.resize(count);
  EXPECT_EQ(got, sent);
  EXPECT_TRUE(child->Wait(outcome)) << outcome;
}

TEST(ChildProcess, AFailureReportsHowItEndedAndItsLastMessages) {
  auto child = StartShell("echo early >&2; echo; echo 'last words' >&2; exit 3", false, false);
  ASSERT_NE(child, nullptr);
  std::string outcome;
  EXPECT_FALSE(child->Wait(outcome));
  EXPECT_EQ(outcome, "exited with status 3");
  EXPECT_EQ(child->LogTail(1), "last words");
  EXPECT_EQ(child->LogTail(5), "early | last words");
}

TEST(ChildProcess, WritingToAChildThatStoppedReadingIsAnError) {
  auto child = StartShell("exit 0", true, false);
  ASSERT_NE(child, nullptr);
  std::vector<uint8_t> block(256 * 1024);
  const ByteRange range{block.data(), block.size()};
  std::string error;
  EXPECT_FALSE(child->Write(&range, 1, error));
  EXPECT_NE(error.find("closed early"), std::string::npos) << error;
}

TEST(ChildProcess, KillStopsItAndWaitSaysSo) {
  auto child = StartShell("exec sleep 30", false, true);
  ASSERT_NE(child, nullptr);
  child->Kill();
  std::string outcome;
  EXPECT_FALSE(child->Wait(outcome));
  EXPECT_EQ(outcome, "was killed by signal 9");
}

TEST(ChildProcess, RunsInAProcessGroupOfItsOwn) {
  // Field 5 of /proc/PID/stat is the process group: the child leads its own.
  auto child = StartShell("read pid name state parent group rest < /proc/$$/stat; [ \"$group\" = \"$$\" ]", false,
                          false);
  ASSERT_NE(child, nullptr);
  std::string outcome;
  EXPECT_TRUE(child->Wait(outcome)) << outcome;
}

TEST(ChildProcess, AMissingProgramIsNamed) {
  std::string path, error;
  EXPECT_FALSE(hostkit::FindProgram("swirlmoss-no-such-program", path));
  ChildOptions options{{"/nonexistent/swirlmoss-no-such-program"}, true, false};
  EXPECT_EQ(ChildProcess::Start(options, error), nullptr);
  EXPECT_NE(error.find("cannot start /nonexistent/swirlmoss-no-such-program"), std::string::npos) << error;
}

TEST(ChildProcess, StartsWithDefaultSignalsThoughTheHostIgnoresSome) {
  // The host ignores SIGPIPE and SIGXFSZ; an encoder that inherited that would turn a file
  // size limit into a short file that it reports as written.
  hostkit::InstallInterruptHandler();
  auto child = StartShell("grep -E '^(SigIgn|SigBlk)' /proc/self/status", false, true);
  ASSERT_NE(child, nullptr);
  uint8_t text[256] = {};
  size_t got = 0;
  std::string error, outcome;
  ASSERT_TRUE(child->Read(text, sizeof text - 1, got, error)) << error;
  ASSERT_TRUE(child->Wait(outcome)) << outcome;
  const std::string status(reinterpret_cast<char*>(text), got);
  const auto mask = [&](const char* name) {
    const size_t at = status.find(name);
    return at == std::string::npos ? ~0ull : std::stoull(status.substr(at + std::strlen(name)), nullptr, 16);
  };
  for (int signal : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM}) {
    const unsigned long long bit = 1ull << (signal - 1);
    EXPECT_EQ(mask("SigIgn:") & bit, 0u) << "signal " << signal << " ignored: " << status;
    EXPECT_EQ(mask("SigBlk:") & bit, 0u) << "signal " << signal << " blocked: " << status;
  }
}

TEST(ForcedExit, ASecondInterruptRemovesPendingFilesAndKillsChildrenBeforeItEnds) {
  const tooltest::ScratchDir scratch;
  const std::string& directory = scratch.Path();
  const std::string marker = directory + "/child-survived";
  EXPECT_EXIT(
      {
        hostkit::InstallInterruptHandler();
        std::string error;
        auto file = hostkit::PendingFile::Create(directory + "/clip.webm", error);
        auto child = StartShell("sleep 1; touch " + marker, false, false);
        std::raise(SIGINT);  // the first asks the work to stop; cleanup would follow
        std::raise(SIGINT);  // the second cuts it short
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_TRUE(scratch.Entries().empty()) << "a pending file or the child's marker is left";
}

}  // namespace
