#include "viewer/core/settings/history.h"

#include "common/bytes.h"

namespace brindle {

void History::Load(const IniFile& ini) {
  items_.clear();
  for (int n = 0;; ++n) {
    std::string value = ini.Read("History", "file" + std::to_string(n));
    if (value.empty()) break;
    items_.insert(items_.begin(), value);
  }
}

void History::Save(IniFile& ini) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    ini.Write("History", "file" + std::to_string(i), items_[items_.size() - 1 - i]);
  }
}

void History::Touch(const std::string& path) {
  for (std::size_t i = items_.size(); i-- > 0;) {
    if (EqualsIgnoreAsciiCase(items_[i], path)) {
      std::string item = items_[i];
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
      items_.insert(items_.begin(), item);
      return;
    }
  }
  items_.insert(items_.begin(), path);
  if (items_.size() > kMaxItems) items_.pop_back();
}

}  // namespace brindle
