#pragma once
// Shotcut's filter folder: the metadata (meta_swirlmoss.qml: name, MLT service, which numbers
// keyframe) and the panel (ui_swirlmoss.qml) written against Shotcut's own QML controls:
// sliders over each number's real range, checkboxes, lists of names, one colour picker per
// colour, labels and rows that follow the chosen look, and "Frame Rate" set to the project's.

#include <string>

#include "tools/frei0r/editors/editor_description.h"

namespace swirleditors {

std::string FolderName(const Description& description);        // "swirlmoss"
std::string MetadataFileName(const Description& description);  // "meta_swirlmoss.qml"
std::string PanelFileName(const Description& description);     // "ui_swirlmoss.qml"
std::string ShotcutMetadata(const Description& description);
std::string ShotcutPanel(const Description& description);

}  // namespace swirleditors
