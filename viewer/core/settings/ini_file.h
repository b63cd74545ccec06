#pragma once
// Settings files in the old INI form: "[Section]" lines and "key=value" lines. Sections and
// keys match in any letter case; lines the program does not touch (comments, other
// sections, other programs' keys) are kept as they are.

#include <string>
#include <vector>

namespace brindle {

class IniFile {
 public:
  // Values are read as through a buffer of this many characters (the last one the NUL).
  static constexpr std::size_t kValueBuffer = 2000;

  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  // Reads the file; a missing file is an empty one.
  void Load();
  // Writes it back; false when the file cannot be written.
  bool Save() const;

  // The value, or empty when the section or key is missing.
  std::string Read(const std::string& section, const std::string& key) const;
  // Sets a key; an empty value removes the key, an empty key removes the whole section.
  void Write(const std::string& section, const std::string& key, const std::string& value);

  const std::vector<std::string>& lines() const { return lines_; }
  void SetText(const std::string& text);
  std::string Text() const;

 private:
  // Index of the section's header line, or -1.
  long FindSection(const std::string& section) const;
  // Index of the key's line within the section starting at header, or -1.
  long FindKey(long header, const std::string& key) const;
  long SectionEnd(long header) const;

  std::string path_;
  std::vector<std::string> lines_;
};

// One read or write straight on the file, as the window's settings calls do.
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& iniPath);
void WriteIniString(const std::string& section, const std::string& key, const std::string& iniPath,
                    const std::string& value);

}  // namespace brindle
