// The render command on real footage, end to end: defaults taken from the input, looping,
// split renders that match whole ones, an exact frame stream beside a plugin that prints,
// and every bad input as one line with nothing written. Fixtures come from ffmpeg's own
// generators at small sizes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "tests/support/tool_test_util.h"
#include "tools/hostkit/platform/child_process.h"

namespace {

using tooltest::RunResult;
using tooltest::ScratchDir;

RunResult Swirlmoss(const std::vector<std::string>& args) { return tooltest::Run(SWIRLMOSS_CLI_PATH, args); }

using tooltest::Slurp;

class CliFootage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!hostkit::FindProgram("ffmpeg", ffmpeg) || !hostkit::FindProgram("ffprobe", ffprobe)) {
      GTEST_SKIP() << "ffmpeg is not installed here";
    }
    // 48x32 at 12 fps, 20 frames, with 1.6 s of sound. Not -shortest: ffmpeg 7 cuts there the
    // 20th frame, which ends after the sound (at 1.67 s), where ffmpeg 5.1 keeps it.
    clip = dir / "clip.mp4";
    const RunResult made = tooltest::Run(ffmpeg, {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                                        "testsrc2=s=48x32:r=12:d=1.6", "-f", "lavfi", "-i", "sine=d=1.6", "-c:v",
                                        "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", clip});
    ASSERT_EQ(made.exitCode, 0) << made.err;
  }
  // ffprobe's "key=value" lines for the first picture stream and the stream count of `type`.
  std::string Probe(const std::string& path) {
    return tooltest::Run(ffprobe, {"-v", "error", "-count_frames", "-show_entries",
                         "stream=codec_type,width,height,r_frame_rate,nb_read_frames", "-of", "default=nw=1", path})
        .out;
  }

  std::string ffmpeg, ffprobe, clip;
  ScratchDir dir;
};

