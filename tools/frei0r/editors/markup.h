#pragma once
// Text put into the editors' XML and QML files.

#include <string>

namespace swirleditors {

// `text` with XML's five special characters as entities.
std::string EscapeXml(const std::string& text);
// `text` as a single-quoted JavaScript (QML) string.
std::string QuoteJs(const std::string& text);
// Equal without regard to ASCII case.
bool SameText(const std::string& a, const std::string& b);

}  // namespace swirleditors
