#pragma once
// The recently opened containers of the "File" menu: newest on top, at most nine, kept in
// the "History" section of the settings as file0 (the oldest) upwards.

#include <string>
#include <vector>

#include "viewer/core/settings/ini_file.h"

namespace brindle {

class History {
 public:
  static constexpr std::size_t kMaxItems = 9;

  // Reads file0, file1, ... up to the first empty value; the last one read ends on top.
  void Load(const IniFile& ini);
  // Writes the bottom item as file0 and so on up to the top one. Keys beyond are left.
  void Save(IniFile& ini) const;
  // A container was opened: its item moves to the top (matched in any letter case, the
  // lowest match counting), or a new item goes on top and the oldest beyond nine drops.
  void Touch(const std::string& path);

  // Top (newest) first.
  const std::vector<std::string>& items() const { return items_; }

 private:
  std::vector<std::string> items_;
};

}  // namespace brindle
