#include "viewer/core/entries/identify.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "viewer/core/containers/extract.h"

namespace brindle {

namespace {

// The first bytes of an entry, and the same read as a LOD entry header.
struct Fields {
  explicit Fields(ByteView header) : h(header), lod(ParseLodEntrySizes(header)) {}
  ByteView h;
  LodEntrySizes lod;
  std::int32_t LodPacked() const { return lod.packedSize; }
  std::int32_t LodUnpacked() const { return lod.unpackedSize; }
  std::uint16_t LodWidth() const { return lod.width; }
  std::uint16_t LodHeight() const { return lod.height; }
};

using Test = bool (*)(TResourceInfo& e, const Fields& f, TResourceType t);

bool Palette(TResourceInfo& e, const Fields&, TResourceType) {
  if (static_cast<std::int64_t>(e.Size) - kLodHeaderSize != kPaletteBytes) return false;
  e.ResType = rtPalette;
  return true;
}

bool Bitmap(TResourceInfo& e, const Fields& f, TResourceType t) {
  std::int32_t p = f.LodPacked();
  if (static_cast<std::int64_t>(e.Size) - p - kLodHeaderSize != kPaletteBytes || p == 0)
    return false;
  e.ResType = t;
  e.Width = f.LodWidth();
  e.Height = f.LodHeight();
  e.PackedSize = p;
  e.UnpackedSize = f.LodUnpacked();
  return true;
}

bool SetPacked(TResourceInfo& e, const Fields& f, TResourceType t) {
  e.ResType = t;
  e.PackedSize = f.LodPacked();
  e.UnpackedSize = f.LodUnpacked();
  return true;
}

bool HeaderPcx(TResourceInfo& e, const Fields& f, TResourceType) {
  if (f.LodPacked() == 0 || f.LodUnpacked() == 0 || f.LodWidth() != 0 || f.LodHeight() != 0)
    return false;
  return SetPacked(e, f, rtIconPcx);
}

bool Packed(TResourceInfo& e, const Fields& f, TResourceType t) {
  return f.LodPacked() != 0 && SetPacked(e, f, t);
}

bool Font(TResourceInfo& e, const Fields& f, TResourceType) {
  return f.LodPacked() != 0 && f.LodUnpacked() != 0 && SetPacked(e, f, rtFont);
}

bool Data(TResourceInfo& e, const Fields& f, TResourceType t) {
  bool sizes = f.LodPacked() != 0 && f.LodUnpacked() != 0;
  return (sizes || !HasZlibMarker(f.h, kLodHeaderSize)) && SetPacked(e, f, t);
}

bool Map(TResourceInfo& e, const Fields& f, TResourceType t) {
  std::int32_t p = ReadI32(f.h, 0);
  std::int32_t u = ReadI32(f.h, 4);
  if (p == 0 || u == 0) return false;
  e.ResType = t;
  e.PackedSize = p;
  e.UnpackedSize = u;
  return true;
}

// A sprite: 32 header bytes, a 4-byte-aligned row table, then PackedSize bytes of pixels.
constexpr std::int64_t kSpriteHeaderBytes = 32;

bool Sprite(TResourceInfo& e, const Fields& f, TResourceType) {
  std::int32_t p = ReadI32(f.h, 12);
  std::int32_t u = ReadI32(f.h, 28);
  std::int32_t n = ReadI32(f.h, 20);
  std::int64_t rest =
      static_cast<std::int64_t>(e.Size) - (static_cast<std::int64_t>(p) + kSpriteHeaderBytes);
  if (p == 0 || u == 0 || rest % 4 != 0 || n <= 0) return false;
  e.ResType = rtSprite;
  e.Width = ReadU16(f.h, 16);
  e.Height = ReadU16(f.h, 18);
  e.PackedSize = p;
  e.UnpackedSize = u;
  e.PaletteId = n;
  return true;
}

bool PcxFile(TResourceInfo& e, const Fields& f, TResourceType) {
  if (ByteAt(f.h, 0) != 0x0A || ByteAt(f.h, 1) != 0x05 || ByteAt(f.h, 2) != 0x01) return false;
  e.ResType = rtPcx;
  return true;
}

bool Any(TResourceInfo& e, const Fields&, TResourceType t) {
  e.ResType = t;
  return true;
}

// One row per (kind, extension): the test to run, the type it gives and the test to fall
// back on. An empty extension stands for names without one (or ending in a bare dot). The
// PARTY.BIN row is matched on the whole name and comes before the general .BIN row.
// An extension packed into a number for quick comparison: up to three characters after the
// dot, upper-cased. 0 is no extension; longer extensions get a key no rule has.
constexpr std::uint32_t ExtKey(std::string_view ext) {
  if (ext.size() <= 1) return 0;
  if (ext.size() > 4) return 0xFFFFFFFF;
  std::uint32_t key = 0;
  for (std::size_t i = 1; i < ext.size(); ++i) {
    char c = ext[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    key = (key << 8) | static_cast<std::uint8_t>(c);
  }
  return key | (static_cast<std::uint32_t>(ext.size()) << 24);
}

struct Rule {
  TContainerKind kind;
  std::string_view ext;
  std::string_view wholeName;
  Test test;
  TResourceType type;
  Test fallback;
  std::uint32_t key = ExtKey(ext);
};

constexpr std::array<Rule, 24> kRules = {{
    {ckIcons, "", "", Bitmap, rtIcon, Palette},
    {ckIcons, ".PAL", "", Palette, rtPalette, nullptr},
    {ckIcons, ".PCX", "", HeaderPcx, rtIconPcx, nullptr},
    {ckIcons, ".TXT", "", Packed, rtText, nullptr},
    {ckIcons, ".FNT", "", Font, rtFont, nullptr},
    {ckIcons, ".EVT", "", Packed, rtEvt, nullptr},
    {ckIcons, ".STR", "", Packed, rtStr, nullptr},
    {ckIcons, ".BIN", "", Data, rtBin, nullptr},
    {ckBitmaps, "", "", Bitmap, rtBitmap, Palette},
    {ckBitmaps, ".PAL", "", Palette, rtPalette, nullptr},
    {ckSprites, "", "", Sprite, rtSprite, nullptr},
    {ckMaps, ".DLV", "", Map, rtDlv, nullptr},
    {ckMaps, ".DDM", "", Map, rtDdm, nullptr},
    {ckMaps, ".BLV", "", Map, rtBlv, nullptr},
    {ckMaps, ".ODM", "", Map, rtOdm, nullptr},
    {ckChapter, ".DLV", "", Map, rtDlv, nullptr},
    {ckChapter, ".DDM", "", Map, rtDdm, nullptr},
    {ckChapter, ".BIN", "PARTY.BIN", Data, rtPartyBin, nullptr},
    {ckChapter, ".BIN", "", Data, rtBin, nullptr},
    {ckChapter, ".PCX", "", PcxFile, rtPcx, nullptr},
    {ckSnd, "", "", Any, rtSound, nullptr},
    {ckVid, "", "", Any, rtVideo, nullptr},
    {ckVid, ".ZTP", "", Any, rtVideo, nullptr},
    {ckVid, ".KNO", "", Any, rtVideo, nullptr},
}};

// The extension of a name as the rules see it: from the last dot on, a bare dot counting
// as none. A view into the name; nothing is copied.
std::string_view RuleExtension(std::string_view name) {
  // An extension is short: the last few bytes are looked at first, the rest only when they
  // hold no dot.
  const std::size_t n = name.size();
  std::size_t dot = std::string_view::npos;
  if (n >= 4) {
    const char* end = name.data() + n;
    dot = end[-1] == '.'   ? n - 1
          : end[-2] == '.' ? n - 2
          : end[-3] == '.' ? n - 3
          : end[-4] == '.' ? n - 4
                           : name.substr(0, n - 4).rfind('.');
  } else {
    dot = name.rfind('.');
  }
  if (dot == std::string_view::npos || dot + 1 == n) return {};
  return name.substr(dot);
}

// The rules of one kind, picked out once for a whole list of entries and placed in a small
// table by extension: a name finds its row in one step, where walking the rows in turn
// stopped at a different row for each type of a mixed list and guessed wrong nearly every
// time.
class KindRules {
 public:
  KindRules() = default;
  explicit KindRules(TContainerKind kind) {
    // A multiplier under which the kind's extensions all land in slots of their own.
    for (multiplier_ = 0x9E3779B1u;; multiplier_ += 2) {
      slots_.fill({});
      bool apart = true;
      for (const Rule& r : kRules) {
        if (r.kind != kind) continue;
        Slot& slot = slots_[SlotOf(r.key)];
        if (slot.first && slot.first->key != r.key) apart = false;
        if (!slot.first) {
          slot.first = &r;
        } else if (!slot.second) {
          slot.second = &r;
        }
      }
      if (apart) break;
    }
  }
  const Rule* Find(std::string_view name) const {
    const std::uint32_t key = ExtKey(RuleExtension(name));
    const Slot& slot = slots_[SlotOf(key)];
    if (!slot.first || slot.first->key != key) return nullptr;
    // A whole-name row comes before its extension's general row.
    if (slot.first->wholeName.empty() || EqualsIgnoreAsciiCase(name, slot.first->wholeName))
      return slot.first;
    return slot.second;
  }

 private:
  struct Slot {
    const Rule* first = nullptr;
    const Rule* second = nullptr;  // the same extension's next row
  };
  std::size_t SlotOf(std::uint32_t key) const { return (key * multiplier_) >> 28; }

  std::uint32_t multiplier_ = 0;
  std::array<Slot, 16> slots_{};
};

// Every kind's table, made once: entries are identified one at a time in many loops.
const KindRules& RulesOf(TContainerKind kind) {
  static const std::array<KindRules, ckNone + 1> tables = [] {
    std::array<KindRules, ckNone + 1> made;
    for (int k = 0; k <= ckNone; ++k)
      made[static_cast<std::size_t>(k)] = KindRules(static_cast<TContainerKind>(k));
    return made;
  }();
  return tables[std::min<std::size_t>(kind, ckNone)];
}

const Rule* FindRule(TContainerKind kind, std::string_view name) {
  return RulesOf(kind).Find(name);
}

bool ApplyRule(const Rule& rule, TResourceInfo& entry, ByteView header) {
  const Fields f(header);
  bool matched = rule.test(entry, f, rule.type);
  if (!matched && rule.fallback) matched = rule.fallback(entry, f, rule.type);
  if (matched) entry.Identified = true;
  return matched;
}

}  // namespace

bool IdentifyFromHeader(TContainerKind kind, TResourceInfo& entry, ByteView header) {
  const Rule* rule = FindRule(kind, entry.Name);
  return rule && ApplyRule(*rule, entry, header);
}

Status IdentifyEntry(TDataFile& dataFile, int index, ByteFile& file) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size()) return Ok();
  TResourceInfo& e = dataFile.Entries[static_cast<std::size_t>(index)];
  if (e.Identified || dataFile.Kind == ckNone) return Ok();
  Result<Bytes> header = file.ReadPadded(e.Offset, kIdentifyHeaderBytes);
  if (!header) return header.error();
  IdentifyFromHeader(dataFile.Kind, e, *header);
  return Ok();
}

