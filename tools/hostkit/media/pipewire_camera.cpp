#include "tools/hostkit/media/pipewire_camera.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/buffers.h>
#include <spa/param/video/format-utils.h>

// PipeWire's pod-builder and loop macros expand to GNU statement expressions, which clang's
// -Wpedantic reports at each use in this file.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wgnu-statement-expression"
#endif

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numeric>

#include "tools/hostkit/media/frame_ring.h"

namespace hostkit {
namespace {

// Three slots: one PipeWire copies from, one waiting, one being written.
constexpr int kRingSlots = 3;
// How long Open waits for the daemon to take the node.
constexpr int kSettleSeconds = 5;

spa_fraction RateFraction(double fps) {
  // 30 -> 30/1, 29.97 -> 2997/100: the rate as PipeWire's fraction, to a thousandth.
  const auto thousandths = static_cast<uint32_t>(std::lround(fps * 1000.0));
  const uint32_t common = std::gcd(thousandths, 1000u);
  return spa_fraction{thousandths / common, 1000u / common};
}

}  // namespace

const char* CameraLayoutName(CameraLayout layout) {
  switch (layout) {
    case CameraLayout::Rgbx: return "RGBx";
    case CameraLayout::Bgrx: return "BGRx";
    case CameraLayout::Rgba: return "RGBA";
    case CameraLayout::Bgra: return "BGRA";
    case CameraLayout::None: break;
  }
  return "none";
}

void ToCameraPixels(const uint8_t* rgba, int width, int height, CameraLayout layout, uint8_t* out, size_t stride) {
  const size_t row = static_cast<size_t>(width) * 4;
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = rgba + static_cast<size_t>(height - 1 - y) * row;
    uint8_t* to = out + static_cast<size_t>(y) * stride;
    if (layout == CameraLayout::Bgrx || layout == CameraLayout::Bgra) {
      for (int x = 0; x < width; ++x, from += 4, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = 255;
      }
    } else {
      std::memcpy(to, from, row);
      for (int x = 0; x < width; ++x) to[x * 4 + 3] = 255;
    }
  }
}

// Everything PipeWire's thread touches. Its callbacks run on that thread with the loop's lock
// held; the drawing thread only writes into the ring and wakes the loop.
struct PipeWireCamera::Node {
  explicit Node(const CameraSettings& settings)
      : settings(settings), ring(kRingSlots, static_cast<size_t>(settings.width) * settings.height * 4) {}
  ~Node();

  bool Connect(std::string& error);
  void Process();
  // PipeWire's callbacks, on its thread.
  static void OnStateChanged(void* data, pw_stream_state old, pw_stream_state state, const char* error);
  static void OnParamChanged(void* data, uint32_t id, const spa_pod* param);
  static void OnProcess(void* data) { static_cast<Node*>(data)->Process(); }
  static void OnWake(void* data, uint64_t count);

  CameraSettings settings;
  FrameRing ring;
  pw_thread_loop* loop = nullptr;
  bool running = false;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  pw_stream* stream = nullptr;
  spa_hook streamListener{};
  spa_source* wake = nullptr;
  pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
  std::string failure;  // the stream's error, under the loop's lock
  std::atomic<bool> streaming{false};
  std::atomic<int> layout{static_cast<int>(CameraLayout::None)};
  std::atomic<uint32_t> nodeId{0};
  std::atomic<uint64_t> sent{0};
  std::atomic<uint64_t> unsent{0};  // frames for which PipeWire had no free buffer
};

void PipeWireCamera::Node::OnStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
  auto* node = static_cast<Node*>(data);
  node->state = state;
  if (state == PW_STREAM_STATE_ERROR) node->failure = error ? error : "the stream failed";
  if (state == PW_STREAM_STATE_PAUSED || state == PW_STREAM_STATE_STREAMING) {
    const uint32_t id = pw_stream_get_node_id(node->stream);
    node->nodeId = id == SPA_ID_INVALID ? 0 : id;
  }
  node->streaming = state == PW_STREAM_STATE_STREAMING;
  pw_thread_loop_signal(node->loop, false);
}

