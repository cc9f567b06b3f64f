#include "tools/frei0r/editors/kdenlive_effect.h"

#include "tools/frei0r/editors/markup.h"

namespace swirleditors {
namespace {

using Kind = Control::Kind;

// The rates a project usually has, offered beside "auto" (the module finds the rate from the
// steps between MLT's frame times); Kdenlive has no way to hand an effect the project's rate.
const char* const kRates[][2] = {{"24000/1001", "23.976"}, {"24", "24"}, {"25", "25"}, {"30000/1001", "29.97"},
                                 {"30", "30"},             {"50", "50"}, {"60000/1001", "59.94"}, {"60", "60"}};

std::string Attribute(const std::string& name, const std::string& value) {
  return " " + name + "=\"" + EscapeXml(value) + "\"";
}

// Which looks show a control, when not all of them do: said under the slider.
std::string LookNote(const Description& description, const Control& control) {
  std::string looks;
  bool all = true;
  for (size_t look = 0; look < control.shown.size(); ++look) {
    if (control.shown[look]) looks += (looks.empty() ? "" : ", ") + description.looks[look];
    all = all && control.shown[look];
  }
  return all || looks.empty() ? "" : "Used by " + looks + " only. ";
}

// A parameter sent as it is and not shown. Kdenlive reads a "fixed" default as a number ("auto"
// would go out as 0) but takes a `value` as written.
std::string Fixed(const std::string& name, const std::string& value) {
  return Attribute("type", "fixed") + Attribute("name", name) + Attribute("default", value) + Attribute("value", value);
}

std::string OptionDefault(const Control& control) {
  for (size_t i = 0; i < control.optionNames.size(); ++i) {
    if (SameText(control.optionNames[i], control.defaultText)) return NumberText(control.optionValues[i]);
  }
  return control.defaultText;
}

// `value`: the default to give instead of the module's own (a curated look's), or empty.
std::string Parameter(const Description& description, const Control& control, const std::string& value) {
  const auto given = [&](const std::string& own) { return value.empty() ? own : value; };
  std::string attributes, inner;
  std::string label = control.CommonLabel();
  std::string comment = LookNote(description, control);
  switch (control.kind) {
    case Kind::Number: {
      // Kdenlive shows the value it sends (0..1) times `factor` and has no offset: a range from
      // 0 is shown as it is, any other as a percentage of its span.
      const bool fromZero = control.minimum == 0.0;
      const double factor = fromZero ? control.maximum : 100.0;
      attributes = Attribute("type", "animated") + Attribute("name", control.name) +
                   Attribute("default", given(NumberText(control.frei0rDefault))) + Attribute("min", "0") +
                   Attribute("max", NumberText(factor)) + Attribute("factor", NumberText(factor)) +
                   Attribute("decimals", fromZero ? "3" : "1");
      if (!fromZero) {
        attributes += Attribute("suffix", " %");
        comment += "0 % is " + NumberText(control.minimum) + ", 100 % is " + NumberText(control.maximum) + ". ";
      }
      break;
    }
    case Kind::Switch:
      attributes = Attribute("type", "bool") + Attribute("name", control.name) +
                   Attribute("default", given(control.frei0rDefault >= 0.5 ? "1" : "0"));
      break;
    case Kind::Option: {
      std::string values, names;
      for (size_t i = 0; i < control.optionNames.size(); ++i) {
        values += (i ? ";" : "") + NumberText(control.optionValues[i]);
        names += (i ? "," : "") + control.optionNames[i];
      }
      attributes = Attribute("type", "list") + Attribute("name", control.name) +
                   Attribute("default", given(OptionDefault(control))) + Attribute("paramlist", values);
      inner = "        <paramlistdisplay>" + EscapeXml(names) + "</paramlistdisplay>\n";
      break;
    }
    case Kind::FrameRate: {
      std::string values = control.defaultText, names = "From the clip's frame times";
      for (const auto& rate : kRates) {
        values += std::string(";") + rate[0];
        names += std::string(",") + rate[1];
      }
      attributes = Attribute("type", "list") + Attribute("name", control.name) +
                   Attribute("default", control.defaultText) + Attribute("paramlist", values);
      inner = "        <paramlistdisplay>" + EscapeXml(names) + "</paramlistdisplay>\n";
      comment += "The project's frame rate. Found by itself; pick the project's rate if the motion seems too fast or "
                 "too slow. ";
      break;
    }
    case Kind::TimeUnit:
      attributes = Fixed(control.name, control.defaultText);
      break;
  }
  // A control no look shows stays at its default, unseen.
  if (control.kind != Kind::TimeUnit && !control.ShownInAnyLook()) {
    const std::string own = control.kind == Kind::Option ? OptionDefault(control)
                            : control.kind == Kind::Number || control.kind == Kind::Switch
                                ? NumberText(control.frei0rDefault)
                                : control.defaultText;
    attributes = Fixed(control.name, given(own));
    inner.clear();
  }
  std::string text = "    <parameter" + attributes + ">\n" + inner + "        <name>" + EscapeXml(label) + "</name>\n";
  while (!comment.empty() && comment.back() == ' ') comment.pop_back();
  if (!comment.empty()) text += "        <comment>" + EscapeXml(comment) + "</comment>\n";
  return text + "    </parameter>\n";
}

std::string Effect(const Description& description, const CuratedLook* look) {
  const std::string id = description.service + (look ? "." + look->name : "");
  const std::string title = description.title + (look ? ": " + look->name : "");
  const std::string explanation = look && !look->summary.empty() ? look->summary : description.explanation;
  std::string text =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE kpartgui>\n"
      "<!-- Made at build time from the frei0r module's and the plugin's own answers; do not edit. -->\n"
      "<effect LC_NUMERIC=\"C\"" +
      Attribute("tag", description.service) + Attribute("id", id) + Attribute("type", "video") +
      ">\n"
      "    <name>" +
      EscapeXml(title) + "</name>\n    <description>" + EscapeXml(explanation) +
      "</description>\n    <author>" + EscapeXml(description.author) + "</author>\n";
  for (const auto& control : description.controls) {
    text += Parameter(description, control, look ? look->values[static_cast<size_t>(control.index)] : "");
  }
  return text + "</effect>\n";
}

}  // namespace

std::string KdenliveEffect(const Description& description) { return Effect(description, nullptr); }

std::string KdenliveLookEffect(const Description& description, const CuratedLook& look) {
  return Effect(description, &look);
}

}  // namespace swirleditors
