#pragma once
// The 8-bit texts of the game's files are Windows-1252; the byte view of the hex dump and
// string boxes shows bytes as the old OEM code page 437 did. Stored bytes are never
// converted; these are for display and for file names only.

#include <string>
#include <string_view>

namespace brindle {

std::string Cp1252ToUtf8(std::string_view bytes);
// The other way, for text the user types that is meant as the game's bytes: characters
// Windows-1252 cannot hold (and broken UTF-8) become '?'.
std::string Utf8ToCp1252(std::string_view utf8);
// The characters of utf8 that Windows-1252 cannot hold, each once, separated by spaces (a
// broken sequence shows as U+FFFD); empty when it holds them all.
std::string CharsOutside1252(std::string_view utf8);
// Every byte shown as its code page 437 glyph, control codes included (0x01 is a smiley).
std::string Cp437ToUtf8(std::string_view bytes);
// Control characters (below 0x20, and 0x7F) written as "\xNN", so that text from a file
// cannot break a line-per-record output.
std::string EscapeControls(std::string_view text);
// Lower case of a Windows-1252 byte: ASCII letters, the accented capitals C0-DE (but not
// the multiplication sign D7) and the four capitals that live in 80-9F.
unsigned char Lower1252(unsigned char c);
// Equality regardless of case for Windows-1252 text (accented letters included).
bool EqualsIgnoreCase1252(std::string_view a, std::string_view b);
// The text in lower case by the same rule, for keys that must compare regardless of case.
std::string FoldCase1252(std::string_view text);

}  // namespace brindle
