#pragma once
// Finds names among many (the entries of a container, tens of thousands) without a copy of
// any: an open-addressed table of positions, the names read back through the caller's
// function when a lookup meets them. Four bytes a slot, where a map of strings costs a node
// and an allocation for each name.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace brindle {

class NameIndex {
 public:
  enum class Match { kExact, kAnyCase };  // any case: Windows-1252 letters

  // Positions 0 to count - 1, named by nameOf (which must give the same name every time it
  // is asked while the index is used). Equal names are all kept.
  NameIndex(std::size_t count, std::function<std::string_view(std::size_t)> nameOf, Match match);

  // The lowest position holding the name, or -1.
  std::int64_t First(std::string_view name) const { return Lowest(name, -1); }
  // The lowest position other than `besides` holding the name, or -1.
  std::int64_t Other(std::string_view name, std::size_t besides) const {
    return Lowest(name, static_cast<std::int64_t>(besides));
  }

 private:
  std::uint64_t Hash(std::string_view name) const;
  bool Same(std::string_view a, std::string_view b) const;
  std::int64_t Lowest(std::string_view name, std::int64_t besides) const;

  std::function<std::string_view(std::size_t)> nameOf_;
  Match match_;
  std::vector<std::uint32_t> slots_;  // position + 1; 0 is empty
  std::size_t mask_ = 0;
};

}  // namespace brindle
