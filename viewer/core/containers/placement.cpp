#include "viewer/core/containers/placement.h"

#include <algorithm>
#include <limits>

namespace brindle {

namespace {

constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();

std::int64_t EndOf(const TResourceInfo& e) {
  return static_cast<std::int64_t>(e.Offset) + e.Size;
}

// Past every byte anything claims: the file's end or the furthest entry end.
std::int64_t Fallback(const PlacementQuery& q) {
  std::int64_t at = std::max(q.fileSize, q.directoryEnd);
  for (const TResourceInfo& e : *q.entries) {
    if (e.Size > 0) at = std::max(at, EndOf(e));
  }
  return at;
}

bool RoomFits(std::int64_t room, std::int64_t n) {
  return room != 0 && room >= n;
}

}  // namespace

std::int64_t FindPlacementQuadratic(const PlacementQuery& q, const PlacementProgress& progress) {
  const auto& entries = *q.entries;
  const auto count = static_cast<std::int64_t>(entries.size());
  for (std::int64_t j = -1; j < count; ++j) {
    if (progress) progress(j, count - 1);
    const std::int64_t c = j < 0 ? q.directoryEnd : EndOf(entries[static_cast<std::size_t>(j)]);
    if (c < q.directoryEnd) continue;
    bool inside = false;
    std::int64_t room = q.fileSize >= c ? q.fileSize - c : kUnlimited;
    for (const TResourceInfo& e : entries) {
      if (e.Size > 0 && e.Offset < c && EndOf(e) > c) inside = true;
      if (e.Offset >= c) room = std::min<std::int64_t>(room, e.Offset - c);
    }
    if (!inside && RoomFits(room, q.length)) return c;
  }
  return Fallback(q);
}

std::int64_t FindPlacement(const PlacementQuery& q, const PlacementProgress& progress) {
  const auto& entries = *q.entries;
  const auto count = static_cast<std::int64_t>(entries.size());

  // Every start, for the room: the nearest start at or after c.
  std::vector<std::int64_t> starts;
  starts.reserve(entries.size() + 1);
  for (const TResourceInfo& e : entries)
    starts.push_back(e.Offset);
  starts.push_back(q.fileSize);
  std::sort(starts.begin(), starts.end());

  // Entries that occupy bytes, by start, with the furthest end among each prefix: c lies
  // inside an entry exactly when some entry starting before c ends after it.
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;  // (start, end)
  spans.reserve(entries.size());
  for (const TResourceInfo& e : entries) {
    if (e.Size > 0) spans.emplace_back(e.Offset, EndOf(e));
  }
  std::sort(spans.begin(), spans.end());
  std::vector<std::int64_t> spanStarts(spans.size());
  std::vector<std::int64_t> maxEnd(spans.size());
  std::int64_t running = std::numeric_limits<std::int64_t>::min();
  for (std::size_t i = 0; i < spans.size(); ++i) {
    spanStarts[i] = spans[i].first;
    running = std::max(running, spans[i].second);
    maxEnd[i] = running;
  }

  for (std::int64_t j = -1; j < count; ++j) {
    if (progress) progress(j, count - 1);
    const std::int64_t c = j < 0 ? q.directoryEnd : EndOf(entries[static_cast<std::size_t>(j)]);
    if (c < q.directoryEnd) continue;
    auto before = std::lower_bound(spanStarts.begin(), spanStarts.end(), c) - spanStarts.begin();
    if (before > 0 && maxEnd[static_cast<std::size_t>(before - 1)] > c) continue;
    auto next = std::lower_bound(starts.begin(), starts.end(), c);
    std::int64_t room = next == starts.end() ? kUnlimited : *next - c;
    if (RoomFits(room, q.length)) return c;
  }
  return Fallback(q);
}

}  // namespace brindle
