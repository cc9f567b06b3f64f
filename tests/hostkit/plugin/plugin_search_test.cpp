// Where the front ends look for the plugin: the places in order, and the first that exists
// wins, the given path over the environment's over the one beside the seeker's own file.

#include <gtest/gtest.h>

#include <set>

#include "tools/hostkit/plugin/plugin_search.h"

namespace {

using hostkit::PluginSearch;
using hostkit::PluginSeeker;

std::string Choose(const PluginSearch& search, const std::set<std::string>& files, std::string& error) {
  std::string found;
  hostkit::FirstExisting(
      hostkit::PluginCandidates(search), [&](const std::string& path) { return files.count(path) > 0; }, found, error);
  return found;
}

TEST(PluginSearch, AGivenPathWinsOverTheEnvironmentWhichWinsOverTheFileBeside) {
  const std::string beside = "/opt/sm/bin/Swirlmoss.so";
  const std::set<std::string> files = {beside, "/env/Swirlmoss.so", "/given/Mine.so",
                                       "/opt/sm/lib/swirlmoss/plugins/Swirlmoss.so"};
  struct Case {
    PluginSearch search;
    std::string expected;
  };
  const Case cases[] = {
      {{"", "", "/opt/sm/bin", PluginSeeker::Program}, beside},
      {{"", "/env/Swirlmoss.so", "/opt/sm/bin", PluginSeeker::Program}, "/env/Swirlmoss.so"},
      {{"/given/Mine.so", "/env/Swirlmoss.so", "/opt/sm/bin", PluginSeeker::Program}, "/given/Mine.so"},
      // A path the user gave is the only place looked at, even with a plugin beside.
      {{"/given/Typo.so", "/env/Swirlmoss.so", "/opt/sm/bin", PluginSeeker::Program}, ""},
      {{"", "/env/Typo.so", "/opt/sm/bin", PluginSeeker::Program}, ""},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(Choose(c.search, files, error), c.expected) << c.search.given << " | " << c.search.environment;
    EXPECT_EQ(error.empty(), !c.expected.empty()) << error;
  }
}

TEST(PluginSearch, EachSeekerFindsTheInstalledPluginFromItsOwnFolder) {
  std::string error;
  EXPECT_EQ(Choose({"", "", "/usr/bin", PluginSeeker::Program}, {"/usr/bin/../lib/swirlmoss/plugins/Swirlmoss.so"}, error),
            "/usr/bin/../lib/swirlmoss/plugins/Swirlmoss.so");
  EXPECT_EQ(Choose({"", "", "/usr/lib/frei0r-1", PluginSeeker::Module},
                   {"/usr/lib/frei0r-1/../swirlmoss/plugins/Swirlmoss.so"}, error),
            "/usr/lib/frei0r-1/../swirlmoss/plugins/Swirlmoss.so");
  // The build folder: the module's folder sits beside the plugin.
  EXPECT_EQ(Choose({"", "", "build/frei0r-1", PluginSeeker::Module}, {"build/frei0r-1/../Swirlmoss.so"}, error),
            "build/frei0r-1/../Swirlmoss.so");
  // OBS modules lie one folder deeper in Debian's multiarch layout than in a plain one.
  const char* multiarch = "/usr/lib/x86_64-linux-gnu/obs-plugins/../../swirlmoss/plugins/Swirlmoss.so";
  EXPECT_EQ(Choose({"", "", "/usr/lib/x86_64-linux-gnu/obs-plugins", PluginSeeker::ObsModule}, {multiarch}, error),
            multiarch);
  EXPECT_EQ(Choose({"", "", "/usr/lib/obs-plugins", PluginSeeker::ObsModule},
                   {"/usr/lib/obs-plugins/../swirlmoss/plugins/Swirlmoss.so"}, error),
            "/usr/lib/obs-plugins/../swirlmoss/plugins/Swirlmoss.so");
  EXPECT_EQ(Choose({"", "", "build/obs-plugins", PluginSeeker::ObsModule}, {"build/obs-plugins/../Swirlmoss.so"}, error),
            "build/obs-plugins/../Swirlmoss.so");
}

TEST(PluginSearch, NothingFoundNamesEveryPlaceTriedInOneLine) {
  std::string error;
  EXPECT_EQ(Choose({"", "", "", PluginSeeker::Program}, {}, error), "");
  EXPECT_EQ(error, "plugin library not found (looked for ./Swirlmoss.so, ./../lib/swirlmoss/plugins/Swirlmoss.so)");
}

}  // namespace
