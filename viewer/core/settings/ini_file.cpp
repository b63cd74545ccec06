#include "viewer/core/settings/ini_file.h"

#include "common/bytes.h"
#include "common/file.h"

namespace brindle {

namespace {

std::string Trim(const std::string& s) {
  auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// "[name]" -> name; empty when the line is no section header.
bool SectionName(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  auto close = t.find(']');
  if (close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyOf(const std::string& line, std::string* key, std::string* value) {
  auto eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(line.substr(0, eq));
  if (value) *value = Trim(line.substr(eq + 1));
  return !key->empty() && (*key)[0] != ';';
}

}  // namespace

void IniFile::SetText(const std::string& text) {
  lines_.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    auto nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
}

std::string IniFile::Text() const {
  std::string out;
  for (const std::string& l : lines_)
    out += l + "\r\n";
  return out;
}

void IniFile::Load() {
  Result<Bytes> bytes = ReadWholeFile(path_);
  if (!bytes) {
    lines_.clear();
    return;
  }
  SetText(std::string(bytes->begin(), bytes->end()));
}

bool IniFile::Save() const {
  std::string text = Text();
  return WriteWholeFile(path_,
                        ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
      .ok();
}

long IniFile::FindSection(const std::string& section) const {
  std::string name;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (SectionName(lines_[i], &name) && EqualsIgnoreAsciiCase(name, section))
      return static_cast<long>(i);
  }
  return -1;
}

long IniFile::SectionEnd(long header) const {
  std::string name;
  std::size_t i = static_cast<std::size_t>(header) + 1;
  while (i < lines_.size() && !SectionName(lines_[i], &name))
    ++i;
  return static_cast<long>(i);
}

long IniFile::FindKey(long header, const std::string& key) const {
  std::string k;
  for (long i = header + 1; i < SectionEnd(header); ++i) {
    if (KeyOf(lines_[static_cast<std::size_t>(i)], &k, nullptr) && EqualsIgnoreAsciiCase(k, key))
      return i;
  }
  return -1;
}

std::string IniFile::Read(const std::string& section, const std::string& key) const {
  long header = FindSection(section);
  if (header < 0) return {};
  long line = FindKey(header, key);
  if (line < 0) return {};
  std::string k, value;
  KeyOf(lines_[static_cast<std::size_t>(line)], &k, &value);
  if (value.size() >= kValueBuffer) value.resize(kValueBuffer - 1);
  return value;
}

void IniFile::Write(const std::string& section, const std::string& key, const std::string& value) {
  long header = FindSection(section);
  if (key.empty()) {
    if (header >= 0) {
      lines_.erase(lines_.begin() + header, lines_.begin() + SectionEnd(header));
    }
    return;
  }
  if (header < 0) {
    if (value.empty()) return;
    lines_.push_back("[" + section + "]");
    header = static_cast<long>(lines_.size()) - 1;
  }
  long line = FindKey(header, key);
  if (value.empty()) {
    if (line >= 0) lines_.erase(lines_.begin() + line);
    return;
  }
  std::string text = key + "=" + value;
  if (line >= 0) {
    lines_[static_cast<std::size_t>(line)] = text;
  } else {
    // After the section's last key, before any blank lines that close it.
    long at = SectionEnd(header);
    while (at > header + 1 && Trim(lines_[static_cast<std::size_t>(at - 1)]).empty())
      --at;
    lines_.insert(lines_.begin() + at, text);
  }
}

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& iniPath) {
  IniFile ini(iniPath);
  ini.Load();
  return ini.Read(section, key);
}

void WriteIniString(const std::string& section, const std::string& key, const std::string& iniPath,
                    const std::string& value) {
  IniFile ini(iniPath);
  ini.Load();
  ini.Write(section, key, value);
  ini.Save();
}

}  // namespace brindle
