#include "tools/preview/osc_packet.h"

#include <lo/lo.h>

#include <array>
#include <cstring>
#include <string_view>

namespace preview {
namespace {

using hostkit::OscRefusal;

constexpr int kMaxBundleDepth = 8;
constexpr size_t kMaxArguments = 8;

uint32_t BigEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
         static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

template <typename T>
T Read(const char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

void HandleMessage(const uint8_t* data, size_t size, const hostkit::OscRouter& router, double arrival, OscSink& sink) {
  int result = 0;
  // liblo reads the packet and copies what it keeps; it writes nothing back.
  lo_message message = lo_message_deserialise(const_cast<uint8_t*>(data), size, &result);
  if (!message) {
    sink.Refuse(OscRefusal::Malformed, "a packet that is not an OSC message (liblo error " + std::to_string(result) + ")");
    return;
  }
  // A message that liblo took starts with its address, a terminated string inside the packet.
  const std::string_view address(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  const char* types = lo_message_get_types(message);
  lo_arg** values = lo_message_get_argv(message);
  const size_t count = static_cast<size_t>(lo_message_get_argc(message));
  std::array<hostkit::OscArgument, kMaxArguments> arguments{};
  for (size_t i = 0; i < count && i < kMaxArguments; ++i) {
    hostkit::OscArgument& argument = arguments[i];
    argument.type = types[i];
    // liblo's arguments lie in the packet's 4-byte steps: read them by bytes, never as the
    // 8-byte union they are declared as.
    const char* bytes = reinterpret_cast<const char*>(values[i]);
    switch (types[i]) {
      case LO_FLOAT: argument.number = Read<float>(bytes); break;
      case LO_DOUBLE: argument.number = Read<double>(bytes); break;
      case LO_INT32: argument.number = Read<int32_t>(bytes); break;
      case LO_INT64: argument.number = static_cast<double>(Read<int64_t>(bytes)); break;
      case LO_STRING:
      case LO_SYMBOL: argument.text = bytes; break;
      default: break;
    }
  }
  hostkit::LiveEvent event;
  event.arrival = arrival;
  std::string why;
  const OscRefusal refusal = router.Route(address, arguments.data(), count, event, why);
  lo_message_free(message);
  if (refusal == OscRefusal::None) {
    sink.Accept(event);
  } else {
    sink.Refuse(refusal, why);
  }
}

void HandleElement(const uint8_t* data, size_t size, const hostkit::OscRouter& router, double arrival, OscSink& sink,
                   int depth) {
  static constexpr char kBundle[8] = {'#', 'b', 'u', 'n', 'd', 'l', 'e', '\0'};
  if (size < 4 || size % 4 != 0) {
    sink.Refuse(OscRefusal::Malformed, "a packet of " + std::to_string(size) + " bytes, not a multiple of 4");
    return;
  }
  if (size < 8 || std::memcmp(data, kBundle, sizeof kBundle) != 0) {
    HandleMessage(data, size, router, arrival, sink);
    return;
  }
  if (depth >= kMaxBundleDepth || size < 16) {
    sink.Refuse(OscRefusal::Malformed, depth >= kMaxBundleDepth ? "bundles nested too deep" : "a bundle without its time tag");
    return;
  }
  // "#bundle", a time tag, then elements, each its size and its bytes.
  for (size_t at = 16; at < size;) {
    const uint32_t length = size - at >= 4 ? BigEndian32(data + at) : 0;
    if (length == 0 || length > size - at - 4) {
      sink.Refuse(OscRefusal::Malformed, "a bundle element that overruns the packet");
      return;
    }
    HandleElement(data + at + 4, length, router, arrival, sink, depth + 1);
    at += 4 + length;
  }
}

}  // namespace

void HandleOscPacket(const uint8_t* data, size_t size, const hostkit::OscRouter& router, double arrival, OscSink& sink) {
  HandleElement(data, size, router, arrival, sink, 0);
}

}  // namespace preview
