#pragma once
// The preview's picture sent on as a PipeWire camera. While a consumer is connected, each drawn
// frame is read back through the two readback buffers and handed over once the GPU has copied
// it (checked with a fence at every turn of the window's loop, so the window never waits on
// the copy); with nobody connected nothing is read back. The camera keeps the size it was
// opened with: after a change of scale the frame is scaled to it on the GPU first.

#include <memory>
#include <string>

#include "tools/hostkit/gl/async_readback.h"
#include "tools/hostkit/media/pipewire_camera.h"
#include "tools/hostkit/plugin/instance_driver.h"

namespace preview {

class CameraFeed {
 public:
  CameraFeed() = default;
  ~CameraFeed() = default;  // GL names are freed by Release, with the context current
  CameraFeed(const CameraFeed&) = delete;
  CameraFeed& operator=(const CameraFeed&) = delete;

  // Sends to `camera` from now on (null: no camera, every call does nothing).
  void Use(std::unique_ptr<hostkit::PipeWireCamera> camera);
  bool Present() const { return camera != nullptr; }
  const hostkit::PipeWireCamera* Camera() const { return camera.get(); }
  int FramesReadBack() const { return readBack; }

  // GL context current, `driver` having just drawn frame `index`: starts reading it back when
  // a consumer wants frames.
  void FrameDrawn(const hostkit::InstanceDriver& driver, int index);
  // GL context current. Hands on every frame whose copy has finished; call at each turn.
  void Poll();
  // GL context current. Frees the GL names and drops reads not handed on.
  void Release();

  // One line for the panel: the node and what it sends, or that it waits for a consumer.
  std::string StatusLine() const;

 private:
  void HandOldest();
  GLuint ReadSource(const hostkit::InstanceDriver& driver);

  std::unique_ptr<hostkit::PipeWireCamera> camera;
  hostkit::AsyncReadback readback;
  bool readbackMade = false;
  GLsync fences[2] = {nullptr, nullptr};  // of the pending reads, oldest first
  int indices[2] = {0, 0};
  int readBack = 0;  // reads started
  GLuint scaledFramebuffer = 0;  // the frame at the camera's size, when the scale differs
  GLuint scaledTexture = 0;
};

}  // namespace preview