void IdentifyEntry(TDataFile& dataFile, int index) {
  if (dataFile.Kind == ckNone) return;
  auto file = PosixFile::Open(dataFile.FileName, FileMode::kReadShared);
  if (file) (void)IdentifyEntry(dataFile, index, **file);
}

namespace {

constexpr std::int64_t kHead = static_cast<std::int64_t>(kIdentifyHeaderBytes);
// Headers lying close together come from one read of at most this many bytes; far-apart
// headers cost one small read each.
constexpr std::int64_t kWindow = 256 * 1024;

// Reads [start, end) into window, what lies past the end of the file as zero. Short only
// where the file ends: a file cut meanwhile is no reason to guess.
Status ReadWindow(ByteFile& file, std::int64_t start, std::int64_t end, std::int64_t fileSize,
                  Bytes& window) {
  window.resize(static_cast<std::size_t>(end - start));
  std::size_t got = window.size();
  if (start >= 0) {
    Result<std::size_t> read = file.ReadAt(start, window.data(), window.size());
    if (!read) return read.error();
    got = *read;
    if (static_cast<std::int64_t>(got) < std::min(end, fileSize) - start)
      return ReadFailure(file.Name(), "the file ends before the bytes it should hold");
  } else {
    Result<Bytes> padded = file.ReadPadded(start, window.size());
    if (!padded) return padded.error();
    window.swap(*padded);
  }
  std::fill(window.begin() + static_cast<std::ptrdiff_t>(got), window.end(), 0);
  return Ok();
}

// The entries from `first` on, visited by offset: any layout.
Status IdentifyByOffset(TDataFile& dataFile, ByteFile& file, std::size_t first,
                        std::int64_t fileSize, Bytes& window) {
  // Twelve bytes an entry: the list is walked twice.
  struct Pending {
    std::int32_t offset;
    std::uint32_t index;
    std::uint32_t rule;  // in kRules
  };
  std::vector<Pending> order;
  order.reserve(dataFile.Entries.size() - first);
  const KindRules& rules = RulesOf(dataFile.Kind);
  for (auto i = static_cast<std::uint32_t>(first); i < dataFile.Entries.size(); ++i) {
    const TResourceInfo& e = dataFile.Entries[i];
    if (e.Identified) continue;
    if (const Rule* rule = rules.Find(e.Name))
      order.push_back({e.Offset, i, static_cast<std::uint32_t>(rule - kRules.data())});
  }
  std::sort(order.begin(), order.end(),
            [](const Pending& a, const Pending& b) { return a.offset < b.offset; });
  for (std::size_t k = 0; k < order.size();) {
    // Extend the read over following headers while they fit in the window. Only headers
    // that start inside the file share a read: the rest read as zero anyway, and a window
    // stretched over them would cost up to kWindow bytes for each, however small the file.
    const std::int64_t windowStart = order[k].offset;
    std::size_t last = k;
    if (windowStart >= 0) {
      while (last + 1 < order.size() && order[last + 1].offset < fileSize &&
             order[last + 1].offset + kHead - windowStart <= kWindow) {
        ++last;
      }
    }
    const std::int64_t windowEnd = order[last].offset + kHead;
    if (Status s = ReadWindow(file, windowStart, windowEnd, fileSize, window); !s) return s;
    for (; k <= last; ++k) {
      ByteView header(window.data() + (order[k].offset - windowStart), kIdentifyHeaderBytes);
      ApplyRule(kRules[order[k].rule], dataFile.Entries[order[k].index], header);
    }
  }
  return Ok();
}

}  // namespace

