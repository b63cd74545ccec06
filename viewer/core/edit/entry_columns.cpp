#include "viewer/core/edit/entry_columns.h"

#include <algorithm>
#include <array>

#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/host.h"

namespace brindle {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(EntryColumn::kCount)> kTitles = {
    "Name", "Type", "Size", "Packed", "Picture"};

// A fact as a sort key: nothing for a fact not known yet.
std::optional<std::int64_t> NumberKey(const TResourceInfo& e, TContainerKind kind,
                                      EntryColumn column, std::optional<PictureSize> readSize) {
  switch (column) {
    case EntryColumn::kSize:
      return EntryFullSize(e, kind);
    case EntryColumn::kPacked:
      return e.Size;
    case EntryColumn::kPicture:
      if (auto size = EntryPictureSize(e, readSize))
        return static_cast<std::int64_t>(size->width) * size->height;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// Names compare as the user reads them: in any case, then as stored.
int CompareNames(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto fold = [](char c) {
      return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    const auto x = static_cast<unsigned char>(fold(a[i]));
    const auto y = static_cast<unsigned char>(fold(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

const char* EntryColumnTitle(EntryColumn column) {
  const auto i = static_cast<std::size_t>(column);
  return i < kTitles.size() ? kTitles[i] : "";
}

std::optional<std::int64_t> EntryFullSize(const TResourceInfo& e, TContainerKind kind) {
  if (!e.Identified && IsLodKind(kind)) return std::nullopt;
  if (e.UnpackedSize > 0 && e.PackedSize > 0 && e.PackedSize <= e.Size)
    return static_cast<std::int64_t>(e.Size) - e.PackedSize + e.UnpackedSize;
  return e.Size;
}

std::optional<PictureSize> EntryPictureSize(const TResourceInfo& e,
                                            std::optional<PictureSize> readSize) {
  if (!e.Identified || !EntryTypeOf(e.ResType).picture) return std::nullopt;
  if (e.Width > 0 && e.Height > 0) return PictureSize{e.Width, e.Height};
  return readSize;
}

std::string EntryColumnText(const TResourceInfo& e, TContainerKind kind, EntryColumn column,
                            std::optional<PictureSize> readSize) {
  switch (column) {
    case EntryColumn::kName:
      return e.Name;
    case EntryColumn::kType:
      return e.Identified ? std::string(EntryTypeOf(e.ResType).name) : std::string();
    case EntryColumn::kPicture:
      if (auto size = EntryPictureSize(e, readSize))
        return std::to_string(size->width) + " x " + std::to_string(size->height);
      return {};
    default:
      if (auto n = NumberKey(e, kind, column, readSize)) return std::to_string(*n);
      return {};
  }
}

void SortEntries(std::vector<int>& rows, const TDataFile& dataFile, EntryColumn column,
                 bool ascending, const std::vector<std::optional<PictureSize>>& readSizes) {
  const auto& entries = dataFile.Entries;
  auto readSize = [&](int i) {
    const auto k = static_cast<std::size_t>(i);
    return k < readSizes.size() ? readSizes[k] : std::nullopt;
  };
  // Negative: a before b. Ties and unknown facts fall back to the directory order, which
  // is the same whichever way the column sorts.
  auto compare = [&](int a, int b) -> int {
    const TResourceInfo& x = entries[static_cast<std::size_t>(a)];
    const TResourceInfo& y = entries[static_cast<std::size_t>(b)];
    switch (column) {
      case EntryColumn::kName:
        return CompareNames(x.Name, y.Name);
      case EntryColumn::kType: {
        if (x.Identified != y.Identified) return x.Identified ? -2 : 2;
        if (!x.Identified) return 0;
        const int c = EntryTypeOf(x.ResType).name.compare(EntryTypeOf(y.ResType).name);
        return (c > 0) - (c < 0);
      }
      default: {
        const auto p = NumberKey(x, dataFile.Kind, column, readSize(a));
        const auto q = NumberKey(y, dataFile.Kind, column, readSize(b));
        if (p.has_value() != q.has_value()) return p ? -2 : 2;
        if (!p || *p == *q) return 0;
        return *p < *q ? -1 : 1;
      }
    }
  };
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    const int c = compare(a, b);
    // +-2: one fact is not known; it goes last whichever way the column sorts.
    if (c == -2 || c == 2) return c < 0;
    if (c != 0) return ascending ? c < 0 : c > 0;
    return a < b;
  });
}

BackgroundIdentifier::BackgroundIdentifier(std::string path, TDataFile snapshot,
                                           ChunkCallback onChunk)
    : path_(std::move(path)), snapshot_(std::move(snapshot)), onChunk_(std::move(onChunk)) {
  thread_ = std::thread([this] { Run(); });
}

BackgroundIdentifier::~BackgroundIdentifier() {
  stop_ = true;
  Wait();
}

void BackgroundIdentifier::Wait() {
  if (thread_.joinable()) thread_.join();
}

void BackgroundIdentifier::Run() {
  auto file = OpenContainerFile(path_, FileMode::kReadShared);
  if (!file) return;
  SilentHost quiet;
  const std::size_t count = snapshot_.Entries.size();
  for (std::size_t first = 0; first < count && !stop_; first += kChunkEntries) {
    const std::size_t end = std::min(count, first + kChunkEntries);
    TDataFile part;
    part.Kind = snapshot_.Kind;
    part.FileName = path_;
    part.Entries.assign(snapshot_.Entries.begin() + static_cast<std::ptrdiff_t>(first),
                        snapshot_.Entries.begin() + static_cast<std::ptrdiff_t>(end));
    if (!IdentifyAll(part, **file)) return;
    Chunk chunk;
    chunk.first = first;
    chunk.pictureSizes.resize(part.Entries.size());
    for (std::size_t i = 0; i < part.Entries.size() && !stop_; ++i) {
      const TResourceInfo& e = part.Entries[i];
      const EntryType& type = EntryTypeOf(e.ResType);
      if (!e.Identified || !type.pictureSize || (e.Width > 0 && e.Height > 0)) continue;
      auto size = type.pictureSize(**file, e, quiet);
      // A size made of bytes that could not be read is no size.
      if ((*file)->TakeReadFailure()) chunk.pictureSizes[i] = size;
    }
    chunk.entries = std::move(part.Entries);
    if (stop_) return;
    onChunk_(std::move(chunk));
  }
}

}  // namespace brindle
