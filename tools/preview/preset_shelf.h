#pragma once
// The presets a message may load, made ready away from the frame loop. The curated looks are
// read once, at the start; a name that is no look is a preset file of the folder the user named
// at the start (--preset-dir), read on a thread of its own when asked for: only a regular file
// of at most 64 KiB, opened without waiting, so that a named pipe, a device or a huge file is
// refused and never stalls anything. A file read is parsed there too and waits in one of a few
// slots until the loop applies it; the loop only ever applies values already parsed.

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tools/hostkit/control/live_queue.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/preview/control_panel.h"

namespace preview {

class PresetShelf {
 public:
  static constexpr size_t kFileMax = 64 * 1024;
  static constexpr size_t kSlots = 4;
  // Ids of what Find and the reader hand out: a look's index, or kFileId plus a slot.
  static constexpr uint32_t kFileId = 1u << 16;

  struct Preset {
    std::string name;  // the look's name, or the file's path: what `render --preset` takes
    std::vector<ParameterChange> changes;
  };
  // On the reader thread: the file asked for is parsed into preset `id` (then Release it), or
  // it could not be (one line saying why).
  using Ready = std::function<void(uint32_t id)>;
  using Failed = std::function<void(const std::string& why)>;

  PresetShelf(const hostkit::ParameterModel& model, std::string folder);
  ~PresetShelf();
  PresetShelf(const PresetShelf&) = delete;
  PresetShelf& operator=(const PresetShelf&) = delete;

  // Reads the looks, and starts the reader when a folder was named. False with a one-line
  // `error` when the folder is not one.
  bool Start(Ready ready, Failed failed, std::string& error);

  // From the input threads, without reading a file: true with a look's id in `id`; true with
  // `id` left at kFileId when a file of the folder was asked for (Ready or Failed follows);
  // false with one line in `why` otherwise.
  bool Find(std::string_view name, uint32_t& id, std::string& why);
  // On the loop: preset `id`, then its slot freed (for a file).
  const Preset& Get(uint32_t id) const;
  void Release(uint32_t id);

 private:
  void ReadFiles();

  const hostkit::ParameterModel& model;
  std::string folder;
  std::vector<Preset> looks;
  std::array<Preset, kSlots> files;
  std::array<std::atomic<bool>, kSlots> busy{};
  hostkit::LiveQueue asked;  // names waiting for the reader
  std::mutex wakeLock;
  std::condition_variable wake;
  bool stopping = false;
  bool woken = false;
  std::thread reader;
};

}  // namespace preview
