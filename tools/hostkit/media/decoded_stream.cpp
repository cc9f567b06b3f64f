#include "tools/hostkit/media/decoded_stream.h"

#include <utility>

namespace hostkit {
namespace {

// A container without a frame count gives the duration at the stream's rate, which can be a
// frame or two beyond what it holds; its last frame is shown again for those.
constexpr int64_t kEstimateSlack = 2;

}  // namespace

DecodedStream::DecodedStream(SourceInfo info, DecodePlan plan) : info(std::move(info)), plan(std::move(plan)) {}

std::unique_ptr<DecodedStream> DecodedStream::Start(SourceInfo info, DecodePlan plan, std::string& error) {
  std::unique_ptr<DecodedStream> stream(new DecodedStream(std::move(info), std::move(plan)));
  stream->frameBytes = static_cast<size_t>(stream->plan.width) * static_cast<size_t>(stream->plan.height) * 4;
  for (int i = 0; i < kPool; ++i) {
    stream->pool[i].resize(stream->frameBytes);
    stream->freeSlots[stream->freeCount++] = i;
  }
  ChildOptions options;
  options.arguments = stream->plan.first;
  options.pipeOutput = true;
  stream->child = ChildProcess::Start(options, error);
  if (!stream->child) return nullptr;
  stream->reader = std::thread([raw = stream.get()] { raw->ReadFrames(); });
  return stream;
}

DecodedStream::~DecodedStream() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    if (child) child->Kill();  // its pipe ends, so a blocked read returns
  }
  changed.notify_all();
  if (reader.joinable()) reader.join();
}

void DecodedStream::ReadFrames() {
  for (;;) {
    int slot;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return freeCount > 0 || stopping; });
      if (stopping) break;
      slot = freeSlots[--freeCount];
    }
    size_t got = 0;
    std::string error;
    const bool read = child->Read(pool[slot].data(), frameBytes, got, error);
    std::unique_lock<std::mutex> lock(mutex);
    if (stopping) break;
    if (read && got == frameBytes) {
      ready[(readyHead + readyCount++) % kPool] = slot;
      ++passFrames;
      ++totalFrames;
      changed.notify_all();
      continue;
    }
    freeSlots[freeCount++] = slot;
    if (read && got == 0 && EndOfPass(error)) continue;
    if (read && got > 0) error = "the decoder stopped in the middle of a frame";
    failure = error;
    break;
  }
  std::lock_guard<std::mutex> lock(mutex);
  finished = true;
  changed.notify_all();
}

// Mutex held. The decoder closed its output: true when a looping source started its next
// pass; false with `error` empty at a normal end, or set when the decoder failed.
bool DecodedStream::EndOfPass(std::string& error) {
  std::string outcome;
  if (!child->Wait(outcome)) {
    const std::string said = child->LogTail(2);
    error = "cannot decode " + info.description + ": " + (said.empty() ? "ffmpeg " + outcome : said);
    return false;
  }
  const int64_t wanted = plan.expected;
  if (passFrames == 0 && totalFrames == 0) {
    // Only a source of unknown length gets here with a start past its end.
    error = plan.start > 0 ? info.description + " ends before its frame " + std::to_string(plan.start)
                           : "no frame could be decoded from " + info.description;
    return false;
  }
  if (wanted > 0 && passFrames < wanted && !(plan.expectedIsEstimate && wanted - passFrames <= kEstimateSlack)) {
    error = info.description + " ended after " + std::to_string(passFrames) + " of its " + std::to_string(wanted) +
            " frames (is the file truncated?)";
    return false;
  }
  if (!plan.loop) return false;
  ChildOptions options;
  options.arguments = plan.again;
  options.pipeOutput = true;
  child = ChildProcess::Start(options, error);
  if (!child) return false;
  plan.expected = 0;  // later passes are the same file again
  passFrames = 0;
  return true;
}

bool DecodedStream::Next(Image& image, std::string& error) {
  int slot;
  {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return readyCount > 0 || finished; });
    if (readyCount == 0) {
      error = failure;
      // An estimated length may run a frame or two past the stream: the last frame again.
      const bool shortByEstimate = failure.empty() && plan.expectedIsEstimate && plan.expected > 0 &&
                                   passFrames + repeated < plan.expected && image.width == plan.width &&
                                   image.height == plan.height;
      if (shortByEstimate) ++repeated;
      return shortByEstimate;
    }
    slot = ready[readyHead];
    readyHead = (readyHead + 1) % kPool;
    --readyCount;
  }
  // The caller's buffer becomes a pool buffer: frames change hands without copying.
  image.rgba.swap(pool[slot]);
  image.width = plan.width;
  image.height = plan.height;
  if (pool[slot].size() != frameBytes) pool[slot].resize(frameBytes);  // only while the pool warms up
  {
    std::lock_guard<std::mutex> lock(mutex);
    freeSlots[freeCount++] = slot;
  }
  changed.notify_all();
  return true;
}

}  // namespace hostkit
