#pragma once
// Where a replaced entry's new bytes go.
//
// Candidates, in order: the end of the directory, then the end of every entry in directory
// order. A candidate c takes the new bytes when
//   - it lies at or after the end of the directory,
//   - it does not lie inside an entry (only damaged files have entries that overlap), and
//   - its free room, the distance to the nearest entry start or file end at or after c, is
//     not 0 and holds all n bytes (beyond the end of the file the room is unlimited).
// Every entry counts as occupied, the one being replaced too: its old bytes must survive
// until the directory points at the new ones, so a write cut short never loses the entry.
// When no candidate qualifies the bytes go past everything: the end of the file, or the end
// of an entry that claims to reach further.

#include <cstdint>
#include <functional>
#include <vector>

#include "viewer/core/containers/data_file.h"

namespace brindle {

struct PlacementQuery {
  const std::vector<TResourceInfo>* entries = nullptr;
  std::int64_t directoryEnd = 0;  // D
  std::int64_t fileSize = 0;      // F
  std::int64_t length = 0;        // n
};

// Called before each candidate j with (j, E - 1), j counting from -1.
using PlacementProgress = std::function<void(std::int64_t j, std::int64_t last)>;

// O(E log E): sorted starts and a running maximum of entry ends answer each candidate in
// O(log E).
std::int64_t FindPlacement(const PlacementQuery& q, const PlacementProgress& progress = {});

// The same rules examined literally, every entry for every candidate: O(E^2). Kept as the
// reference the fast search is checked against, and for the benchmark.
std::int64_t FindPlacementQuadratic(const PlacementQuery& q,
                                    const PlacementProgress& progress = {});

}  // namespace brindle
