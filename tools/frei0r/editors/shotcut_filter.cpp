#include "tools/frei0r/editors/shotcut_filter.h"

#include "tools/frei0r/editors/markup.h"

namespace swirleditors {
namespace {

using Kind = Control::Kind;

const char* const kGeneratedNote =
    "// Made at build time from the frei0r module's and the plugin's own answers; do not edit.\n";

// The controls a curve in Shotcut's keyframes panel can follow: the numbers some look shows.
bool Keyframable(const Description& description, const Control& control) {
  return control.kind == Kind::Number && control.ShownInAnyLook() && !description.ColourOf(control.index);
}

template <typename Item>
std::string JsList(const std::vector<Item>& items, std::string (*text)(const Item&)) {
  std::string list = "[";
  for (size_t i = 0; i < items.size(); ++i) list += (i ? ", " : "") + text(items[i]);
  return list + "]";
}

std::string Quoted(const std::string& text) { return QuoteJs(text); }
std::string Number(const double& value) { return NumberText(value); }
std::string Flag(const bool& value) { return value ? "true" : "false"; }

// The value a fresh filter holds, as the module answered: a number or a text.
std::string DefaultValue(const Control& control) {
  return control.kind == Kind::Number || control.kind == Kind::Switch ? NumberText(control.frei0rDefault)
                                                                       : QuoteJs(control.defaultText);
}

std::string Id(const char* prefix, int index) { return prefix + std::to_string(index); }
std::string Property(const Control& control) { return QuoteJs(control.name); }

// The four cells of a row: label, control, undo, keyframes (or a blank). Each hides with its
// control in the looks that do not use it, and the label follows the look.
std::string Row(int index, const std::string& control, const std::string& undo, const std::string& keyframes) {
  const std::string visible = "visible: isShown(" + std::to_string(index) + ")";
  return "        Label {\n            text: labelOf(" + std::to_string(index) + ")\n            " + visible +
         "\n            Layout.alignment: Qt.AlignRight\n        }\n" + control + "        Shotcut.UndoButton {\n            " +
         visible + "\n            onClicked: " + undo + "\n        }\n" +
         (keyframes.empty() ? "        Item {\n            " + visible + "\n            width: 1\n        }\n" : keyframes);
}

std::string NumberRow(const Control& control) {
  const int i = control.index;
  const std::string slider = Id("slider", i), button = Id("keyframes", i), visible = "isShown(" + std::to_string(i) + ")";
  const std::string body = "        Shotcut.SliderSpinner {\n            id: " + slider +
                           "\n            visible: " + visible + "\n            minimumValue: " +
                           NumberText(control.minimum) + "\n            maximumValue: " + NumberText(control.maximum) +
                           "\n            decimals: 3\n            stepSize: 0.001\n            onValueChanged: "
                           "updateFilter(" + Property(control) + ", toMlt(" + std::to_string(i) + ", value), " + button +
                           ", getPosition())\n        }\n";
  const std::string keyframes = "        Shotcut.KeyframesButton {\n            id: " + button + "\n            visible: " +
                                visible + "\n            onToggled: {\n                enableControls(true);\n"
                                "                toggleKeyframes(checked, " + Property(control) + ", toMlt(" +
                                std::to_string(i) + ", " + slider + ".value));\n            }\n        }\n";
  return Row(i, body, slider + ".value = fromMlt(" + std::to_string(i) + ", defaults[" + std::to_string(i) + "])",
             keyframes);
}

std::string SwitchRow(const Control& control) {
  const int i = control.index;
  const std::string box = Id("check", i);
  const std::string body = "        CheckBox {\n            id: " + box + "\n            visible: isShown(" +
                           std::to_string(i) + ")\n            onClicked: filter.set(" + Property(control) +
                           ", checked ? 1 : 0)\n        }\n";
  return Row(i, body, "{ filter.set(" + Property(control) + ", defaults[" + std::to_string(i) + "]); setControls(); }",
             "");
}

std::string OptionRow(const Description& description, const Control& control) {
  const int i = control.index;
  const std::string combo = Id("combo", i);
  const bool picksLook = i == description.modeIndex;
  const std::string body = "        Shotcut.ComboBox {\n            id: " + combo + "\n            visible: isShown(" +
                           std::to_string(i) + ")\n            implicitWidth: 180\n            model: optionNames[" +
                           std::to_string(i) + "]\n            onActivated: {\n                filter.set(" +
                           Property(control) + ", optionNames[" + std::to_string(i) + "][index]);\n" +
                           (picksLook ? "                setControls();\n" : "") + "            }\n        }\n";
  return Row(i, body, "{ filter.set(" + Property(control) + ", defaults[" + std::to_string(i) + "]); setControls(); }",
             "");
}

// One colour picker sets the three numbers. Picking quantises to 8 bits per channel, so the
// undo button puts the exact defaults back (a default keeps the look's own colour).
std::string ColourRow(const Description& description, const Colour& colour) {
  const auto& c = description.controls;
  const int r = colour.red;
  const std::string picker = Id("colour", r);
  std::string set, reset;
  for (int k = 0; k < 3; ++k) {
    set += "                filter.set(" + Property(c[r + k]) + ", rgb." + "rgb"[k] + ");\n";
    reset += "filter.set(" + Property(c[r + k]) + ", defaults[" + std::to_string(r + k) + "]); ";
  }
  const std::string body = "        Shotcut.ColorPicker {\n            id: " + picker + "\n            visible: isShown(" +
                           std::to_string(r) + ")\n            onValueChanged: {\n                if (blockUpdate)\n"
                           "                    return;\n                var rgb = Qt.darker(value, 1.0);\n" +
                           set + "            }\n        }\n";
  return Row(r, body, "{ " + reset + "setControls(); }", "");
}

std::string FrameRateRow(const Control& control) {
  return "        Label {\n            text: " + QuoteJs(control.name) +
         "\n            Layout.alignment: Qt.AlignRight\n        }\n        Label {\n            text: "
         "qsTr('%1 fps, the project\\'s').arg(rateText(profile.fps))\n            Layout.columnSpan: 3\n        }\n";
}

// What setControls does for one control.
std::string ShowValue(const Description& description, const Control& control) {
  const int i = control.index;
  const std::string n = std::to_string(i), p = Property(control);
  switch (control.kind) {
    case Kind::Number:
      if (const Colour* colour = description.ColourOf(i)) {
        if (colour->red != i) return "";
        const auto& c = description.controls;
        return "        " + Id("colour", i) + ".value = Qt.rgba(filter.getDouble(" + p + "), filter.getDouble(" +
               Property(c[i + 1]) + "), filter.getDouble(" + Property(c[i + 2]) + "), 1.0);\n";
      }
      if (!Keyframable(description, control)) return "";
      return "        " + Id("slider", i) + ".value = fromMlt(" + n + ", filter.getDouble(" + p + ", position));\n        " +
             Id("keyframes", i) + ".checked = filter.animateIn <= 0 && filter.animateOut <= 0 && filter.keyframeCount(" +
             p + ") > 0;\n";
    case Kind::Switch:
      return control.ShownInAnyLook() ? "        " + Id("check", i) + ".checked = filter.getDouble(" + p + ") >= 0.5;\n"
                                      : "";
    case Kind::Option:
      return control.ShownInAnyLook()
                 ? "        " + Id("combo", i) + ".currentIndex = optionIndex(" + n + ", filter.get(" + p + "));\n"
                 : "";
    default:
      return "";
  }
}

}  // namespace

std::string FolderName(const Description& description) {
  const size_t dot = description.service.find('.');
  return dot == std::string::npos ? description.service : description.service.substr(dot + 1);
}

std::string MetadataFileName(const Description& description) { return "meta_" + FolderName(description) + ".qml"; }
std::string PanelFileName(const Description& description) { return "ui_" + FolderName(description) + ".qml"; }

std::string ShotcutMetadata(const Description& description) {
  std::string properties, parameters;
  for (const auto& control : description.controls) {
    if (!Keyframable(description, control)) continue;
    properties += (properties.empty() ? "" : ", ") + Property(control);
    parameters += std::string(parameters.empty() ? "" : ",\n") + "            Parameter {\n                name: qsTr(" +
                  QuoteJs(control.CommonLabel()) + ")\n                property: " + Property(control) +
                  "\n                isCurve: true\n                minimum: 0\n                maximum: 1\n            }";
  }
  return kGeneratedNote + std::string(
                              "import QtQuick 2.0\n"
                              "import org.shotcut.qml 1.0\n\n"
                              "Metadata {\n"
                              "    type: Metadata.Filter\n"
                              "    objectName: ") +
         QuoteJs(FolderName(description)) + "\n    name: qsTr(" +
         QuoteJs(description.title) + ")\n    keywords: qsTr('animated paint smoke organic texture') + ' swirlmoss'\n" +
         "    mlt_service: " + QuoteJs(description.service) + "\n    qml: " + QuoteJs(PanelFileName(description)) + "\n\n" +
         "    keyframes {\n        allowAnimateIn: true\n        allowAnimateOut: true\n        simpleProperties: [" +
         properties + "]\n        parameters: [\n" + parameters + "\n        ]\n    }\n}\n";
}

std::string ShotcutPanel(const Description& description) {
  const auto& controls = description.controls;
  std::vector<std::string> names, defaults, keyframable, keyframableDefaults;
  std::vector<double> minimums, maximums;
  std::vector<std::string> labels, shown, optionNames, optionValues, presetNames, presetPositions;
  for (const auto& control : controls) {
    names.push_back(QuoteJs(control.name));
    if (control.kind != Kind::FrameRate) {
      presetNames.push_back(QuoteJs(control.name));
      presetPositions.push_back(QuoteJs(std::to_string(control.index)));
    }
    defaults.push_back(DefaultValue(control));
    minimums.push_back(control.minimum);
    maximums.push_back(control.maximum);
    std::vector<std::string> perLook = control.labels;
    if (const Colour* colour = description.ColourOf(control.index)) perLook = colour->labels;
    labels.push_back(JsList(perLook, &Quoted));
    std::vector<bool> lookShows = control.shown;
    shown.push_back(JsList(lookShows, &Flag));
    optionNames.push_back(JsList(control.optionNames, &Quoted));
    optionValues.push_back(JsList(control.optionValues, &Number));
    if (Keyframable(description, control)) {
      keyframable.push_back(QuoteJs(control.name));
      keyframableDefaults.push_back(NumberText(control.frei0rDefault));
    }
  }
  const auto list = [](const std::vector<std::string>& items) {
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
    return text + "]";
  };

  std::string rows, show, enable, simple;
  for (const auto& control : controls) {
    show += ShowValue(description, control);
    if (control.kind == Kind::FrameRate) rows += FrameRateRow(control);
    if (!control.ShownInAnyLook()) continue;
    const Colour* colour = description.ColourOf(control.index);
    if (colour) {
      if (colour->red == control.index) rows += ColourRow(description, *colour);
    } else if (control.kind == Kind::Number) {
      rows += NumberRow(control);
      const std::string n = std::to_string(control.index);
      enable += Id("slider", control.index) + ".enabled = ";
      simple += "        updateFilter(" + Property(control) + ", toMlt(" + n + ", " + Id("slider", control.index) +
                ".value), " + Id("keyframes", control.index) + ", null);\n";
    } else if (control.kind == Kind::Switch) {
      rows += SwitchRow(control);
    } else if (control.kind == Kind::Option) {
      rows += OptionRow(description, control);
    }
  }
  // Each curated look in full: its own texts (an option by its name, as the panel sets it), the
  // fresh filter's for what it leaves alone.
  std::vector<std::string> lookNames, lookValues;
  for (const auto& look : description.curated) {
    std::vector<std::string> values;
    for (const auto& control : controls) {
      std::string text = look.values[static_cast<size_t>(control.index)];
      for (size_t k = 0; control.kind == Kind::Option && !text.empty() && k < control.optionValues.size(); ++k) {
        if (NumberText(control.optionValues[k]) == text) text = control.optionNames[k];
      }
      if (text.empty()) {
        text = control.kind == Kind::Number || control.kind == Kind::Switch ? NumberText(control.frei0rDefault)
                                                                             : control.defaultText;
      }
      values.push_back(QuoteJs(text));
    }
    lookNames.push_back(QuoteJs(look.name));
    lookValues.push_back(list(values));
  }
  std::string frameRate;
  for (const auto& control : controls) {
    if (control.kind == Kind::FrameRate) frameRate = "        filter.set(" + Property(control) + ", rateText(profile.fps));\n";
  }
  const std::string look = description.modeIndex < 0 ? "0"
                                                      : "optionIndex(" + std::to_string(description.modeIndex) +
                                                            ", filter.get(" + Property(controls[description.modeIndex]) +
                                                            "))";
  return kGeneratedNote + std::string(
                              "import QtQuick 2.12\n"
                              "import QtQuick.Controls 2.12\n"
                              "import QtQuick.Layouts 1.12\n"
                              "import Shotcut.Controls 1.0 as Shotcut\n\n"
                              "Shotcut.KeyframableFilter {\n"
                              "    id: panel\n\n"
                              "    // Every parameter of the module in its order, with the value a fresh instance holds: a\n"
                              "    // control left at it keeps the look's own value. Numbers go to MLT as 0..1 over their range.\n"
                              "    readonly property var moduleParameters: ") +
         list(names) + "\n    readonly property var defaults: " + list(defaults) +
         "\n    readonly property var minimums: " + JsList(minimums, &Number) +
         "\n    readonly property var maximums: " + JsList(maximums, &Number) +
         "\n    // What a preset holds: every parameter but the frame rate, which stays the project's.\n"
         "    // Shotcut saves a preset's properties from a list it splits at spaces, so the panel's own\n"
         "    // presets go by position ('0', '1', ...; MLT's frei0r reads a position before a name), and\n"
         "    // a preset chosen is moved back onto the names that the controls and keyframes use.\n"
         "    readonly property var presetParameters: " + list(presetNames) +
         "\n    readonly property var presetPositions: " + list(presetPositions) +
         "\n    // The curated looks, offered as presets under their names: each parameter's text.\n"
         "    readonly property var lookNames: " + list(lookNames) + "\n    readonly property var lookValues: " +
         list(lookValues) +
         "\n    readonly property var optionNames: " + list(optionNames) +
         "\n    readonly property var optionValues: " + list(optionValues) +
         "\n    // Per look (" + JsList(description.looks, &Quoted) + "): each control's label and whether it is used.\n" +
         "    readonly property var labels: " + list(labels) + "\n    readonly property var shown: " + list(shown) +
         "\n    property int look: 0\n\n" + "    // A slider keeps its value to 0.001, cut rather than rounded: within that of the default, the\n"
         "    // default goes out exactly, so that the look keeps its own value.\n"
         "    function toMlt(i, v) {\n        if (Math.abs(v - fromMlt(i, defaults[i])) < 0.001)\n            return defaults[i];\n"
         "        return (v - minimums[i]) / (maximums[i] - minimums[i]);\n    }\n\n" +
         "    // To six decimals, so that a default kept as a float (0.5 is 0.49999995) shows as itself.\n"
         "    function fromMlt(i, x) {\n        return Math.round((minimums[i] + x * (maximums[i] - minimums[i])) * 1e6) / 1e6;\n    }\n\n" +
         "    function isShown(i) {\n        return shown[i][look] === true;\n    }\n\n" +
         "    function labelOf(i) {\n        return labels[i][look];\n    }\n\n" +
         "    // An option's position from a name in any case or the value that stands for it.\n"
         "    function optionIndex(i, text) {\n        var names = optionNames[i];\n"
         "        for (var k = 0; k < names.length; ++k) {\n"
         "            if (String(text).toLowerCase() === names[k].toLowerCase())\n                return k;\n        }\n"
         "        for (k = 0; k < names.length; ++k) {\n"
         "            if (parseFloat(text) === optionValues[i][k])\n                return k;\n        }\n"
         "        return 0;\n    }\n\n"
         "    // The project's rate as the module reads it: 30000/1001 rather than 29.97.\n"
         "    function rateText(fps) {\n        var thousands = Math.round(fps * 1.001);\n"
         "        if (Math.abs(fps - Math.round(fps)) > 0.001 && Math.abs(fps * 1.001 - thousands) < 0.001)\n"
         "            return thousands * 1000 + '/1001';\n        return String(Math.round(fps * 1000) / 1000);\n    }\n\n" +
         "    function setControls() {\n        var position = getPosition();\n        blockUpdate = true;\n        look = " +
         look + ";\n" + show + "        blockUpdate = false;\n        enableControls(isSimpleKeyframesActive());\n    }\n\n" +
         "    function enableControls(enabled) {\n        " + enable + "enabled;\n    }\n\n" +
         "    function updateSimpleKeyframes() {\n        setControls();\n" + simple + "    }\n\n" +
         "    keyframableParameters: " + list(keyframable) + "\n    startValues: " + list(keyframableDefaults) +
         "\n    middleValues: " + list(keyframableDefaults) + "\n    endValues: " + list(keyframableDefaults) +
         "\n    width: 400\n    height: " + std::to_string(40 + 34 * static_cast<int>(controls.size())) + "\n" +
         "    // MLT writes a list of properties named by numbers alone as a YAML sequence, which loses\n"
         "    // the numbers: the name of the look goes with them.\n"
         "    readonly property string lookProperty: 'swirlmoss:look'\n\n"
         "    function savePresetOf(values, name) {\n"
         "        filter.set(lookProperty, name === '' ? '(defaults)' : name);\n"
         "        for (var i = 0; i < presetPositions.length; ++i)\n"
         "            filter.set(presetPositions[i], String(values[parseInt(presetPositions[i])]));\n"
         "        filter.savePreset([lookProperty].concat(presetPositions), name);\n"
         "        filter.resetProperty(lookProperty);\n"
         "        for (i = 0; i < presetPositions.length; ++i)\n"
         "            filter.resetProperty(presetPositions[i]);\n    }\n\n"
         "    // As Shotcut's own filters keep theirs, the looks' presets are written again whenever the\n"
         "    // filter is added (a preset saved under a look's name is replaced), and \"(defaults)\".\n"
         "    function savePresets() {\n        filter.blockSignals = true;\n"
         "        for (var k = 0; k < lookNames.length; ++k)\n"
         "            savePresetOf(lookValues[k], lookNames[k]);\n"
         "        savePresetOf(defaults, '');\n"
         "        filter.blockSignals = false;\n"
         "        filter.loadPresets();\n"
         "        for (var i = 0; i < moduleParameters.length; ++i)\n"
         "            filter.set(moduleParameters[i], defaults[i]);\n    }\n\n"
         "    function takePreset() {\n        filter.resetProperty(lookProperty);\n"
         "        for (var i = 0; i < presetPositions.length; ++i) {\n"
         "            var value = filter.get(presetPositions[i]);\n"
         "            if (value === '')\n                continue;\n"
         "            filter.set(moduleParameters[parseInt(presetPositions[i])], value);\n"
         "            filter.resetProperty(presetPositions[i]);\n        }\n    }\n\n"
         "    Component.onCompleted: {\n        if (filter.isNew)\n            savePresets();\n" +
         frameRate + "        setControls();\n    }\n\n" +
         "    GridLayout {\n        anchors.fill: parent\n        anchors.margins: 8\n        columns: 4\n\n"
         "        Label {\n            text: qsTr('Preset')\n            Layout.alignment: Qt.AlignRight\n        }\n"
         "        Shotcut.Preset {\n            id: preset\n            parameters: presetParameters\n"
         "            Layout.columnSpan: 3\n            onBeforePresetLoaded: resetSimpleKeyframes()\n"
         "            onPresetSelected: {\n                takePreset();\n                setControls();\n                initializeSimpleKeyframes();\n"
         "            }\n        }\n" +
         rows + "        Item {\n            Layout.fillHeight: true\n        }\n    }\n\n" +
         "    Connections {\n        function onChanged() {\n            setControls();\n        }\n"
         "        function onInChanged() {\n            updateSimpleKeyframes();\n        }\n"
         "        function onOutChanged() {\n            updateSimpleKeyframes();\n        }\n"
         "        function onAnimateInChanged() {\n            updateSimpleKeyframes();\n        }\n"
         "        function onAnimateOutChanged() {\n            updateSimpleKeyframes();\n        }\n"
         "        function onPropertyChanged(name) {\n            setControls();\n        }\n        target: filter\n    }\n\n"
         "    Connections {\n        function onPositionChanged() {\n            setControls();\n        }\n"
         "        target: producer\n    }\n}\n";
}

}  // namespace swirleditors
