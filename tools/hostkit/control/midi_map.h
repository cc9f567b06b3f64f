#pragma once
// MIDI controls bound to parameters, learned by moving them. A control change spreads its
// 0..127 over what the parameter takes (a number's range, a switch's off and on, an option's
// elements in order); a note-on toggles a switch, steps an option to its next element (after
// the last, the first) and sets a number by its velocity over the range. Note-offs and all
// other messages change nothing. A control drives one parameter; a parameter may have several.
// The bindings are kept as JSON beside presets:
//   {"midi": [{"parameter": "Light", "channel": 1, "controller": 21},
//             {"parameter": "Night Mode", "channel": 10, "note": 36}]}

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/params/parameter_model.h"

namespace hostkit {

struct MidiControl {
  enum class Kind : uint8_t { Controller, Note };
  Kind kind = Kind::Controller;
  uint8_t channel = 0;  // 0..15; shown 1..16
  uint8_t number = 0;   // 0..127
  bool operator==(const MidiControl& other) const {
    return kind == other.kind && channel == other.channel && number == other.number;
  }
};

struct MidiBinding {
  MidiControl control;
  uint32_t index = 0;  // the parameter
};

// "CC 21 on channel 1", "note 36 on channel 10".
std::string ControlText(const MidiControl& control);

class MidiMap {
 public:
  explicit MidiMap(const ParameterModel& model);

  // The next control moved (a control change or a note-on) is bound to parameter `index`.
  void Learn(uint32_t index);
  void StopLearning() { learning = false; }
  // True while a control is awaited, with the parameter in `index`.
  bool Learning(uint32_t& index) const;

  // One MIDI message of `size` bytes. When it moves a bound control (binding it first while
  // learning): true with the parameter and its new value, from `current` (every parameter's
  // value now) for toggles and steps. Allocates nothing unless it binds.
  bool Handle(const uint8_t* bytes, size_t size, const std::vector<float>& current, uint32_t& index, float& value);

  const std::vector<MidiBinding>& Bindings() const { return bindings; }
  void Remove(size_t binding);
  // Whether the bindings changed since the last Load or Save.
  bool Changed() const { return changed; }

  // Replaces the bindings with those of the map at `path`. False with a one-line `error`
  // naming the file; the bindings stay as they were.
  bool Load(const std::string& path, std::string& error);
  bool LoadText(const std::string& text, const std::string& path, std::string& error);
  std::string Text() const;
  // Writes Text() to `path` whole or not at all.
  bool Save(const std::string& path, std::string& error);

 private:
  void Bind(const MidiControl& control, uint32_t index);

  const ParameterModel& model;
  std::vector<MidiBinding> bindings;
  bool learning = false;
  uint32_t learnIndex = 0;
  bool changed = false;
};

}  // namespace hostkit
