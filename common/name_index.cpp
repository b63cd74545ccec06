#include "common/name_index.h"

#include "common/codepage.h"

namespace brindle {

NameIndex::NameIndex(std::size_t count, std::function<std::string_view(std::size_t)> nameOf,
                     Match match)
    : nameOf_(std::move(nameOf)), match_(match) {
  // At most half full, so a lookup meets few names that are not its own.
  std::size_t size = 16;
  while (size < 2 * count)
    size *= 2;
  slots_.assign(size, 0);
  mask_ = size - 1;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = static_cast<std::size_t>(Hash(nameOf_(i))) & mask_;
    while (slots_[at] != 0)
      at = (at + 1) & mask_;
    slots_[at] = static_cast<std::uint32_t>(i + 1);
  }
}

std::uint64_t NameIndex::Hash(std::string_view name) const {
  // FNV-1a over the bytes, folded to one case where case does not count.
  std::uint64_t h = 14695981039346656037ULL;
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    h = (h ^ (match_ == Match::kAnyCase ? Lower1252(b) : b)) * 1099511628211ULL;
  }
  return h ^ (h >> 29);
}

bool NameIndex::Same(std::string_view a, std::string_view b) const {
  return match_ == Match::kAnyCase ? EqualsIgnoreCase1252(a, b) : a == b;
}

std::int64_t NameIndex::Lowest(std::string_view name, std::int64_t besides) const {
  std::int64_t found = -1;
  for (std::size_t at = static_cast<std::size_t>(Hash(name)) & mask_; slots_[at] != 0;
       at = (at + 1) & mask_) {
    const std::int64_t position = static_cast<std::int64_t>(slots_[at]) - 1;
    if (position == besides || (found >= 0 && position > found)) continue;
    if (Same(nameOf_(static_cast<std::size_t>(position)), name)) found = position;
  }
  return found;
}

}  // namespace brindle
