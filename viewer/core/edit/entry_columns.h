#pragma once
// What the entry list shows of each entry beside its name, how it sorts by those facts, and
// the background pass that identifies a container's entries while the window stays free.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/entry_types.h"

namespace brindle {

enum class EntryColumn : int { kName, kType, kSize, kPacked, kPicture, kCount };

// The column's heading: "Name", "Type", "Size", "Packed", "Picture".
const char* EntryColumnTitle(EntryColumn column);

// The bytes an entry holds once inflated: its stream header plus the unpacked payload where
// the payload is compressed, its stored size otherwise. Nothing while the size depends on an
// identification not made yet (a LOD entry's sizes are in its own header).
std::optional<std::int64_t> EntryFullSize(const TResourceInfo& entry, TContainerKind kind);

// A picture's size from identification, or from `readSize` (what the background pass read
// from the picture's header) where identification leaves it to the header.
std::optional<PictureSize> EntryPictureSize(const TResourceInfo& entry,
                                            std::optional<PictureSize> readSize);

// The text of a cell (UTF-8); empty for a fact not known yet.
std::string EntryColumnText(const TResourceInfo& entry, TContainerKind kind, EntryColumn column,
                            std::optional<PictureSize> readSize);

// Orders `rows` (entry indices) by `column`, ascending or not. Equal facts, and facts not
// known yet, keep the entries' directory order among themselves; unknown facts sort last.
void SortEntries(std::vector<int>& rows, const TDataFile& dataFile, EntryColumn column,
                 bool ascending, const std::vector<std::optional<PictureSize>>& readSizes);

// Identifies a copy of a container's entries on a thread of its own, a chunk at a time, and
// reads the picture sizes that only a picture's header holds. Each finished chunk goes to
// `onChunk` on that thread: the entries [first, first + entries.size()) as identified, and
// the picture sizes read for them. A file that cannot be opened or read ends the pass early
// (the entries stay unidentified; the window identifies them when it shows them).
class BackgroundIdentifier {
 public:
  struct Chunk {
    std::size_t first = 0;
    std::vector<TResourceInfo> entries;
    std::vector<std::optional<PictureSize>> pictureSizes;
  };
  using ChunkCallback = std::function<void(Chunk)>;

  static constexpr std::size_t kChunkEntries = 2048;

  BackgroundIdentifier(std::string path, TDataFile snapshot, ChunkCallback onChunk);
  // Stops the pass after its current chunk and waits for it.
  ~BackgroundIdentifier();
  BackgroundIdentifier(const BackgroundIdentifier&) = delete;
  BackgroundIdentifier& operator=(const BackgroundIdentifier&) = delete;

  void Wait();  // until the pass has ended

 private:
  void Run();

  std::string path_;
  TDataFile snapshot_;
  ChunkCallback onChunk_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace brindle