Status IdentifyAll(TDataFile& dataFile, ByteFile& file) {
  if (dataFile.Kind == ckNone) return Ok();
  const std::int64_t fileSize = file.Size();
  auto& entries = dataFile.Entries;
  const KindRules& rules = RulesOf(dataFile.Kind);
  Bytes window;
  // Containers are laid out in directory order: one walk then reads the headers window by
  // window and identifies each entry while it is at hand. Where the order breaks (or an
  // entry starts outside the file) the rest are visited by offset.
  std::size_t i = 0;
  std::int64_t previous = 0;
  while (i < entries.size()) {
    const std::int64_t windowStart = entries[i].Offset;
    if (windowStart < previous || windowStart >= fileSize) break;
    std::size_t last = i;
    while (last + 1 < entries.size() && entries[last + 1].Offset >= entries[last].Offset &&
           entries[last + 1].Offset < fileSize &&
           entries[last + 1].Offset + kHead - windowStart <= kWindow) {
      ++last;
    }
    // Entries known already cost no read: the window starts at the first that needs one.
    std::size_t from = i;
    while (from <= last && entries[from].Identified)
      ++from;
    if (from <= last) {
      const std::int64_t start = entries[from].Offset;
      if (Status s = ReadWindow(file, start, entries[last].Offset + kHead, fileSize, window); !s)
        return s;
      for (std::size_t k = from; k <= last; ++k) {
        TResourceInfo& e = entries[k];
        if (e.Identified) continue;
        if (const Rule* rule = rules.Find(e.Name))
          ApplyRule(*rule, e, ByteView(window.data() + (e.Offset - start), kIdentifyHeaderBytes));
      }
    }
    previous = entries[last].Offset;
    i = last + 1;
  }
  if (i == entries.size()) return Ok();
  return IdentifyByOffset(dataFile, file, i, fileSize, window);
}

}  // namespace brindle
