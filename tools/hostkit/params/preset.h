#pragma once
// Presets: a look kept as a JSON file, {"parameters": {NAME: VALUE, ...}}, where VALUE is a
// number, an option's element name ("Seed 4") or, for a switch, true or false. A preset reads
// back into the same "NAME=VALUE" settings that --set takes, so every host applies it the way
// it applies a command line ("Mode" first, then the rest).

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "tools/hostkit/params/mode_rule.h"
#include "tools/hostkit/params/parameter_model.h"

namespace hostkit {

// Reads the preset at `path` into constant settings, one per parameter it names. False with a
// one-line `error` naming the file: missing or unreadable, not JSON, no "parameters" object,
// a name given twice in one object, an unknown parameter (the valid names are listed), a text parameter, an option name that is
// not one of the parameter's, or a value that is neither a number nor a name.
bool ReadPreset(const std::string& path, const ParameterModel& model, std::vector<std::string>& settings,
                std::string& error);
// The same for a preset's text, read from the file at `path` (which errors name).
bool ReadPresetText(const std::string& text, const std::string& path, const ParameterModel& model,
                    std::vector<std::string>& settings, std::string& error);

// The settings for a JSON object of NAME: VALUE pairs, as a preset's "parameters" holds them.
// Errors start with `source` (such as "preset look.json").
bool SettingsFromJson(const nlohmann::json& parameters, const ParameterModel& model, const std::string& source,
                      std::vector<std::string>& settings, std::string& error);

// Which of `values` (one per parameter, by index) a preset or a command line needs: all but
// those that `start`, the view of the mode the values select, hides and that still hold that
// mode's start value. Setting the mode alone gives those, and written out, a start value that
// lies outside its declared range would only draw a warning when read back ("Wave Thickness"
// starts at 0.5 in Smoke, below its 0.6..2). Null `start`: every value.
std::vector<bool> ValuesNeeded(const ModeView* start, const std::vector<float>& values);

// The preset document for `values` (one per parameter of `model`, by index): options by their
// element name where one matches, everything else as a number. Text parameters are left out,
// and so is every value that `needed` (empty: all are) marks as not needed.
std::string PresetText(const ParameterModel& model, const std::vector<float>& values,
                       const std::vector<bool>& needed = {});

// Writes PresetText to `path` whole or not at all. False with a one-line `error` otherwise.
bool WritePreset(const std::string& path, const ParameterModel& model, const std::vector<float>& values,
                 std::string& error, const std::vector<bool>& needed = {});

// `value` as --set writes it for `info`: the name of the option element it equals, else the
// shortest number text.
std::string ValueText(const ParameterInfo& info, float value);

// The preset's settings with `overrides` laid over them: an override replaces the preset's
// setting of the same parameter and otherwise joins the list. Overrides whose name is unknown
// are kept, so that parsing them reports the error.
std::vector<std::string> OverlaySettings(const std::vector<std::string>& preset, const std::vector<std::string>& overrides,
                                         const ParameterModel& model);

// The shortest decimal text that reads back as exactly `value` ("0.3", not "0.300000012").
std::string FloatText(float value);

}  // namespace hostkit
