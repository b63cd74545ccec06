#pragma once
// The game's 8-bit texts (Windows-1252) as the widgets show them, and typed text back.

#include <QString>
#include <string>
#include <string_view>

#include "common/codepage.h"

namespace brindle {

inline QString ShownText(std::string_view cp1252) {
  return QString::fromStdString(Cp1252ToUtf8(cp1252));
}
// Characters Windows-1252 cannot hold become '?'.
inline std::string GameText(const QString& typed) {
  return Utf8ToCp1252(typed.toStdString());
}

}  // namespace brindle
