#pragma once
// What the video editors (Kdenlive, Shotcut) are told about the frei0r module: its parameters
// in its own order, as the built module answers for them (names, frei0r types, a fresh
// instance's values), joined with what the plugin declares for each (range, option names,
// colour channel) and what each look shows and calls it. The editors' descriptions are
// written from this alone, so nothing about a parameter is typed twice.

#include <string>
#include <vector>

namespace swirleditors {

struct Control {
  enum class Kind { Number, Switch, Option, FrameRate, TimeUnit };
  Kind kind = Kind::Number;
  int index = 0;  // the frei0r parameter's position
  std::string name;
  std::string explanation;  // the module's own line
  // Numbers: the plugin's range, which frei0r's 0..1 spans (min + x * (max - min)).
  double minimum = 0.0;
  double maximum = 1.0;
  // What a fresh instance answers: 0..1 for numbers, 0 or 1 for switches; text for the rest.
  double frei0rDefault = 0.0;
  std::string defaultText;
  // Options: each element's name and the value that stands for it, in the plugin's order.
  std::vector<std::string> optionNames;
  std::vector<double> optionValues;
  // Per look (in the order of Description::looks): shown or not, and the label shown there.
  std::vector<bool> shown;
  std::vector<std::string> labels;
  char channel = 0;  // 'r', 'g' or 'b' for a member of a colour, else 0

  bool ShownInAnyLook() const;
  // One label for editors that cannot change it per look: the looks' labels, each once,
  // joined by " / " ("Paint R / Ambient R"); only the looks that show the control count.
  std::string CommonLabel() const;
  // The value the plugin receives for the default.
  double PluginDefault() const { return minimum + frei0rDefault * (maximum - minimum); }
};

// Three consecutive controls the plugin declares as red, green and blue.
struct Colour {
  int red = 0;  // the index of the red control; green and blue follow it
  std::vector<std::string> labels;  // per look: the red control's label without its " R"
  std::string CommonLabel(const std::vector<bool>& shown) const;
};

// A curated look (looks/NAME.json) as the module's parameters would carry it: per control, the
// text to send, or empty where the look leaves the control at its default (the mode's own).
struct CuratedLook {
  std::string name;
  std::string summary;
  std::vector<std::string> values;  // by control index
};

struct Description {
  std::string title;    // "Swirlmoss"
  std::string service;  // "frei0r.swirlmoss"
  std::string explanation;
  std::string author;
  std::vector<std::string> looks;  // the names of "Mode"'s elements
  int modeIndex = -1;              // the control that picks the look; -1 when none does
  std::vector<Control> controls;
  std::vector<Colour> colours;
  std::vector<CuratedLook> curated;

  // The colour whose red, green or blue control is `index`; null when none.
  const Colour* ColourOf(int index) const;
};

// Loads the built frei0r module at `modulePath` and asks it about every parameter, then loads
// the plugin at `pluginPath` (the one the module drives) and asks it, on an off-screen GL
// context, what each look shows. False with a one-line `error` when either cannot answer.
// With `looksFolder` not empty, also reads every look in it into `curated`.
bool Describe(const std::string& modulePath, const std::string& pluginPath, Description& description,
              std::string& error, const std::string& looksFolder = "");

// A number as the descriptions write it: seven significant digits (a float's), "C" locale.
std::string NumberText(double value);

}  // namespace swirleditors
