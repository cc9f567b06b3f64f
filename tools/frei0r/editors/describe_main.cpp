// swirlmoss-editors: writes Kdenlive's effect description and Shotcut's filter folder from the
// built frei0r module and the plugin it drives. Run by the build:
//   swirlmoss-editors MODULE PLUGIN KDENLIVE_FOLDER SHOTCUT_FOLDER [LOOKS_FOLDER]
// With LOOKS_FOLDER, Kdenlive also gets one effect per curated look in it.

#include <cstdio>
#include <string>

#include "tools/frei0r/editors/editor_description.h"
#include "tools/frei0r/editors/kdenlive_effect.h"
#include "tools/frei0r/editors/shotcut_filter.h"
#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/platform/pending_file.h"

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: swirlmoss-editors MODULE PLUGIN KDENLIVE_FOLDER SHOTCUT_FOLDER [LOOKS_FOLDER]\n");
    return 2;
  }
  // The module finds its plugin through SWIRLMOSS_PLUGIN first: pointed at the plugin given, it
  // describes the same plugin as the rest of the description, whatever the caller's environment.
  hostkit::SetEnvironment("SWIRLMOSS_PLUGIN", argv[2]);
  swirleditors::Description description;
  std::string error;
  if (!swirleditors::Describe(argv[1], argv[2], description, error, argc == 6 ? argv[5] : "")) {
    std::fprintf(stderr, "swirlmoss-editors: %s\n", error.c_str());
    return 1;
  }
  const std::string kdenlive = std::string(argv[3]) + "/frei0r_" + swirleditors::FolderName(description) + ".xml";
  const std::string shotcut = argv[4];
  bool written = true;
  for (const auto& look : description.curated) {
    written = written && hostkit::WriteWholeFile(std::string(argv[3]) + "/frei0r_" + swirleditors::FolderName(description) +
                                                     "_" + look.name + ".xml",
                                                 swirleditors::KdenliveLookEffect(description, look), error);
  }
  written = written &&
      hostkit::WriteWholeFile(kdenlive, swirleditors::KdenliveEffect(description), error) &&
      hostkit::WriteWholeFile(shotcut + "/" + swirleditors::MetadataFileName(description),
                              swirleditors::ShotcutMetadata(description), error) &&
      hostkit::WriteWholeFile(shotcut + "/" + swirleditors::PanelFileName(description),
                              swirleditors::ShotcutPanel(description), error);
  if (!written) {
    std::fprintf(stderr, "swirlmoss-editors: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
