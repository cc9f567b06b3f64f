#include "tools/preview/pipewire_audio.h"

#include <spa/param/audio/format-utils.h>

#include <cstring>
#include <mutex>

namespace preview {

PipeWireAudio::~PipeWireAudio() {
  if (running) {
    pw_thread_loop_lock(loop);
    if (stream != nullptr) pw_stream_destroy(stream);
    if (core != nullptr) pw_core_disconnect(core);
    pw_thread_loop_unlock(loop);
    pw_thread_loop_stop(loop);
  }
  if (context != nullptr) pw_context_destroy(context);
  if (loop != nullptr) pw_thread_loop_destroy(loop);
}

bool PipeWireAudio::Connect(const char* thread, std::string& note) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
  loop = pw_thread_loop_new(thread, nullptr);
  if (loop == nullptr || (context = pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0)) == nullptr ||
      pw_thread_loop_start(loop) < 0) {
    note = "PipeWire could not be set up";
    return false;
  }
  running = true;
  pw_thread_loop_lock(loop);
  core = pw_context_connect(context, nullptr, 0);
  pw_thread_loop_unlock(loop);
  if (core == nullptr) {
    note = "no PipeWire is running for this session";
    return false;
  }
  return true;
}

bool PipeWireAudio::Start(const std::string& what, pw_properties* properties, pw_direction direction, int channels,
                          int rate, void (*process)(void*), void* data, std::string& error) {
  pw_thread_loop_lock(loop);
  stream = pw_stream_new(core, what.c_str(), properties);
  if (stream == nullptr) {
    pw_thread_loop_unlock(loop);
    error = "PipeWire refused to make a stream for " + what;
    return false;
  }
  events.version = PW_VERSION_STREAM_EVENTS;
  events.process = process;
  pw_stream_add_listener(stream, &listener, &events, data);
  uint8_t space[1024];
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, space, sizeof space);
  spa_audio_info_raw info{};
  info.format = SPA_AUDIO_FORMAT_F32;
  info.rate = static_cast<uint32_t>(rate);
  info.channels = static_cast<uint32_t>(channels);
  if (channels == 1) {
    info.position[0] = SPA_AUDIO_CHANNEL_MONO;
  } else {
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
  }
  const spa_pod* formats[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
  const int connected = pw_stream_connect(
      stream, direction, PW_ID_ANY,
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS),
      formats, 1);
  pw_thread_loop_unlock(loop);
  if (connected < 0) {
    error = "PipeWire refused " + what + ": " + std::strerror(-connected);
    return false;
  }
  return true;
}

}  // namespace preview
