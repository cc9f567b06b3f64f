#pragma once
// The rendered picture as a camera on the PipeWire graph: a video source node (media.class
// "Video/Source", media.role "Camera") that OBS, browsers, `gst-launch-1.0 pipewiresrc` and
// anything else listing cameras through PipeWire can take frames from. It offers RGBx and BGRx
// at one size and rate, and RGBA and BGRA (opaque) for consumers that only take those; the
// consumer picks. PipeWire runs the node on a thread of its own:
// frames reach it through a small ring of slots, so sending never waits on a consumer.

#include <cstdint>
#include <memory>
#include <string>

namespace hostkit {

enum class CameraLayout { None, Rgbx, Bgrx, Rgba, Bgra };
const char* CameraLayoutName(CameraLayout layout);  // "RGBx", "BGRx", "RGBA", "BGRA", "none"

// An RGBA picture (rows bottom to top, as GL reads it) turned into what the camera sends: rows
// top to bottom, `stride` bytes apart, in `layout`, the fourth byte 255 (a camera has no alpha,
// and an RGBA consumer gets an opaque picture).
void ToCameraPixels(const uint8_t* rgba, int width, int height, CameraLayout layout, uint8_t* out, size_t stride);

struct CameraSettings {
  std::string name = "Swirlmoss";  // the node's name and description, what programs list
  int width = 0;
  int height = 0;
  double fps = 30.0;
};

struct CameraState {
  uint32_t node = 0;  // the node's id on the graph; 0 until it is there
  bool streaming = false;  // a consumer is connected and takes frames
  CameraLayout layout = CameraLayout::None;
  uint64_t sent = 0;     // frames handed to PipeWire
  uint64_t dropped = 0;  // frames replaced by newer ones before PipeWire took them
};

class PipeWireCamera {
 public:
  // Connects to the PipeWire daemon of this session and publishes the node. Null with a
  // one-line `error` when no PipeWire is running or it refuses the node.
  static std::unique_ptr<PipeWireCamera> Open(const CameraSettings& settings, std::string& error);
  ~PipeWireCamera();
  PipeWireCamera(const PipeWireCamera&) = delete;
  PipeWireCamera& operator=(const PipeWireCamera&) = delete;

  // True while a consumer streams from the node: only then are frames worth reading back.
  bool Wanted() const;
  // The slot for the next frame: width x height RGBA, rows bottom to top. Never null. Called
  // from one thread (the one that draws), which then calls Send.
  uint8_t* BeginFrame();
  // Hands the frame written since BeginFrame to PipeWire's thread, as frame `index`.
  void Send(int64_t index);

  CameraState State() const;
  const std::string& Name() const;
  int Width() const;
  int Height() const;

 private:
  struct Node;
  explicit PipeWireCamera(std::unique_ptr<Node> node);
  std::unique_ptr<Node> node;
};

}  // namespace hostkit
