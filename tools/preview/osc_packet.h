#pragma once
// One OSC packet as it came off the socket, decoded by liblo and routed to the parameters: a
// message, or a bundle of them (applied at once whatever its time tag says). Every message
// ends in `sink` as an event or a refusal with its reason; a packet that is not OSC is one
// refusal. Holds no state, so any thread may call it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/hostkit/control/osc_router.h"

namespace preview {

class OscSink {
 public:
  virtual ~OscSink() = default;
  virtual void Accept(const hostkit::LiveEvent& event) = 0;
  virtual void Refuse(hostkit::OscRefusal refusal, const std::string& why) = 0;
};

void HandleOscPacket(const uint8_t* data, size_t size, const hostkit::OscRouter& router, double arrival, OscSink& sink);

}  // namespace preview
