// The editors' descriptions the build writes (Kdenlive's effect XML, Shotcut's metadata and
// panel QML) against the module and the plugin themselves: they parse, name every parameter of
// the module in its order, and their ranges and defaults land on the plugin's own defaults, so
// that a project saved with untouched controls renders as the look chosen, by its own values.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/tool_test_util.h"
#include "tools/frei0r/frei0r_api.h"
#include "tools/hostkit/params/looks.h"
#include "tools/hostkit/params/parameter_model.h"
#include "tools/hostkit/params/parameter_plan.h"
#include "tools/hostkit/params/preset.h"
#include "tools/hostkit/plugin/plugin_library.h"

namespace {


const std::string kKdenlive = EDITORS_DIR "/kdenlive/frei0r_swirlmoss.xml";
const std::string kMeta = EDITORS_DIR "/shotcut/swirlmoss/meta_swirlmoss.qml";
const std::string kPanel = EDITORS_DIR "/shotcut/swirlmoss/ui_swirlmoss.qml";

struct ModuleParameter {
  std::string name;
  int type = 0;
  const hostkit::ParameterInfo* plugin = nullptr;  // null for the module's own two
  float optionDefault = 0.0f;  // options: the value of the module's default ("Seed 1", not a random seed)
};

// The module's parameters in its order, each with the plugin's declaration of it.
class EditorDescriptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    plugin = hostkit::PluginLibrary::Load(SWIRLMOSS_PLUGIN_PATH, error).release();
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(hostkit::ParameterModel::Query(*plugin, model, error)) << error;
    f0r_init();
    f0r_plugin_info_t info{};
    f0r_get_plugin_info(&info);
    f0r_instance_t instance = f0r_construct(16, 16);
    ASSERT_TRUE(instance);
    for (int i = 0; i < info.num_params; ++i) {
      f0r_param_info_t param{};
      f0r_get_param_info(&param, i);
      parameters.push_back({param.name, param.type, model.Find(param.name)});
      if (!parameters.back().plugin || !parameters.back().plugin->IsOption()) continue;
      f0r_param_string text = nullptr;
      f0r_get_param_value(instance, &text, i);
      const hostkit::ParameterElement* element = parameters.back().plugin->FindElement(text ? text : "");
      ASSERT_TRUE(element) << param.name << ": " << (text ? text : "(null)");
      parameters.back().optionDefault = element->value;
    }
    f0r_destruct(instance);
  }
  static hostkit::PluginLibrary* plugin;
  static hostkit::ParameterModel model;
  static std::vector<ModuleParameter> parameters;
};
hostkit::PluginLibrary* EditorDescriptions::plugin = nullptr;
hostkit::ParameterModel EditorDescriptions::model;
std::vector<ModuleParameter> EditorDescriptions::parameters;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// One XPath string from the Kdenlive file.
std::string XPath(const std::string& expression, const std::string& file = kKdenlive) {
  const tooltest::RunResult run = tooltest::Run(XMLLINT_PATH, {"--xpath", expression, file});
  EXPECT_EQ(run.exitCode, 0) << expression << ": " << run.err;
  return run.out.empty() || run.out.back() != '\n' ? run.out : run.out.substr(0, run.out.size() - 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
  return parts;
}

// A JavaScript list from a line "... NAME: [...]" of a QML file, read as JSON (the generated
// lists quote with ' and escape nothing else).
nlohmann::json QmlList(const std::string& qml, const std::string& name) {
  const std::string key = " " + name + ": ";
  const size_t at = qml.find(key);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no list " << name;
    return nlohmann::json::array();
  }
  const size_t begin = at + key.size();
  std::string list = qml.substr(begin, qml.find('\n', begin) - begin);
  for (char& c : list) c = c == '\'' ? '"' : c;
  return nlohmann::json::parse(list);
}

double PluginValue(const hostkit::ParameterInfo& info, double frei0r) {
  return info.minimum + frei0r * (info.maximum - info.minimum);
}

TEST_F(EditorDescriptions, ParseAsXmlAndQml) {
  const std::pair<std::string, std::vector<std::string>> checks[] = {
      {XMLLINT_PATH, {"--noout", kKdenlive}}, {QMLLINT_PATH, {kMeta}}, {QMLLINT_PATH, {kPanel}}};
  for (const auto& [program, args] : checks) {
    const tooltest::RunResult run = tooltest::Run(program, args);
    EXPECT_EQ(run.exitCode, 0) << args.back() << ":\n" << run.out << run.err;
  }
}