void PipeWireCamera::Node::OnParamChanged(void* data, uint32_t id, const spa_pod* param) {
  auto* node = static_cast<Node*>(data);
  if (id != SPA_PARAM_Format || param == nullptr) return;
  spa_video_info_raw info{};
  if (spa_format_video_raw_parse(param, &info) < 0) return;
  CameraLayout layout = CameraLayout::Rgbx;
  if (info.format == SPA_VIDEO_FORMAT_BGRx) layout = CameraLayout::Bgrx;
  if (info.format == SPA_VIDEO_FORMAT_RGBA) layout = CameraLayout::Rgba;
  if (info.format == SPA_VIDEO_FORMAT_BGRA) layout = CameraLayout::Bgra;
  node->layout = static_cast<int>(layout);
  // Buffers of whole frames in memory PipeWire shares with the consumer, with a header that
  // carries the frame's number and time.
  const int stride = node->settings.width * 4;
  uint8_t space[512];
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, space, sizeof space);
  const spa_pod* params[2];
  params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
      &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
      SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1), SPA_PARAM_BUFFERS_size,
      SPA_POD_Int(stride * node->settings.height), SPA_PARAM_BUFFERS_stride, SPA_POD_Int(stride),
      SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
  params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
      &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
      SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
  pw_stream_update_params(node->stream, params, 2);
}

void PipeWireCamera::Node::OnWake(void* data, uint64_t) {
  auto* node = static_cast<Node*>(data);
  // The stream drives the graph: each frame sent starts one cycle, which calls Process.
  if (node->streaming) pw_stream_trigger_process(node->stream);
}

void PipeWireCamera::Node::Process() {
  const uint8_t* pixels = nullptr;
  int64_t index = 0;
  if (!ring.BeginRead(pixels, index)) return;
  pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
  if (buffer == nullptr) {
    ++unsent;
    ring.EndRead();
    return;
  }
  spa_data& plane = buffer->buffer->datas[0];
  const uint32_t stride = static_cast<uint32_t>(settings.width) * 4;
  const uint32_t size = stride * static_cast<uint32_t>(settings.height);
  if (plane.data != nullptr && plane.maxsize >= size) {
    ToCameraPixels(pixels, settings.width, settings.height, static_cast<CameraLayout>(layout.load()),
                   static_cast<uint8_t*>(plane.data), stride);
    plane.chunk->offset = 0;
    plane.chunk->stride = static_cast<int32_t>(stride);
    plane.chunk->size = size;
    auto* header = static_cast<spa_meta_header*>(
        spa_buffer_find_meta_data(buffer->buffer, SPA_META_Header, sizeof(spa_meta_header)));
    if (header != nullptr) {
      header->flags = 0;
      header->seq = static_cast<uint64_t>(index);
      header->pts = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
      header->dts_offset = 0;
    }
    ++sent;
  } else {
    plane.chunk->size = 0;
  }
  pw_stream_queue_buffer(stream, buffer);
  ring.EndRead();
}