TEST_F(CliFootage, SizeRateLengthAndSoundComeFromTheInput) {
  RunResult run = Swirlmoss({"render", "--input", clip, "-o", dir / "out.mp4"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string probe = Probe(dir / "out.mp4");
  EXPECT_NE(probe.find("width=48\nheight=32\nr_frame_rate=12/1\nnb_read_frames=20"), std::string::npos) << probe;
  EXPECT_NE(probe.find("codec_type=audio"), std::string::npos) << probe;
  run = Swirlmoss({"render", "--input", clip, "--frames", "2", "--no-audio", "-o", dir / "quiet.mp4"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  probe = Probe(dir / "quiet.mp4");
  EXPECT_EQ(probe.find("codec_type=audio"), std::string::npos) << "--no-audio leaves the sound out";
  // A piece of a split render leaves it out too: the pieces are joined before it goes back.
  run = Swirlmoss({"render", "--input", clip, "--start", "18", "--set", "Seed=Seed 2", "-o", dir / "piece.mp4"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  probe = Probe(dir / "piece.mp4");
  EXPECT_NE(probe.find("nb_read_frames=2"), std::string::npos) << probe;
  EXPECT_EQ(probe.find("codec_type=audio"), std::string::npos) << probe;

  // --size fits the input inside; --fps and --frames override; --loop repeats the picture.
  const RunResult raw = Swirlmoss({"render", "--input", clip, "--size", "32x32", "--fps", "30", "--frames", "25",
                                   "--loop", "-o", "-"});
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  EXPECT_EQ(raw.out.size(), size_t{25} * 32 * 32 * 4);
  EXPECT_NE(raw.err.find("--fps 30 is not the input's own 12 fps: each output frame takes the next input frame, so "
                         "the picture plays at 2.5x its speed\n"),
            std::string::npos)
      << "raw frames hold no sound: " << raw.err;

  // A rate of its own and an odd size for MP4 each say what they do, in a line.
  run = Swirlmoss(
      {"render", "--input", clip, "--size", "47x31", "--fps", "24", "--frames", "6", "-o", dir / "odd.mp4"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("plays at 2x its speed; the sound keeps its own speed, so it drifts from the picture, and is "
                         "cut to the rendered 0.2 s\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("the 47x31 frames are written as 48x32, one pixel of black added on the right and at the "
                         "bottom\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("swirlmoss: wrote " + dir / "odd.mp4" + " (48x32, 6 frames)"), std::string::npos) << run.err;
  probe = Probe(dir / "odd.mp4");
  EXPECT_NE(probe.find("width=48\nheight=32\nr_frame_rate=24/1\nnb_read_frames=6"), std::string::npos) << probe;
}

// HDR video is decoded as it comes, without tone mapping: one line says so, for PQ and HLG.
TEST_F(CliFootage, AnHdrInputSaysItIsShownAsSdr) {
  for (const auto& [code, name] : {std::pair{"16", "PQ"}, std::pair{"18", "HLG"}}) {
    const std::string tagged = dir / (std::string(name) + ".mp4");
    const RunResult made = tooltest::Run(ffmpeg, {"-v", "error", "-i", clip, "-c", "copy", "-bsf:v",
                                                  std::string("h264_metadata=transfer_characteristics=") + code, tagged});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const RunResult run = Swirlmoss({"render", "--input", tagged, "--frames", "1", "-o", dir / "out.png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find(" is HDR video (" + std::string(name) + "): it is shown as SDR, without tone mapping"),
              std::string::npos)
        << run.err;
  }
  EXPECT_EQ(Swirlmoss({"render", "--input", clip, "--frames", "1", "-o", dir / "out.png"}).err.find("HDR"),
            std::string::npos);
}

// A phone's clip: 25 frames at 25 fps then 25 at 10 fps, a white frame at 2.0 s (its frame 35)
// and a beep from 2.0 s. Written at a steady rate, the flash still falls on the beep.
TEST_F(CliFootage, AClipWhoseRateVariesKeepsItsPictureOnItsSound) {
  const std::string input = dir / "phone.mp4";
  const RunResult made = tooltest::Run(
      ffmpeg, {"-loglevel", "error", "-f", "lavfi", "-i",
               "color=c=black:s=48x32:r=25:d=2,drawbox=c=white:t=fill:enable='eq(n,35)'", "-f", "lavfi", "-i",
               "aevalsrc='if(between(t,2,2.1),sin(6283*t),0)':s=48000:d=3.5", "-vf",
               "settb=1/1000,setpts='if(lt(N,25),N/25,1+(N-25)/10)/TB'", "-fps_mode", "vfr", "-enc_time_base",
               "1/1000", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", input});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  // The mask makes the output opaque where the input is bright: the flash shows in its alpha.
  const RunResult run =
      Swirlmoss({"render", "--input", input, "--set", "Image Mask=on", "--set", "Seed=Seed 1", "-o", dir / "out.mov"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // The average is 50 frames over the stream's length, which ffmpeg 5 and 7 measure a little
  // differently (15.06 and 15.24 fps).
  const size_t varies = run.err.find("the input's frame rate varies (15.");
  ASSERT_NE(varies, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(" fps on average): rendered at a steady 50 fps", varies), varies + 36) << run.err;
  const std::string rates =
      tooltest::Run(ffprobe, {"-v", "error", "-select_streams", "v", "-show_entries", "stream=r_frame_rate,avg_frame_rate",
                              "-of", "csv=p=0", dir / "out.mov"}).out;
  const size_t comma = rates.find(',');
  ASSERT_NE(comma, std::string::npos) << rates;
  EXPECT_EQ(rates.substr(0, comma), rates.substr(comma + 1, rates.find('\n') - comma - 1)) << "not a steady rate";
  const double fps = std::stod(rates.substr(0, rates.find('/'))) / std::stod(rates.substr(rates.find('/') + 1));
  const std::string alpha = tooltest::Run(ffprobe, {"-v", "error", "-f", "lavfi", "movie=" + dir / "out.mov" +
                                                    ",alphaextract,signalstats", "-show_entries",
                                                    "frame_tags=lavfi.signalstats.YAVG", "-of", "csv=p=0"}).out;
  // The alpha's mean comes in the decoder's own scale (8-bit with ffmpeg 5, the ProRes picture's
  // 12-bit with ffmpeg 7): the flash is the first frame above halfway from darkest to brightest.
  std::vector<double> means;
  for (size_t at = 0; at < alpha.size(); at = alpha.find('\n', at) + 1) {
    means.push_back(std::stod(alpha.substr(at)));
    if (alpha.find('\n', at) == std::string::npos) break;
  }
  ASSERT_FALSE(means.empty()) << alpha;
  const auto [darkest, brightest] = std::minmax_element(means.begin(), means.end());
  int flash = -1;
  for (size_t frame = 0; frame < means.size() && flash < 0; ++frame) {
    if (means[frame] > (*darkest + *brightest) / 2) flash = static_cast<int>(frame);
  }
  const std::string silence =
      tooltest::Run(ffmpeg, {"-hide_banner", "-i", dir / "out.mov", "-af", "silencedetect=n=-30dB:d=0.05", "-f", "null", "-"})
          .err;
  const size_t end = silence.find("silence_end: ");
  ASSERT_TRUE(flash >= 0 && end != std::string::npos) << alpha << silence;
  EXPECT_NEAR(flash / fps, std::stod(silence.substr(end + 13)), 1.0 / fps) << "flash at frame " << flash << " of " << fps << " fps";
}

TEST_F(CliFootage, AnInputTooShortForTheFramesAsksForLoop) {
  const RunResult run = Swirlmoss({"render", "--input", clip, "--frames", "21", "-o", dir / "long.mp4"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find("clip.mp4 (48x32, 12 fps, 20 frames, sound) has 20 frames; use --loop or --frames 20"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "long.mp4"));
}

TEST_F(CliFootage, EveryFrameOfEveryContainerRendersWithTheSoundCutToThePicture) {
  // 21 frames at 12 fps (1.75 s) with sound that runs on, stops early or is absent. Matroska
  // written to a pipe keeps no length at all: it renders what it holds.
  const std::vector<std::string> x264 = {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"};
  const std::vector<std::string> vp9 = {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-c:a", "libopus"};
  const struct {
    std::string name;
    std::vector<std::string> codecs;
  } containers[] = {{"mp4", x264}, {"mov", x264}, {"mkv", x264}, {"webm", vp9}, {"piped.mkv", x264}};
  for (const auto& container : containers) {
    for (const char* sound : {"2.5", "1", ""}) {
      const std::string input = dir / ("in" + std::string(sound) + "." + container.name);
      std::vector<std::string> make = {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=48x32:r=12:d=1.75"};
      if (*sound) make.insert(make.end(), {"-f", "lavfi", "-i", std::string("sine=d=") + sound});
      make.insert(make.end(), container.codecs.begin(), container.codecs.end());
      const bool piped = container.name == "piped.mkv";
      make.insert(make.end(), {"-f", piped ? "matroska" : container.name == "mkv" ? "matroska" : container.name});
      make.push_back(piped ? "pipe:1" : input);
      const RunResult made = tooltest::Run(ffmpeg, make);
      ASSERT_EQ(made.exitCode, 0) << made.err;
      if (piped) std::ofstream(input, std::ios::binary) << made.out;

      const std::string output = dir / "out.mp4";
      const RunResult run = Swirlmoss({"render", "--input", input, "--set", "Seed=Seed 1", "-o", output});
      ASSERT_EQ(run.exitCode, 0) << input << ": " << run.err;
      const std::string probe = tooltest::Run(ffprobe, {"-v", "error", "-count_frames", "-show_entries",
                                                        "stream=codec_type,duration,nb_read_frames", "-of",
                                                        "csv=p=0", output}).out;
      EXPECT_EQ(probe.rfind("video,1.750000,21\n", 0), 0u) << input << ": " << probe;
      const size_t audio = probe.find("audio,");
      EXPECT_EQ(audio != std::string::npos, *sound != 0) << input << ": " << probe;
      if (audio != std::string::npos) {
        // Cut at the last frame, give or take a packet of sound.
        EXPECT_NEAR(std::stod(probe.substr(audio + 6)), *sound == '1' && !piped ? 1.0 : 1.75, 0.05)
            << input << ": " << probe;
      }
    }
  }
  // Asked for more frames than such a file holds: an error once it ends, and nothing written.
  const RunResult run =
      Swirlmoss({"render", "--input", dir / "in.piped.mkv", "--frames", "30", "-o", dir / "more.mp4"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.find("in.piped.mkv (48x32, 12 fps, length unknown) ran out at frame 21"), std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "more.mp4"));
}

TEST_F(CliFootage, SplitPiecesAreTheWholeRendersFramesByteForByte) {
  // The image mask makes the input matter; a mode switch, a ramp and keyframes make the
  // parameter plan matter; the clock runs through every skipped frame.
  const std::vector<std::string> look = {"--input", clip, "--frames", "15", "--set", "Seed=Seed 3",
                                         "--set", "Image Mask=1", "--set", "Mask Power=0.5",
                                         "--set", "Mode=0:0,6:1", "--set", "Light=0..4",
                                         "--set", "Spot Spin=0:0,12:1"};
  auto render = [&](const std::string& output, std::vector<std::string> more) {
    std::vector<std::string> args = {"render", "-o", output};
    args.insert(args.end(), look.begin(), look.end());
    args.insert(args.end(), more.begin(), more.end());
    const RunResult run = Swirlmoss(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
  };
  std::filesystem::create_directory(dir / "whole");
  render(dir / "whole/f_%02d.png", {});
  // The last piece, and one in the middle: a piece numbers its files by their frame in the whole.
  const struct {
    int start;
    std::vector<std::string> names;
  } pieces[] = {{10, {"f_10.png", "f_11.png", "f_12.png", "f_13.png", "f_14.png"}},
                {5, {"f_05.png", "f_06.png", "f_07.png", "f_08.png", "f_09.png"}}};
  for (const auto& piece : pieces) {
    const std::string folder = dir / ("piece" + std::to_string(piece.start));
    std::filesystem::create_directory(folder);
    render(folder + "/f_%02d.png", {"--start", std::to_string(piece.start), "--count", "5"});
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) written.push_back(entry.path().filename());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, piece.names) << "--start " << piece.start;
    for (const auto& name : piece.names) {
      EXPECT_EQ(Slurp(folder + "/" + name), Slurp(dir / ("whole/" + name))) << name;
    }
  }
}

// A render whose parameters follow the sound equals, byte for byte, the same render with the
// values of its --dump-features CSV given as keyframes; a piece of it equals the same frames of
// the whole.
TEST_F(CliFootage, SoundMappedRenderIsItsDumpedValuesAsKeyframes) {
  const std::string clicks = dir / "clicks.mkv";
  ASSERT_TRUE(tooltest::MakeClipWithSound(clicks, tooltest::ClickTrack(120.0, 0.2), 3.0));
  const std::vector<std::string> common = {"render", "-o", "-", "--input", clicks, "--set", "Seed=Seed 2"};
  const auto render = [&](std::vector<std::string> more) {
    more.insert(more.begin(), common.begin(), common.end());
    const RunResult run = Swirlmoss(more);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
  };
  const std::vector<std::string> mapped = {"--set", "Light=level:1..6", "--set", "Spot Spin=beat:0..0.25"};
  std::vector<std::string> dumped = mapped;
  dumped.insert(dumped.end(), {"--dump-features", dir / "features.csv"});
  const std::string whole = render(dumped);
  ASSERT_EQ(whole.size(), size_t(90) * 64 * 64 * 4);

  std::ifstream csv(dir / "features.csv");
  std::string line, light = "Light=", spin = "Spot Spin=";
  std::getline(csv, line);
  EXPECT_EQ(line, "frame,time,level,bass,mid,high,beat,onset,bar,tempo");
  int frames = 0, beats = 0;
  for (; std::getline(csv, line); ++frames) {
    int frame = 0;
    double time = 0;
    float level = 0, beat = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d,%lf,%f,%*f,%*f,%*f,%f", &frame, &time, &level, &beat), 4) << line;
    char key[80];
    std::snprintf(key, sizeof key, "%s%d:%.9g", frame ? "," : "", frame, static_cast<double>(static_cast<float>(1.0 + 5.0 * level)));
    light += key;
    std::snprintf(key, sizeof key, "%s%d:%.9g", frame ? "," : "", frame, static_cast<double>(static_cast<float>(0.25f * static_cast<double>(beat))));
    spin += key;
    beats += beat == 1.0f;
  }
  EXPECT_EQ(frames, 90);
  EXPECT_GE(beats, 5) << "six clicks in three seconds";
  EXPECT_TRUE(render({"--set", light, "--set", spin}) == whole) << "the keyframed render differs";
  const std::string piece = render({mapped[0], mapped[1], mapped[2], mapped[3], "--start", "40", "--count", "20"});
  EXPECT_TRUE(piece == whole.substr(size_t(40) * 64 * 64 * 4, size_t(20) * 64 * 64 * 4)) << "the piece differs";
}

// What a render sent the plugin of its music, through the recording stand-in: each frame's
// tempo and bar phase ("beat T P", or "" when nothing came before it), frames before --start
// included, and the sample rates with the number of frames run before each.
struct SentMusic {
  std::vector<std::string> frames;
  std::vector<std::pair<std::string, size_t>> rates;
};

SentMusic RenderSendingMusic(const std::string& log, std::vector<std::string> args) {
  args.insert(args.end(), {"--plugin", FAKE_BEAT_LOG_PATH, "-o", "-", "--set", "Seed=Seed 2"});
  const RunResult run = tooltest::Run(SWIRLMOSS_CLI_PATH, args, {"SWIRLMOSS_BEAT_LOG=" + log});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  SentMusic sent;
  std::ifstream in(log);
  std::string line, beat;
  while (std::getline(in, line)) {
    if (line == "frame") {
      sent.frames.push_back(beat);
      beat.clear();
    } else if (line.rfind("rate ", 0) == 0) {
      sent.rates.emplace_back(line, sent.frames.size());
    } else {
      beat = line;
    }
  }
  return sent;
}

// A render of a clip with sound sends the sample rate once, before the first frame, and before
// each frame that frame's tempo and bar phase, the tempo within 1 BPM of the clicks' once a few
// beats are heard; a piece sends each frame, those before it included, what the whole sends.
// With --no-audio nothing is sent.
TEST_F(CliFootage, RenderSendsThePluginTheBeatOfItsSound) {
  const std::string clicks = dir / "clicks.mkv";
  ASSERT_TRUE(tooltest::MakeClipWithSound(clicks, tooltest::ClickTrack(120.0, 0.2), 8.0));
  const SentMusic whole = RenderSendingMusic(dir / "whole.log", {"render", "--input", clicks});
  ASSERT_EQ(whole.frames.size(), 240u);
  EXPECT_EQ(whole.rates, (std::vector<std::pair<std::string, size_t>>{{"rate 44100", 0}}));
  for (size_t frame = 120; frame < whole.frames.size(); ++frame) {
    float tempo = 0, phase = -1;
    ASSERT_EQ(std::sscanf(whole.frames[frame].c_str(), "beat %f %f", &tempo, &phase), 2) << "frame " << frame;
    EXPECT_NEAR(tempo, 120.0, 1.0) << "frame " << frame;
    EXPECT_TRUE(phase >= 0.0f && phase < 1.0f) << "frame " << frame;
  }
  const SentMusic piece =
      RenderSendingMusic(dir / "piece.log", {"render", "--input", clicks, "--start", "150", "--count", "30"});
  EXPECT_EQ(piece.rates, whole.rates);
  EXPECT_TRUE(piece.frames == std::vector<std::string>(whole.frames.begin(), whole.frames.begin() + 180));
  const SentMusic silent = RenderSendingMusic(dir / "silent.log", {"render", "--input", clip, "--frames", "3", "--no-audio"});
  EXPECT_EQ(silent.frames, std::vector<std::string>(3));
  EXPECT_TRUE(silent.rates.empty());
}

// The mean absolute difference of the colour channels of frame `a` of `x` and frame `b` of `y`
// (48x32 RGBA frames).
double MeanDifference(const std::string& x, int a, const std::string& y, int b) {
  constexpr size_t kFrame = 48 * 32 * 4;
  double sum = 0;
  for (size_t i = 0; i < kFrame; ++i) {
    if (i % 4 != 3) sum += std::abs(int(uint8_t(x[a * kFrame + i])) - int(uint8_t(y[b * kFrame + i])));
  }
  return sum / (kFrame * 3 / 4);
}

TEST_F(CliFootage, PiecesRunByGnuParallelAndJoinedWithoutReencodingAreTheWholeRender) {
  std::string parallel;
  if (!hostkit::FindProgram("parallel", parallel)) GTEST_SKIP() << "GNU parallel is not installed here";
  // Three pieces of five frames, each its own process, joined by ffmpeg's concat demuxer
  // with the streams copied. ProRes codes every frame alone: the joined clip decodes to the
  // whole one's frames exactly. H.264 codes frames from their neighbours, and its rate control
  // looks ahead, so a piece (which starts on a key frame) decodes close to the whole clip, not
  // equal: each frame within a mean of 2.5 levels of the whole's frame, and nearer to it than
  // to the frames beside it (measured: 1.1 to 2.1 against 3.6 and more).
  const std::vector<std::string> look = {"--input", clip, "--frames", "15", "--set", "Seed=Seed 3",
                                         "--set", "Image Mask=1", "--set", "Mask Power=0.5",
                                         "--set", "Time Speed=1"};
  auto decode = [&](const std::string& path) {
    return tooltest::Run(ffmpeg, {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgba", "-"}).out;
  };
  for (const std::string type : {"mov", "mp4"}) {
    std::vector<std::string> whole = {"render", "-o", dir / ("whole." + type)};
    whole.insert(whole.end(), look.begin(), look.end());
    RunResult run = Swirlmoss(whole);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> pieces = {"--will-cite", "-q", "--halt", "now,fail=1", SWIRLMOSS_CLI_PATH, "render",
                                       "-o", dir / ("piece_{}." + type), "--start", "{}", "--count", "5"};
    pieces.insert(pieces.end(), look.begin(), look.end());
    pieces.insert(pieces.end(), {":::", "0", "5", "10"});
    run = tooltest::Run(parallel, pieces);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::ofstream list(dir / "list.txt");
    for (const std::string start : {"0", "5", "10"}) list << "file '" << dir / ("piece_" + start + "." + type) << "'\n";
    list.close();
    run = tooltest::Run(ffmpeg, {"-v", "error", "-f", "concat", "-safe", "0", "-i", dir / "list.txt", "-c", "copy",
                                 "-y", dir / ("joined." + type)});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::string expected = decode(dir / ("whole." + type));
    const std::string joined = decode(dir / ("joined." + type));
    ASSERT_EQ(joined.size(), size_t{15} * 48 * 32 * 4) << type;
    ASSERT_EQ(expected.size(), joined.size()) << type;
    if (type == "mov") {
      EXPECT_TRUE(joined == expected) << "the joined ProRes clip differs from the whole";
      continue;
    }
    for (int k = 0; k < 15; ++k) {
      const double own = MeanDifference(joined, k, expected, k);
      EXPECT_LE(own, 2.5) << "frame " << k;
      for (int beside : {k - 1, k + 1}) {
        if (beside >= 0 && beside < 15) {
          EXPECT_LT(own, MeanDifference(joined, k, expected, beside)) << "frame " << k << " beside " << beside;
        }
      }
    }
  }
}

TEST_F(CliFootage, TheFrameStreamStaysExactBesideAPluginThatPrints) {
  const std::vector<std::string> render = {"render", "--input", clip, "--frames", "3", "--set", "Seed=Seed 1",
                                           "-o", "-"};
  std::vector<std::string> chattyRender = render;
  chattyRender.insert(chattyRender.end(), {"--plugin", FAKE_CHATTY_PATH});
  const RunResult quiet = Swirlmoss(render);
  const RunResult chatty = Swirlmoss(chattyRender);
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
  ASSERT_EQ(chatty.exitCode, 0) << chatty.err;
  EXPECT_EQ(chatty.out.size(), size_t{3} * 48 * 32 * 4);
  EXPECT_TRUE(chatty.out == quiet.out) << "the plugin's lines reached the frame stream";
  EXPECT_NE(chatty.err.find("chatty: frame through stdio"), std::string::npos) << "its lines go to standard error";
  EXPECT_NE(chatty.err.find("chatty: frame through the descriptor"), std::string::npos);
  EXPECT_NE(chatty.err.find("chatty: initialise"), std::string::npos);
}

TEST_F(CliFootage, CtrlCWhileDecodingLeavesNothing) {
  ScratchDir out;
  // The decoder in its own process group hears nothing and is stopped by the host, which
  // ends with 130 as for Ctrl-C.
  const RunResult run = tooltest::RunInterrupted(
      SWIRLMOSS_CLI_PATH, {"render", "--input", clip, "--loop", "--frames", "1000000", "-o", out / "long.mp4"}, 3);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
  EXPECT_TRUE(out.Entries().empty());
}

TEST_F(CliFootage, BadInputsAreOneLineANonZeroExitAndNoFile) {
  std::filesystem::create_directory(dir / "seq");
  for (const char* name : {"seq/s_1.png", "seq/s_2.png", "seq/s_4.png"}) {
    tooltest::Run(ffmpeg, {"-loglevel", "error", "-f", "lavfi", "-i", "color=s=8x8", "-frames:v", "1", dir / name});
  }
  tooltest::Run(ffmpeg, {"-loglevel", "error", "-f", "lavfi", "-i", "sine=d=0.2", dir / "sound.wav"});
  std::ofstream(dir / "junk.mov") << "not a movie";
  const struct {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{"--input", dir / "missing.mp4"}, "input file not found: " + dir / "missing.mp4"},
      {{"--input", dir / "sound.wav"}, "has no picture stream"},
      {{"--input", dir / "junk.mov"}, "cannot read the input " + dir / "junk.mov"},
      {{"--input", dir / "seq/s_%d.png"}, "misses " + dir / "seq/s_3.png"},
      {{"--input", "/dev/video99"}, "is a camera, which has no end: say how many frames with --frames N"},
      {{"--input", "/dev/video99", "--frames", "2"}, "cannot open the camera /dev/video99"},
      {{"--input", clip, "--start", "20"}, "has no frame 20 (its frames are 0 to 19)"},
      {{"--input", clip, "--start", "20", "--loop", "--frames", "20"}, "--start 20 is outside the timeline of 20"},
      {{"--input", clip, "--start", "18", "--count", "3"}, "--count 3 does not fit"},
      {{"--set", "Light=bass:1..6"}, "a --set that follows the sound needs an --input with sound"},
      {{"--input", dir / "seq/s_1.png", "--dump-features", dir / "f.csv"}, "--dump-features needs sound, and"},
      {{"--input", clip, "--set", "Light=bass:1"}, "malformed sound mapping in --set \"Light=bass:1\""},
  };
  for (const auto& c : cases) {
    ScratchDir out;
    std::vector<std::string> args = {"render", "-o", out / "out.mp4"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult run = Swirlmoss(args);
    EXPECT_NE(run.exitCode, 0) << c.expected;
    EXPECT_EQ(tooltest::LineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
    EXPECT_TRUE(out.Entries().empty()) << c.expected;
  }
  // An output naming the input itself, by its own name, another spelling or a link, would
  // replace the source.
  const std::string before = Slurp(clip);
  std::filesystem::create_symlink(clip, dir / "soft.mp4");
  std::filesystem::create_hard_link(clip, dir / "hard.mp4");
  for (const std::string& output : {clip, dir / "seq/../clip.mp4", dir / "soft.mp4", dir / "hard.mp4"}) {
    const RunResult run = Swirlmoss({"render", "--input", clip, "-o", output});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("is the input itself"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Slurp(clip), before) << "the source clip was changed";

  // So would an output pattern, a frame's name or a link to a frame over an input sequence's
  // files, or an output pattern over a single input, however either is spelt.
  std::filesystem::create_directory(dir / "f");
  const RunResult made = tooltest::Run(ffmpeg, {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=48x32:r=12",
                                                "-frames:v", "3", "-start_number", "0", dir / "f/f_%04d.png"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const auto frames = [&] { return Slurp(dir / "f/f_0000.png") + Slurp(dir / "f/f_0001.png") + Slurp(dir / "f/f_0002.png"); };
  const std::string original = frames();
  std::filesystem::create_symlink(dir / "f/f_0001.png", dir / "soft_0001.png");
  std::filesystem::create_hard_link(dir / "f/f_0002.png", dir / "hard_0002.png");
  const std::vector<std::string> spellings[] = {
      {"--input", dir / "f/f_%04d.png", "-o", dir / "soft_0001.png"},
      {"--input", dir / "f/f_%04d.png", "-o", dir / "hard_0002.png"},
      {"--input", dir / "f/f_%04d.png", "-o", dir / "f/f_####.png"},
      {"--input", dir / "f/f_%04d.png", "-o", dir / "f/f_%4d.png"},
      {"--input", dir / "f/f_%04d.png", "-o", dir / "f/../f/f_0002.png"},
      {"--input", dir / "f/f_0000.png", "--frames", "2", "-o", dir / "f/f_%04d.png"}};
  for (const auto& args : spellings) {
    std::vector<std::string> render = {"render", "--set", "Seed=Seed 1"};
    render.insert(render.end(), args.begin(), args.end());
    const RunResult run = Swirlmoss(render);
    EXPECT_EQ(run.exitCode, 2) << args.back() << ": " << run.err;
    EXPECT_NE(run.err.find(", a file of the input: the render would destroy its own source"), std::string::npos)
        << run.err;
  }
  EXPECT_EQ(frames(), original) << "an input frame was changed";
}

}  // namespace