// The program describes the plugin it is given, not one the environment names.
TEST_F(EditorDescriptions, TheProgramDescribesThePluginGivenWhateverTheEnvironmentNames) {
  tooltest::ScratchDir dir;
  std::filesystem::create_directories(dir / "shotcut");
  const tooltest::RunResult run =
      tooltest::Run(EDITORS_PROGRAM, {FREI0R_MODULE_PATH, SWIRLMOSS_PLUGIN_PATH, dir.Path(), dir / "shotcut"},
                    {"SWIRLMOSS_PLUGIN=/nonexistent/Swirlmoss.so"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadFile(dir / "frei0r_swirlmoss.xml"), ReadFile(kKdenlive));
}

TEST_F(EditorDescriptions, KdenliveNamesEveryParameterInOrderWithTheRealRangesAndDefaults) {
  ASSERT_EQ(XPath("string(/effect/@tag)"), "frei0r.swirlmoss");
  ASSERT_EQ(XPath("count(/effect/parameter)"), std::to_string(parameters.size()));
  for (size_t i = 0; i < parameters.size(); ++i) {
    const ModuleParameter& expected = parameters[i];
    SCOPED_TRACE(expected.name);
    const std::string at = "/effect/parameter[" + std::to_string(i + 1) + "]/@";
    const std::vector<std::string> fields =
        Split(XPath("concat(" + at + "name,'|'," + at + "type,'|'," + at + "default,'|'," + at + "max,'|'," + at +
                    "factor,'|'," + at + "paramlist,'|'," + at + "value,'|')"),
              '|');
    ASSERT_EQ(fields.size(), 7u);
    const auto& [name, type, value, max, factor, paramlist, fixed] = std::tie(fields[0], fields[1], fields[2],
                                                                             fields[3], fields[4], fields[5], fields[6]);
    EXPECT_EQ(name, expected.name);
    // Kdenlive reads a hidden ("fixed") parameter's default as a number; its value goes out as written.
    if (type == "fixed") {
      EXPECT_EQ(fixed, value);
    }
    if (!expected.plugin) {  // the module's own: the rate is found by itself, the unit is hidden
      EXPECT_EQ(value, "auto");
      EXPECT_EQ(type, expected.name == "Time Unit" ? "fixed" : "list");
      continue;
    }
    const hostkit::ParameterInfo& info = *expected.plugin;
    if (type == "fixed") continue;  // unused by every look ("Fan"); checked as hidden below
    if (info.IsOption()) {
      EXPECT_EQ(type, "list");
      std::string values, names;
      for (const auto& element : info.elements) {
        char number[32];
        std::snprintf(number, sizeof number, "%g", static_cast<double>(element.value));
        values += (values.empty() ? "" : ";") + std::string(number);
        names += (names.empty() ? "" : ",") + element.name;
      }
      EXPECT_EQ(paramlist, values);
      EXPECT_EQ(XPath("string(" + at.substr(0, at.size() - 2) + "/paramlistdisplay)"), names);
      // The module's default: the plugin's for "Mode", the fixed "Seed 1" for "Seed".
      EXPECT_EQ(std::stof(value), expected.optionDefault);
    } else if (info.IsBoolean()) {
      EXPECT_EQ(type, "bool");
      EXPECT_EQ(std::stof(value), info.defaultValue);
    } else {
      EXPECT_EQ(type, "animated");
      EXPECT_NEAR(PluginValue(info, std::stod(value)), info.defaultValue, 1e-5 * (info.maximum - info.minimum));
      // Shown as the real value where the range starts at 0, else as a percentage of it.
      const double shownMax = info.minimum == 0.0f ? info.maximum : 100.0;
      EXPECT_FLOAT_EQ(std::stof(max), static_cast<float>(shownMax));
      EXPECT_FLOAT_EQ(std::stof(factor), static_cast<float>(shownMax));
    }
  }
  EXPECT_EQ(XPath("string(/effect/parameter[@name='Fan']/@type)"), "fixed") << "no look uses it";
}

TEST_F(EditorDescriptions, ShotcutPanelHoldsEveryParameterInOrderWithTheRealRangesAndDefaults) {
  const std::string panel = ReadFile(kPanel);
  const nlohmann::json names = QmlList(panel, "moduleParameters");
  const nlohmann::json defaults = QmlList(panel, "defaults");
  const nlohmann::json minimums = QmlList(panel, "minimums");
  const nlohmann::json maximums = QmlList(panel, "maximums");
  const nlohmann::json options = QmlList(panel, "optionNames");
  ASSERT_EQ(names.size(), parameters.size());
  ASSERT_EQ(defaults.size(), parameters.size());
  for (size_t i = 0; i < parameters.size(); ++i) {
    SCOPED_TRACE(parameters[i].name);
    EXPECT_EQ(names[i], parameters[i].name);
    const hostkit::ParameterInfo* info = parameters[i].plugin;
    if (!info) {
      EXPECT_EQ(defaults[i], "auto");
    } else if (info->IsOption()) {
      ASSERT_EQ(options[i].size(), info->elements.size());
      for (size_t k = 0; k < info->elements.size(); ++k) EXPECT_EQ(options[i][k], info->elements[k].name);
      ASSERT_NE(info->FindElement(defaults[i].get<std::string>()), nullptr);
      EXPECT_EQ(info->FindElement(defaults[i].get<std::string>())->value, parameters[i].optionDefault);
    } else {
      EXPECT_FLOAT_EQ(minimums[i].get<float>(), info->minimum);
      EXPECT_FLOAT_EQ(maximums[i].get<float>(), info->maximum);
      EXPECT_NEAR(PluginValue(*info, defaults[i].get<double>()), info->defaultValue,
                  1e-5 * (info->maximum - info->minimum));
    }
  }
  // The numbers Shotcut's keyframes panel follows are numbers of the module.
  const std::string meta = ReadFile(kMeta);
  EXPECT_NE(meta.find("mlt_service: 'frei0r.swirlmoss'"), std::string::npos);
  const nlohmann::json curves = QmlList(panel, "keyframableParameters");
  EXPECT_FALSE(curves.empty());
  for (const auto& curve : curves) {
    EXPECT_NE(meta.find("property: '" + curve.get<std::string>() + "'"), std::string::npos) << curve;
    const hostkit::ParameterInfo* info = model.Find(curve.get<std::string>());
    ASSERT_NE(info, nullptr) << curve;
    EXPECT_FALSE(info->IsOption() || info->IsBoolean()) << curve;
  }
}

// Each curated look has its own Kdenlive entry, the same effect starting at the look's values,
// and is a preset of Shotcut's filter under its name: every value the look names (hidden ones
// too) reads back as the look's through the module's 0..1, the rest as the fresh filter's.
TEST_F(EditorDescriptions, EachLookIsAKdenliveEntryAndAShotcutPresetWithTheLooksValues) {
  const std::vector<hostkit::Look> looks = hostkit::ListLooksIn(LOOKS_DIR);
  ASSERT_FALSE(looks.empty());
  const std::string panel = ReadFile(kPanel);
  const nlohmann::json presetNames = QmlList(panel, "lookNames");
  const nlohmann::json presets = QmlList(panel, "lookValues");
  const nlohmann::json defaults = QmlList(panel, "defaults");
  ASSERT_EQ(presetNames.size(), looks.size());
  // A preset holds every parameter but the frame rate, which stays the project's.
  nlohmann::json held = QmlList(panel, "moduleParameters");
  held.erase(std::find(held.begin(), held.end(), "Frame Rate"));
  EXPECT_EQ(QmlList(panel, "presetParameters"), held);
  // Shotcut's presets hold them by position, which must be each one's own.
  const nlohmann::json positions = QmlList(panel, "presetPositions"), all = QmlList(panel, "moduleParameters");
  for (size_t k = 0; k < held.size(); ++k) EXPECT_EQ(all[std::stoul(positions.at(k).get<std::string>())], held[k]);
  for (size_t l = 0; l < looks.size(); ++l) {
    const hostkit::Look& look = looks[l];
    SCOPED_TRACE(look.name);
    const std::string file = EDITORS_DIR "/kdenlive/frei0r_swirlmoss_" + look.name + ".xml";
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(XPath("string(/effect/@tag)", file), "frei0r.swirlmoss");
    EXPECT_EQ(XPath("string(/effect/@id)", file), "frei0r.swirlmoss." + look.name);
    EXPECT_EQ(XPath("string(/effect/name)", file), "Swirlmoss: " + look.name);
    EXPECT_EQ(presetNames[l], look.name);
    ASSERT_EQ(presets[l].size(), parameters.size());
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(hostkit::ReadPreset(look.path, model, lines, error)) << error;
    std::map<std::string, float> named;
    for (const std::string& line : lines) {
      const size_t equals = line.find('=');
      const hostkit::ParameterInfo* info = model.Find(line.substr(0, equals));
      ASSERT_TRUE(info) << line;
      ASSERT_TRUE(hostkit::ParseParameterValue(*info, line.substr(equals + 1), named[info->name], error)) << error;
    }
    for (size_t i = 0; i < parameters.size(); ++i) {
      const ModuleParameter& expected = parameters[i];
      SCOPED_TRACE(expected.name);
      const std::string at = "string(/effect/parameter[" + std::to_string(i + 1) + "]/@default)";
      const std::string kdenlive = XPath(at, file), shotcut = presets[l][i];
      EXPECT_EQ(XPath("string(/effect/parameter[" + std::to_string(i + 1) + "]/@name)", file), expected.name);
      const auto found = named.find(expected.name);
      if (found == named.end() || !expected.plugin) {
        EXPECT_EQ(kdenlive, XPath(at));
        EXPECT_EQ(defaults[i].is_number() ? nlohmann::json(std::stod(shotcut)) : nlohmann::json(shotcut),
                  defaults[i]);
        continue;
      }
      const float wanted = found->second;
      named.erase(found);
      const hostkit::ParameterInfo& info = *expected.plugin;
      // Kdenlive lists an option's values, Shotcut's panel its names.
      const hostkit::ParameterElement* element = info.IsOption() ? info.FindElement(shotcut) : nullptr;
      ASSERT_TRUE(element || !info.IsOption()) << shotcut;
      const double tolerance = 1e-5 * std::max(1.0f, info.maximum - info.minimum);
      EXPECT_NEAR(info.IsOption() ? std::stod(kdenlive) : hostkit::ValueFromNorm(info, std::stod(kdenlive)), wanted,
                  tolerance) << kdenlive;
      EXPECT_NEAR(element ? element->value : hostkit::ValueFromNorm(info, std::stod(shotcut)), wanted, tolerance)
          << shotcut;
    }
    for (const auto& [name, value] : named) ADD_FAILURE() << name << " is not in the look's entry";
  }
}

}  // namespace
