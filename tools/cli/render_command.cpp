// swirlmoss render: frames of the effect to pictures, picture sequences, video or raw RGBA
// (the outputs are listed in tools/hostkit/media/output_formats.cpp).

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "tools/cli/cli_common.h"
#include "tools/cli/commands.h"
#include "tools/cli/progress.h"
#include "tools/cli/settings_options.h"
#include "tools/hostkit/image/test_card.h"
#include "tools/hostkit/image/number_pattern.h"
#include "tools/hostkit/media/frame_source.h"
#include "tools/hostkit/media/output_formats.h"
#include "tools/hostkit/media/sound_analysis.h"
#include "tools/hostkit/params/seed.h"
#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/platform/pending_file.h"
#include "tools/hostkit/render/render_loop.h"

namespace swirlcli {

const char* const kSetHelp =
    "Setting parameters (--set NAME=VALUE, repeatable; names and option names ignore case):\n"
    "  --set \"Light=2.5\"              a number\n"
    "  --set \"Mode=Smoke\"             an option by name (or its value: Mode=1)\n"
    "  --set \"Seed=Seed 4\"            likewise; \"Night Mode=on\" for a switch\n"
    "  --set \"Spot Spin=0..1\"         a linear ramp from the first frame to the last\n"
    "  --set \"Light=0:1,60:5,120:1\"   keyframes FRAME:VALUE (frames from 0), linear between them\n"
    "  --set \"Light=bass:1..6\"        follows the input's sound: 1 where the bass is 0, 6 where it\n"
    "                                 is 1 (features: level, bass, mid, high, beat, onset, bar;\n"
    "                                 \"Light=bass\" spans the declared range)\n"
    "A number outside its declared range is passed unchanged with a warning: the plugin does not\n"
    "clamp. An option takes one of its names, or a value within its elements' values.\n"
    "\n"
    "How values are applied: \"Mode\" keeps one bank of values per mode, and a \"Mode\" on the other\n"
    "side of 0.5 loads that mode's bank at the next frame, which would overwrite values set before\n"
    "it. So this host sets \"Mode\" first, primes the switch with a frame record of no input (the\n"
    "banks swap, the labels change, and the effect's clock advances one step), and only then sets\n"
    "the other values. Hidden parameters can be set too: in Smoke, \"Night Mode=1\" turns on the\n"
    "light beams.";

namespace {

// The command line as read: every value typed, each option given or not.
struct RenderOptions {
  std::string plugin;
  GlOptions gl;
  hostkit::RenderSettings settings;
  std::optional<int> frames;  // none: the input's length
  int start = 0;
  std::optional<int> count;  // none: to the end of the timeline
  bool loop = false;
  bool noAudio = false;
  hostkit::OutputTarget output;
  std::string dumpFeatures;
  int jobs = 0;
  bool resume = false;

