#pragma once
// Where a front end finds the plugin library. Every front end looks in the same order: the
// path given on its command line (`--plugin`), then the SWIRLMOSS_PLUGIN environment
// variable, then beside its own file (the program, or the frei0r module), then the installed
// place relative to that file. A path the user gave, by option or by variable, is the only
// place looked at: a mistake in it is reported, never passed over for another plugin.

#include <functional>
#include <string>
#include <vector>

namespace hostkit {

// Who is looking, which fixes where the installed plugin lies relative to its own file.
enum class PluginSeeker {
  Program,  // PREFIX/bin/swirlmoss
  Module,   // PREFIX/lib/frei0r-1/swirlmoss.so, or BUILD/frei0r-1/swirlmoss.so beside BUILD/Swirlmoss.so
  // PREFIX/lib/ARCH/obs-plugins/swirlmoss-obs.so (Debian's multiarch folder),
  // PREFIX/lib/obs-plugins/swirlmoss-obs.so, or BUILD/obs-plugins/swirlmoss-obs.so
  ObsModule,
  // PREFIX/lib/ARCH/gstreamer-1.0/libgstswirlmoss.so, or BUILD/gstreamer-1.0/libgstswirlmoss.so:
  // the same places as the OBS module's
  GstElement,
};

struct PluginSearch {
  std::string given;        // --plugin; empty when not given
  std::string environment;  // SWIRLMOSS_PLUGIN; empty when unset
  std::string ownFolder;    // the folder of the seeker's own file; empty when unknown
  PluginSeeker seeker = PluginSeeker::Program;
};

// The places to look, in order.
std::vector<std::string> PluginCandidates(const PluginSearch& search);

// The first of `candidates` for which `exists` holds, into `found`. False with a one-line
// `error` naming every place tried.
bool FirstExisting(const std::vector<std::string>& candidates, const std::function<bool(const std::string&)>& exists,
                   std::string& found, std::string& error);

// The search of this process: `given` from its command line (empty: none), SWIRLMOSS_PLUGIN
// from its environment, its own folder from the system. False with a one-line `error` naming
// the places tried.
bool FindPlugin(const std::string& given, PluginSeeker seeker, std::string& path, std::string& error);

}  // namespace hostkit