bool PipeWireCamera::Node::Connect(std::string& error) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
  loop = pw_thread_loop_new("swirlmoss-camera", nullptr);
  if (loop == nullptr || (context = pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0)) == nullptr) {
    error = "PipeWire could not be set up";
    return false;
  }
  if (pw_thread_loop_start(loop) < 0) {
    error = "PipeWire's thread could not be started";
    return false;
  }
  running = true;
  pw_thread_loop_lock(loop);
  core = pw_context_connect(context, nullptr, 0);
  if (core == nullptr) {
    // PipeWire reports a missing daemon as "Host is down": no reason at all reads better.
    error = "no PipeWire is running for this session (nothing answers at its socket)";
    pw_thread_loop_unlock(loop);
    return false;
  }
  wake = pw_loop_add_event(pw_thread_loop_get_loop(loop), OnWake, this);
  const std::string description = settings.name;
  stream = pw_stream_new(core, settings.name.c_str(),
                         pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                           PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_ROLE, "Camera",
                                           PW_KEY_NODE_NAME, settings.name.c_str(), PW_KEY_NODE_DESCRIPTION,
                                           description.c_str(), nullptr));
  if (stream == nullptr || wake == nullptr) {
    error = "PipeWire refused to make the camera's stream";
    pw_thread_loop_unlock(loop);
    return false;
  }
  static const pw_stream_events events = [] {
    pw_stream_events made{};
    made.version = PW_VERSION_STREAM_EVENTS;
    made.state_changed = OnStateChanged;
    made.param_changed = OnParamChanged;
    made.process = OnProcess;
    return made;
  }();
  pw_stream_add_listener(stream, &streamListener, &events, this);

  // The layouts a consumer may pick, at the one size and rate; GL's own order first.
  uint8_t space[2048];
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, space, sizeof space);
  const spa_video_format layouts[] = {SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBA,
                                      SPA_VIDEO_FORMAT_BGRA};
  const spa_pod* formats[4];
  for (int i = 0; i < 4; ++i) {
    spa_video_info_raw info{};
    info.format = layouts[i];
    info.size = spa_rectangle{static_cast<uint32_t>(settings.width), static_cast<uint32_t>(settings.height)};
    info.framerate = RateFraction(settings.fps);
    formats[i] = spa_format_video_raw_build(&builder, SPA_PARAM_EnumFormat, &info);
  }
  const int connected = pw_stream_connect(
      stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS), formats, 4);
  // The daemon takes the node, or says why not, within moments.
  while (connected >= 0 && state == PW_STREAM_STATE_CONNECTING) {
    if (pw_thread_loop_timed_wait(loop, kSettleSeconds) != 0) break;
  }
  if (connected < 0 || state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
    error = "PipeWire refused the camera: " +
            (connected < 0 ? std::string(std::strerror(-connected)) : failure.empty() ? "disconnected" : failure);
    pw_thread_loop_unlock(loop);
    return false;
  }
  pw_thread_loop_unlock(loop);
  return true;
}

PipeWireCamera::Node::~Node() {
  if (running) {
    pw_thread_loop_lock(loop);
    if (stream != nullptr) pw_stream_destroy(stream);
    if (wake != nullptr) pw_loop_destroy_source(pw_thread_loop_get_loop(loop), wake);
    if (core != nullptr) pw_core_disconnect(core);
    pw_thread_loop_unlock(loop);
    pw_thread_loop_stop(loop);
  }
  if (context != nullptr) pw_context_destroy(context);
  if (loop != nullptr) pw_thread_loop_destroy(loop);
}

std::unique_ptr<PipeWireCamera> PipeWireCamera::Open(const CameraSettings& settings, std::string& error) {
  if (settings.width <= 0 || settings.height <= 0 || !(settings.fps > 0.0)) {
    error = "the camera needs a size and a rate";
    return nullptr;
  }
  auto node = std::make_unique<Node>(settings);
  if (!node->Connect(error)) return nullptr;
  return std::unique_ptr<PipeWireCamera>(new PipeWireCamera(std::move(node)));
}

PipeWireCamera::PipeWireCamera(std::unique_ptr<Node> node) : node(std::move(node)) {}
PipeWireCamera::~PipeWireCamera() = default;

bool PipeWireCamera::Wanted() const {
  return node->streaming && static_cast<CameraLayout>(node->layout.load()) != CameraLayout::None;
}

uint8_t* PipeWireCamera::BeginFrame() { return node->ring.BeginWrite(); }

void PipeWireCamera::Send(int64_t index) {
  node->ring.EndWrite(index);
  pw_loop_signal_event(pw_thread_loop_get_loop(node->loop), node->wake);
}

CameraState PipeWireCamera::State() const {
  CameraState state;
  state.node = node->nodeId;
  state.streaming = node->streaming;
  state.layout = static_cast<CameraLayout>(node->layout.load());
  state.sent = node->sent;
  state.dropped = node->ring.Dropped() + node->unsent;
  return state;
}

const std::string& PipeWireCamera::Name() const { return node->settings.name; }
int PipeWireCamera::Width() const { return node->settings.width; }
int PipeWireCamera::Height() const { return node->settings.height; }

}  // namespace hostkit