  bool ToStandardOutput() const { return output.format->kind == hostkit::OutputKind::Stream; }
};

// The timeline, size and rate of a render: from the options, else from the input, else the
// defaults of a render of the test card.
struct RenderShape {
  int width = 1280, height = 720;
  double fps = hostkit::kDefaultFrameRate;
  hostkit::RenderSpan span;
};

// What can be refused before the plugin loads.
void CheckOutput(const RenderOptions& options) {
  const std::string& output = options.output.path;
  Require(!options.resume || options.output.format->kind == hostkit::OutputKind::Sequence,
          "--resume continues a PNG or EXR sequence (NAME_%04d.png), which keeps its finished frames; -o " + output +
              " is written whole or not at all",
          kExitUsage);
  Require(options.settings.input.empty() || options.ToStandardOutput() ||
              !hostkit::SameFile(options.settings.input, output),
          "-o " + output + " is the input itself: the render would replace its own source; write elsewhere",
          kExitUsage);
  // Before the plugin loads: its log lines go to standard output.
  std::string error;
  if (options.ToStandardOutput()) Require(hostkit::ReserveStandardOutputForFrames(error), error);
  Require(options.jobs >= 0, "--jobs " + std::to_string(options.jobs) + ": use 1 or more threads (0: one per core)",
          kExitUsage);
}

// The --input source from frame `start`, delivering frames at --size when that is given; none
// for the test card.
std::unique_ptr<hostkit::FrameSource> OpenInput(const RenderOptions& options, int start) {
  const hostkit::RenderSettings& settings = options.settings;
  if (settings.input.empty()) return nullptr;
  if (hostkit::IsCameraLocation(settings.input)) {
    Require(options.frames.has_value(),
            settings.input + " is a camera, which has no end: say how many frames with --frames N", kExitUsage);
  }
  hostkit::SourceRequest request;
  request.location = settings.input;
  if (settings.size) {
    request.width = settings.size->width;
    request.height = settings.size->height;
  }
  request.start = start;
  request.loop = options.loop;
  request.fps = settings.fps.value_or(0.0);
  std::string error;
  auto source = hostkit::OpenFrameSource(request, error);
  Require(source != nullptr, error);
  return source;
}

// A file that does not say its length: without --frames the timeline runs to its last frame.
bool LengthUnknown(const hostkit::FrameSource* source) {
  return source && !source->Info().still && source->Info().frames == 0;
}

RenderShape ShapeOf(const RenderOptions& options, const hostkit::FrameSource* source) {
  RenderShape shape;
  int total = 1;
  if (source) {
    const hostkit::SourceInfo& info = source->Info();
    shape.width = info.width;
    shape.height = info.height;
    shape.fps = info.fps;
    if (!info.still && info.frames > 0) total = static_cast<int>(std::min<int64_t>(info.frames, INT32_MAX));
  }
  const bool open = LengthUnknown(source) && !options.frames;
  if (open) {
    Require(!options.loop, source->Info().description + " does not say its length: give --loop a --frames N",
            kExitUsage);
    total = INT32_MAX;
  }
  if (const auto& size = options.settings.size) {
    shape.width = size->width;
    shape.height = size->height;
  }
  if (options.settings.fps) shape.fps = *options.settings.fps;
  if (options.frames) {
    const int frames = *options.frames;
    Require(frames >= 1, "--frames " + std::to_string(frames) + ": render at least 1 frame", kExitUsage);
    if (source && !source->Info().still && source->Info().frames > 0 && frames > total && !options.loop) {
      throw CommandFailure(source->Info().description + " has " + std::to_string(total) +
                               " frames; use --loop or --frames " + std::to_string(total),
                           kExitUsage);
    }
    total = frames;
  }
  Require(shape.fps > 0.0, "--fps must be above 0", kExitUsage);
  Require(options.start >= 0 && options.start < total,
          "--start " + std::to_string(options.start) + " is outside the timeline of " + std::to_string(total) +
              " frames (0 to " + std::to_string(total - 1) + ")",
          kExitUsage);
  const int count = options.count.value_or(total - options.start);
  Require(count >= 1 && count <= total - options.start,
          "--count " + std::to_string(count) + " does not fit: from frame " + std::to_string(options.start) + " of " +
              std::to_string(total) + " at most " + std::to_string(total - options.start) + " frames remain",
          kExitUsage);
  shape.span = hostkit::RenderSpan{total, options.start, count, open && !options.count};
  return shape;
}

// True when Paint may draw this render's seed at random: a render in pieces needs it set.
bool SeedDrawn(const hostkit::ParameterPlan& plan, const hostkit::ParameterModel& model) {
  return hostkit::FindSeed(model) && !hostkit::PlanSetsSeed(plan, model) && hostkit::PlanMayPaint(plan, model);
}

// What the span cannot do with this plan and output, refused before any frame is drawn.
// `resumed`: frames of the sequence are there from an earlier run.
void CheckSpan(const RenderOptions& options, const RenderShape& shape, const hostkit::ParameterPlan& plan,
               const hostkit::ParameterModel& model, const hostkit::FrameSource* source, bool resumed) {
  const hostkit::RenderSpan& span = shape.span;
  // The pieces of a split render are separate processes: each would draw its own seed.
  const bool piece = span.start > 0 || options.count.has_value();
  Require(!resumed || !SeedDrawn(plan, model),
          "--resume continues the frames of an earlier run, and Paint draws \"Seed\" at random in each: add the "
          "--set \"Seed=...\" that the earlier run named",
          kExitUsage);
  Require(!piece || !SeedDrawn(plan, model),
          "--start and --count render pieces in separate runs, and Paint draws \"Seed\" at random in each: add "
          "--set \"Seed=Seed 1\" (or any seed) to every piece",
          kExitUsage);
  if (!span.toSourceEnd) return;
  const std::string unknown = source->Info().description + " does not say its length, ";
  for (const hostkit::ParameterTrack& track : plan.Tracks()) {
    Require(track.kind != hostkit::ParameterTrack::Kind::Ramp,
            unknown + "which the ramp of \"" + track.name + "\" runs over: give --frames N", kExitUsage);
  }
  Require(options.output.format->kind != hostkit::OutputKind::Picture,
          unknown + "so the last frame for -o " + options.output.path + " is unknown: give --frames N", kExitUsage);
}

// The picture the instance starts from: the test card, or a blank that the input's first
// frame replaces.
hostkit::Image FirstPicture(const RenderShape& shape, const hostkit::FrameSource* source) {
  if (!source) return hostkit::MakeTestCard(shape.width, shape.height);
  return hostkit::Image{shape.width, shape.height, std::vector<uint8_t>(size_t(shape.width) * shape.height * 4)};
}

hostkit::OutputRequest OutputRequestFor(const RenderOptions& options, const RenderShape& shape,
                                        const hostkit::FrameSource* source, const std::vector<int>& present) {
  const hostkit::RenderSpan& span = shape.span;
  hostkit::OutputRequest request{options.output.path, span.count, shape.fps, shape.width, shape.height, options.jobs};
  request.format = options.output.format;
  request.firstFrame = span.start;
  request.present = present;
  // The sound goes with whole renders only: the pieces of a split render are joined first.
  const bool whole = span.start == 0 && (span.count == span.total || span.toSourceEnd);
  if (source && source->Info().hasAudio && !options.noAudio && whole) {
    request.audioPath = options.settings.input;
    request.audioSeconds = span.count / shape.fps;
    request.audioToLastFrame = span.toSourceEnd;
  }
  return request;
}

// The size of the file's frames: H.264 in 4:2:0 keeps colour for 2x2 blocks of pixels, so the
// sink pads an odd side by one.
hostkit::FrameSize WrittenSize(const hostkit::OutputFormat& format, const RenderShape& shape) {
  if (!format.evenSides) return {shape.width, shape.height};
  return {shape.width + shape.width % 2, shape.height + shape.height % 2};
}

// What this render does to the picture or the sound that its command line does not say, one
// line each, before it starts.
void SayWhatChanges(const RenderOptions& options, const RenderShape& shape, const hostkit::FrameSource* source,
                    const hostkit::OutputRequest& request) {
  const hostkit::OutputFormat& format = *options.output.format;
  char text[400];
  hostkit::NumberPattern pattern;
  const bool ownRate = source && !source->Info().still && !hostkit::FindNumberPattern(options.settings.input, pattern);
  if (ownRate && source->Info().averageFps > 0.0) {
    std::snprintf(text, sizeof text, "the input's frame rate varies (%.4g fps on average): rendered at a steady %g fps, "
                  "each frame the input's frame on screen at its time, so the picture keeps to the sound",
                  source->Info().averageFps, shape.fps);
    PrintNote(text);
  } else if (ownRate && options.settings.fps && std::fabs(shape.fps / source->Info().fps - 1.0) > 1e-6) {
    const hostkit::SourceInfo& info = source->Info();
    std::snprintf(text, sizeof text,
                  "--fps %g is not the input's own %g fps: each output frame takes the next input frame, so the "
                  "picture plays at %.3gx its speed",
                  shape.fps, info.fps, shape.fps / info.fps);
    std::string line = text;
    const bool soundKept = !request.audioPath.empty() && !format.sound.empty();
    if (soundKept) {
      if (request.audioToLastFrame) {
        std::snprintf(text, sizeof text, "; the sound keeps its own speed, so it drifts from the picture, and is "
                      "cut at the last frame");
      } else {
        std::snprintf(text, sizeof text, "; the sound keeps its own speed, so it drifts from the picture, and is "
                      "cut to the rendered %.1f s", request.audioSeconds);
      }
      line += text;
    }
    PrintNote(line);
  }
  const hostkit::FrameSize written = WrittenSize(format, shape);
  if (written.width != shape.width || written.height != shape.height) {
    const char* where = written.width == shape.width    ? "at the bottom"
                        : written.height == shape.height ? "on the right"
                                                         : "on the right and at the bottom";
    std::snprintf(text, sizeof text, "MP4 (H.264, 4:2:0) needs even sides: the %dx%d frames are written as %dx%d, "
                  "one pixel of black added %s", shape.width, shape.height, written.width, written.height, where);
    PrintNote(text);
  }
  if (const std::string hdr = source ? hostkit::HdrNote(source->Info()) : ""; !hdr.empty()) PrintNote(hdr);
}

// What --resume finds of the sequence over the span asked for: the frames already whole, and
// the frames from the first missing one to the last, which is what it renders (the whole
// frames among them are drawn, as the effect's clock needs, and not written again).
struct ResumePlan {
  std::vector<int> present;  // whole frames within the span rendered
  int whole = 0;             // whole frames in the span asked for
  bool complete = false;     // nothing is missing
  std::string note;          // what it found, said once the render is sure to go ahead
};

ResumePlan PlanResume(const RenderOptions& options, RenderShape& shape) {
  ResumePlan plan;
  if (!options.resume) return plan;
  hostkit::NumberPattern pattern;
  hostkit::FindNumberPattern(options.output.path, pattern);
  hostkit::RenderSpan& span = shape.span;
  const int64_t end = int64_t{span.start} + span.count;
  int firstMissing = -1, lastMissing = -1, unfinished = 0;
  std::string problem;
  std::vector<int> whole;
  for (int frame = span.start; frame < end; ++frame) {
    std::string why;
    switch (hostkit::ExamineSequenceFrame(pattern.Format(frame), options.output.format->pixels, shape.width,
                                          shape.height, why)) {
      case hostkit::SequenceFrame::Whole:
        whole.push_back(frame);
        continue;
      case hostkit::SequenceFrame::OtherSize:
        throw CommandFailure("--resume: " + why + ": resume with the options of the run that wrote it", kExitUsage);
      case hostkit::SequenceFrame::Unfinished:
        if (unfinished++ == 0) problem = why;
        break;
      case hostkit::SequenceFrame::Missing:
        break;
    }
    if (firstMissing < 0) firstMissing = frame;
    lastMissing = frame;
    // A span open at its end runs to the input's last frame, which is not known yet.
    if (span.toSourceEnd) break;
  }
  plan.whole = static_cast<int>(whole.size());
  plan.complete = firstMissing < 0;
  if (plan.complete) return plan;
  for (int frame : whole) {
    if (frame > firstMissing && frame < lastMissing) plan.present.push_back(frame);
  }
  const int asked = span.count;
  span.count = span.toSourceEnd ? span.count - (firstMissing - span.start) : lastMissing - firstMissing + 1;
  span.start = firstMissing;
  if (plan.whole == 0 && unfinished == 0) return plan;
  std::string& note = plan.note;
  note = "--resume: " + std::to_string(plan.whole) + " frames of " + options.output.path + " are whole";
  if (!span.toSourceEnd) note += "; rendering the other " + std::to_string(asked - plan.whole);
  if (unfinished > 0) {
    note += " (" + problem + (unfinished > 1 ? ", and " + std::to_string(unfinished - 1) + " more unfinished" : "") +
            ": rendered again)";
  }
  return plan;
}

// The end of the line for a render that failed or was interrupted: what the output keeps of
// it and how to go on. A sequence keeps its finished frames: --resume renders the rest, unless
// frames of an earlier render lie after them, which it would take for finished.
std::string WhatIsLeft(const RenderOptions& options, const hostkit::RenderSpan& asked, const hostkit::RenderSpan& span,
                       const ResumePlan& resume, int written, const std::string& seed) {
  const hostkit::OutputKind kind = options.output.format->kind;
  if (kind == hostkit::OutputKind::Video) {
    return "; a video file is written whole or not at all: for a long render write a PNG or EXR sequence, which "
           "keeps its finished frames, or pieces with --start and --count";
  }
  const int kept = resume.whole + written;
  if (kind != hostkit::OutputKind::Sequence || kept == 0) return "";
  std::string line = "; kept " + std::to_string(kept) + " finished frame" + (kept == 1 ? "" : "s");
  if (!asked.toSourceEnd) line += " of " + std::to_string(asked.count);
  line += " in " + hostkit::DirectoryOf(options.output.path) + ", each a whole file: ";
  const std::string again = seed.empty() ? "" : " --set \"Seed=" + seed + "\"";
  const int next = span.start + written;
  bool earlier = false;
  hostkit::NumberPattern pattern;
  hostkit::FindNumberPattern(options.output.path, pattern);
  for (int frame = next; !options.resume && !span.toSourceEnd && frame < span.start + span.count && !earlier; ++frame) {
    std::error_code ignored;
    earlier = std::filesystem::is_regular_file(pattern.Format(frame), ignored);
  }
  if (!earlier) return line + "run the same command with --resume" + again + " to render the rest";
  return line + "the frames after them there are from an earlier render, so run the same command with --start " +
         std::to_string(next) + (options.count ? " --count " + std::to_string(span.start + span.count - next) : "") +
         again + " to render the rest over them";
}

// The seed the render drew with, and how to draw with it again when it was not asked for.
std::string SeedNote(const hostkit::InstanceDriver& driver, const hostkit::ParameterPlan& plan,
                     const hostkit::ParameterModel& model) {
  const hostkit::ParameterInfo* seed = hostkit::FindSeed(model);
  if (!seed) return "";
  const std::string name = hostkit::SeedName(*seed, driver.Value(seed->index));
  if (hostkit::PlanSetsSeed(plan, model)) return ", " + name;
  return ", " + name + " (add --set \"Seed=" + name + "\" to repeat it)";
}

// The input's sound at every frame of the timeline. It is heard whenever the input has sound,
// unless --no-audio leaves it out and nothing asks for it (a value that follows it,
// --dump-features): the plugin is sent its tempo and bar phase before each frame. Only a sound
// that something asks for must be heard; otherwise a sound that cannot be is said in one line
// and the render goes on without the beat. The CSV is written with the output, once the render
// is whole. Frame N is at the time of the input's own frame N (the picture it shows), whatever
// --fps says.
hostkit::SoundFeatures HearInput(const RenderOptions& options, const hostkit::ParameterPlan& plan,
                                 const RenderShape& shape, const hostkit::FrameSource* source) {
  hostkit::SoundFeatures features;
  const bool dump = !options.dumpFeatures.empty();
  const bool asked = plan.FollowsSound() || dump;
  const bool hasSound = source && source->Info().hasAudio;
  if (!asked && (!hasSound || options.noAudio)) return features;
  const std::string why = dump ? "--dump-features" : "a --set that follows the sound";
  Require(source != nullptr, why + " needs an --input with sound (the test card has none)", kExitUsage);
  Require(hasSound, why + " needs sound, and " + source->Info().description + " has none", kExitUsage);
  std::string error;
  if (dump) Require(hostkit::CheckOutputDirectory(options.dumpFeatures, error), error, kExitUsage);
  const int frames = shape.span.toSourceEnd ? 0 : shape.span.total;
  const bool heard = hostkit::AnalyseClipSound(options.settings.input, source->Info().fps, frames, features, error);
  Require(heard || !asked, error);
  if (!heard) {
    PrintNote(error + ": the plugin is sent no beat");
    features = {};
  }
  return features;
}

int RunRender(const RenderOptions& options) {
  CheckOutput(options);
  const LoadedPlugin plugin = LoadPlugin(options.plugin);
  const hostkit::RenderSettings& settings = options.settings;
  hostkit::ParameterPlan plan = ParsePlan(WithPreset(settings.preset, hostkit::PlanValues(settings), plugin.model), plugin.model);
  std::unique_ptr<hostkit::FrameSource> source = OpenInput(options, options.start);
  RenderShape shape = ShapeOf(options, source.get());
  if (source && !options.ToStandardOutput()) {
    const std::string overwritten = hostkit::InputFileOverwritten(
        settings.input, options.output.path, options.output.format->kind == hostkit::OutputKind::Sequence,
        shape.span.start, shape.span.count);
    Require(overwritten.empty(), "-o " + options.output.path + " would replace " + overwritten +
                                     ", a file of the input: the render would destroy its own source; write elsewhere",
            kExitUsage);
  }
  const hostkit::RenderSpan asked = shape.span;
  const ResumePlan resume = PlanResume(options, shape);
  if (resume.complete) {
    PrintNote("--resume: all " + std::to_string(resume.whole) + " frames of " + options.output.path +
              " are whole already; nothing to render");
    return kExitOk;
  }
  CheckSpan(options, shape, plan, plugin.model, source.get(), resume.whole > 0);
  if (shape.span.start != options.start) source = OpenInput(options, shape.span.start);
  const hostkit::SoundFeatures sound = HearInput(options, plan, shape, source.get());
  plan.Hear(&sound);
  const auto gl = MakeGlContext(options.gl);
  const auto driver =
      MakeDriver(plugin, shape.width, shape.height, options.output.format->pixels, FirstPicture(shape, source.get()));
  if (!sound.frames.empty()) driver->SetSampleRate(static_cast<uint32_t>(sound.sampleRate));
  const hostkit::OutputRequest request = OutputRequestFor(options, shape, source.get(), resume.present);
  std::string error;
  const auto sink = hostkit::OpenSink(request, error);
  Require(sink != nullptr, error);
  if (!resume.note.empty()) PrintNote(resume.note);
  SayWhatChanges(options, shape, source.get(), request);
  TerminalProgress progress("render");
  hostkit::RenderTiming timing;
  const bool rendered =
      hostkit::RenderSpanFrames(*driver, plan, shape.span, source.get(), sink.get(), &progress, &timing, error);
  progress.Close();
  if (!rendered || !sink->Commit(error)) {
    const hostkit::ParameterInfo* seed = hostkit::FindSeed(plugin.model);
    const std::string drawn = SeedDrawn(plan, plugin.model) ? hostkit::SeedName(*seed, driver->Value(seed->index)) : "";
    throw CommandFailure(error + WhatIsLeft(options, asked, shape.span, resume, sink->FramesKept(), drawn),
                         kExitFailure);
  }
  if (!options.dumpFeatures.empty()) {
    Require(hostkit::WriteWholeFile(options.dumpFeatures, hostkit::FormatSoundFeaturesCsv(sound), error), error);
  }
  const std::string written = options.ToStandardOutput() ? "raw RGBA to standard output" : options.output.path;
  char summary[400];
  const hostkit::FrameSize size = WrittenSize(*options.output.format, shape);
  if (options.resume) {
    const int missing = sink->FramesKept();
    std::snprintf(summary, sizeof summary, "wrote the %d missing frame%s of %s (%dx%d), which has all %d now, in %.1f s",
                  missing, missing == 1 ? "" : "s", written.c_str(), size.width, size.height,
                  resume.whole + missing, timing.seconds);
  } else {
    std::snprintf(summary, sizeof summary, "wrote %s (%dx%d, %d frame%s) in %.1f s", written.c_str(), size.width,
                  size.height, timing.frames, timing.frames == 1 ? "" : "s", timing.seconds);
  }
  PrintNote(summary + SeedNote(*driver, plan, plugin.model));
  return kExitOk;
}

}  // namespace

void AddRenderCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<RenderOptions>();
  CLI::App* command = app.add_subcommand("render", "Render frames of the effect to files or to standard output");
  AddPluginOption(*command, options->plugin);
  AddGlOptions(*command, options->gl);
  AddSettingsOptions(
      *command, options->settings,
      {"Input footage: a video file (MP4, MOV, MKV, WebM...), a still (PNG, JPEG, WebP, TIFF, EXR...), a numbered "
       "sequence (shots/f_%04d.png) or a camera (/dev/video0, needs --frames). All but PNG stills need ffmpeg. "
       "Default: a built-in test card with colour, gradients and a transparent disc",
       "Output size WIDTHxHEIGHT; default: the input's own size (1280x720 for the test card). An input of another "
       "shape is fitted inside, aspect kept, padded with transparent black",
       "Frames per second of video output; default: the input's rate (30 for stills, sequences and the test card)",
       "Parameter value NAME=VALUE (repeatable; see below)"});
  AddOptionalOption(
      *command, "--frames", options->frames,
      "Length of the timeline in frames; the effect's clock advances once a frame. Default: the input's "
      "length (1 for a still or the test card)");
  command->add_flag("--loop", options->loop,
                    "Start the input again after its last frame (the picture only: the sound is not repeated)");
  command->add_flag("--no-audio", options->noAudio, "Leave out the input's sound, and the beat the plugin is sent from it");
  command->add_option("--dump-features", options->dumpFeatures,
                      "Write the input's sound features at every frame of the timeline (level, bass, mid, high, "
                      "beat, onset, bar, tempo) to this CSV file");
  command->add_option("--start", options->start,
                      "Render from this frame of the timeline (default 0); for splitting a long render into "
                      "pieces that match a whole one exactly");
  AddOptionalOption(*command, "--count", options->count, "Render this many frames from --start (default: to the end)");
  command->add_flag("--resume", options->resume,
                    "Continue a PNG or EXR sequence that a failed or interrupted render left: render only the frames "
                    "whose files are missing (an empty or cut-short one again), the same as an uninterrupted render");
  command
      ->add_option("--jobs", options->jobs,
                   "Threads compressing PNG and EXR frames (0: one per CPU core); at most twice as many frames wait "
                   "in memory")
      ->capture_default_str();
  command
      ->add_option_function<std::string>(
          "-o,--output",
          [options](const std::string& path) {
            std::string error;
            if (!hostkit::ResolveOutput(path, options->output, error)) throw UsageMistake(error);
          },
          "Output, chosen by its name (see Outputs below): " + hostkit::OutputNameList())
      ->required();
  command->footer("\nOutputs (-o), chosen by the name; video goes through the ffmpeg program:\n" +
                  hostkit::OutputFormatsHelp() + "\n" + kSetHelp +
                  "\n\nFiles are written upright, whole or not at all (a temporary name, then a rename); a sequence's\n"
                  "frames each as it is finished, and a render that fails or is interrupted keeps them. The\n"
                  "output keeps the alpha: the host clears to transparent black before each frame, so pixels\n"
                  "the image mask cuts stay transparent.");
  command->callback([options, &exitCode] { exitCode = RunRender(*options); });
}

}  // namespace swirlcli
