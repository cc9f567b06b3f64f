#pragma once
// OSC addresses for the parameters, and one OSC message turned into a change. Every parameter
// but text ones has an address made from its name, "/swirlmoss/" then the name in lower case
// with each run of other characters as one "_" ("Time Speed" -> /swirlmoss/time_speed). It
// takes one number within the declared range (float, double or integer), or with "/norm"
// appended a number from 0 to 1 spread over that range; a switch also takes true and false; an
// option ("Mode", "Seed") takes what --set takes: an element's name or value, as a string or
// a number. /swirlmoss/preset takes a look's name or a preset file. Anything else is refused
// with its reason, never applied in part.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/hostkit/control/live_queue.h"
#include "tools/hostkit/params/parameter_model.h"

namespace hostkit {

constexpr std::string_view kOscRoot = "/swirlmoss/";
constexpr std::string_view kOscPreset = "/swirlmoss/preset";
constexpr std::string_view kOscNorm = "/norm";

// "Time Speed" -> "time_speed".
std::string AddressStem(std::string_view name);

// A decoded OSC argument: `type` is its type tag ('f', 'd', 'i', 'h', 's', 'S', 'T', 'F', ...).
struct OscArgument {
  char type = 0;
  double number = 0.0;    // f, d, i, h
  std::string_view text;  // s, S
};

// Why a message was refused; counted per reason.
enum class OscRefusal : uint8_t { None, UnknownAddress, WrongType, OutOfRange, Malformed, QueueFull };
constexpr size_t kOscRefusalKinds = 6;
const char* RefusalName(OscRefusal refusal);  // "unknown address", ...

class OscRouter {
 public:
  struct Address {
    std::string path;  // "/swirlmoss/light"
    uint32_t index = 0;
  };

  explicit OscRouter(const ParameterModel& model);

  // Turns one message into `event` (Set or Preset; `arrival` is left alone). On refusal,
  // `why` is one line naming the address and the problem.
  OscRefusal Route(std::string_view address, const OscArgument* arguments, size_t count, LiveEvent& event,
                   std::string& why) const;

  // Every address, in parameter order, then /swirlmoss/preset.
  const std::vector<Address>& Addresses() const { return addresses; }
  // The addresses as `preview --list-osc` prints them: one line each with what it takes.
  std::string Listing() const;

 private:
  const ParameterInfo* Find(std::string_view path) const;

  const ParameterModel& model;
  std::vector<Address> addresses;
};

}  // namespace hostkit
