// The sample folder is test data for everything else, so its entries must be what they
// claim: each identifies as the type it was built as, and its payload extracts cleanly.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "common/file.h"
#include "tools/make-samples/samples.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/edit/patch_manifest.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/formats/fonts.h"

namespace samples {
namespace {

using namespace brindle;

class Recorder : public CoreHost {
 public:
  void Message(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

struct Opened {
  MemoryFile file;
  TDataFile dataFile;
};

Opened Open(const SampleContainer& c) {
  Opened o{MemoryFile(BuildContainer(c)), {}};
  Recorder host;
  o.dataFile.FileName = c.fileName;
  o.dataFile.Kind = RecogniseContainer(o.file, c.fileName).value();
  EXPECT_TRUE(ReadDirectory(o.file, o.dataFile.Kind, o.dataFile.Entries, host));
  EXPECT_TRUE(IdentifyAll(o.dataFile, o.file));
  return o;
}

// The header length a page extracts with; -1 for entries used as stored.
std::int32_t HeaderLength(const TResourceInfo& e) {
  switch (e.ResType) {
    case rtSound:
      return 0;
    case rtDlv:
    case rtDdm:
    case rtBlv:
    case rtOdm:
      return kMapHeaderSize;
    case rtSprite:
      return e.Size - e.PackedSize;
    case rtPcx:
    case rtPartyBin:
    case rtVideo:
      return -1;
    default:
      return kLodHeaderSize;
  }
}

TEST(MakeSamples, EveryEntryIdentifiesAsBuiltAndExtractsCleanly) {
  std::set<bool> fontLayouts;  // byte 63 zero: spacing records
  for (const SampleContainer& c : BuildSampleFolder()) {
    SCOPED_TRACE(c.fileName);
    Opened o = Open(c);
    ASSERT_NE(o.dataFile.Kind, ckNone);
    ASSERT_EQ(o.dataFile.Entries.size(), c.entries.size());
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
      const TResourceInfo& e = o.dataFile.Entries[i];
      SCOPED_TRACE(e.Name);
      EXPECT_EQ(ResourceTypeName(e.ResType), ResourceTypeName(c.entries[i].intended));
      const std::int32_t h = HeaderLength(e);
      if (h < 0) continue;
      Recorder host;
      const Bytes payload = ExtractEntry(o.file, e, h, host);
      EXPECT_TRUE(host.messages.empty());
      EXPECT_FALSE(payload.empty());
      if (e.UnpackedSize != 0) {
        EXPECT_EQ(payload.size(), static_cast<std::size_t>(e.UnpackedSize));
      }
      if (e.ResType == rtSound) {
        EXPECT_EQ(std::string(payload.begin(), payload.begin() + 4), "RIFF");
      }
      if (e.ResType == rtFont) {
        EXPECT_TRUE(ReadFontFace(payload));
        fontLayouts.insert(ByteAt(payload, 63) == 0);
      }
    }
  }
  // Fonts in both layouts, which the reader tells apart by that one byte.
  EXPECT_EQ(fontLayouts.size(), 2u);
}

TEST(MakeSamples, SavedGameAndSpritePalettesFitTogether) {
  std::set<std::string> palettes;
  std::set<int> wanted;
  for (const SampleContainer& c : BuildSampleFolder()) {
    Opened o = Open(c);
    for (const TResourceInfo& e : o.dataFile.Entries) {
      if (e.ResType == rtPartyBin) {
        EXPECT_EQ(e.Size, 30396);
      }
      if (e.ResType == rtPalette) palettes.insert(e.Name);
      if (e.ResType == rtSprite) wanted.insert(e.PaletteId);
    }
  }
  ASSERT_FALSE(wanted.empty());
  for (int n : wanted) {
    char name[16];
    std::snprintf(name, sizeof name, "pal%03d", n);
    EXPECT_TRUE(palettes.count(name)) << name;
  }
}

TEST(MakeSamples, SameBytesEveryRun) {
  const auto a = BuildSampleFolder(), b = BuildSampleFolder();
  ASSERT_EQ(a.size(), b.size());
  std::size_t total = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const Bytes bytes = BuildContainer(a[i]);
    EXPECT_EQ(bytes, BuildContainer(b[i])) << a[i].fileName;
    total += bytes.size();
  }
  EXPECT_LT(total, 2u << 20);
}

// Each seed must be cut in the shape its target reads, or the fuzzer starts from noise: the
// containers open, an extraction seed's fields describe the entry after them, and an
// identification seed's two leading bytes make the entry identify as the type it was.
TEST(FuzzSeeds, AreCutInTheShapeTheirTargetsRead) {
  std::map<std::string, int> perTarget;
  for (const FuzzSeed& s : FuzzSeeds()) {
    SCOPED_TRACE(s.target + "/" + s.name);
    ++perTarget[s.target];
    EXPECT_LE(s.bytes.size(), kMaxFuzzSeedSize);
    if (s.target == "fuzz_directory") {
      MemoryFile file(s.bytes);
      const TContainerKind kind = RecogniseContainer(file, s.name).value();
      ASSERT_NE(kind, ckNone);
      std::vector<TResourceInfo> entries;
      Recorder host;
      ASSERT_TRUE(ReadDirectory(file, kind, entries, host));
      EXPECT_FALSE(entries.empty());
    } else if (s.target == "fuzz_extract") {
      ASSERT_GE(s.bytes.size(), 16u);
      EXPECT_EQ(ReadI32(s.bytes, 0), 0);
      EXPECT_EQ(ReadI32(s.bytes, 4), static_cast<std::int32_t>(s.bytes.size() - 16));
      EXPECT_LE(ReadI32(s.bytes, 8), ReadI32(s.bytes, 4));
    } else if (s.target == "fuzz_identify") {
      ASSERT_GE(s.bytes.size(), 2u);
      MemoryFile file(Bytes(s.bytes.begin() + 2, s.bytes.end()));
      TDataFile df;
      df.Kind = static_cast<TContainerKind>(s.bytes[0] % 8);
      TResourceInfo& e = df.Entries.emplace_back();
      e.Name = kIdentifyFuzzNames[s.bytes[1] % 16];
      e.Offset = s.bytes[1] / 16;
      e.Size = static_cast<std::int32_t>(s.bytes.size() - 2) - e.Offset;
      EXPECT_TRUE(IdentifyEntry(df, 0, file));
      EXPECT_EQ(ResourceTypeName(e.ResType), s.name.substr(0, s.name.find('-')));
    } else if (s.target == "fuzz_font") {
      const std::optional<FontFace> face = ReadFontFace(s.bytes);
      ASSERT_TRUE(face);
      EXPECT_GT(LayOutFontSheet(*face).height, 1);
    } else if (s.target == "fuzz_patch_manifest") {
      // A manifest the reader takes, one change of each operation.
      const Result<PatchManifest> m = ReadManifest(
          std::string_view(reinterpret_cast<const char*>(s.bytes.data()), s.bytes.size()));
      ASSERT_TRUE(m) << m.message();
      EXPECT_EQ(m->changes.size(), 4u);
    } else if (s.target == "fuzz_text_grid") {
      // The decoded table, not the entry: it begins with its first cell and has cells.
      const std::string text(s.bytes.begin(), s.bytes.end());
      EXPECT_FALSE(HasZlibMarker(s.bytes));
      EXPECT_NE(text.find('\t'), std::string::npos);
      EXPECT_NE(text.find("\r\n"), std::string::npos);
    }
  }
  for (const char* target :
       {"fuzz_directory", "fuzz_extract", "fuzz_identify", "fuzz_hexdump", "fuzz_text_grid"})
    EXPECT_GE(perTarget[target], 3) << target;
  EXPECT_GE(perTarget["fuzz_font"], 2);   // one font per layout
  EXPECT_EQ(perTarget["fuzz_party"], 1);  // the sample saved game's party record
  EXPECT_EQ(perTarget["fuzz_patch_manifest"], 1);
  EXPECT_EQ(perTarget.size(), 8u);
}

}  // namespace
}  // namespace samples
