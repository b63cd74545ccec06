#include "viewer/core/formats/entry_types.h"

#include <gtest/gtest.h>

#include <set>

#include "common/bmp.h"
#include "common/bytes.h"
#include "common/wav.h"
#include "test_support.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/exports.h"
#include "viewer/core/formats/imports.h"
#include "viewer/core/formats/new_entries.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TempDir;
using test::TextBytes;

TEST(EntryTypes, OneRowPerCodeAndNamesReadBackInAnyCase) {
  std::set<std::string_view> names;
  std::set<int> codes;
  for (const EntryType& t : EntryTypes()) {
    EXPECT_TRUE(codes.insert(t.type).second) << t.name;
    EXPECT_TRUE(names.insert(t.name).second) << t.name;
    EXPECT_EQ(&EntryTypeOf(t.type), &t);
    EXPECT_EQ(ResourceTypeFromName(t.name), t.type);
    EXPECT_EQ(ResourceTypeFromName(UpperAscii(std::string(t.name))), t.type);
    // Every type has something for its page to read; what is not read as stored (a palette's
    // colours are stored bare) says where its stream starts, for the container check.
    EXPECT_NE(t.payload, nullptr) << t.name;
    EXPECT_EQ(t.stream == nullptr, t.payload == StoredEntryBytes || t.type == rtPalette) << t.name;
  }
  // Every code but the one never given out.
  for (int code = 0; code <= rtVideo; ++code)
    EXPECT_EQ(codes.contains(code), code != 10) << code;
  EXPECT_EQ(ResourceTypeName(static_cast<TResourceType>(10)), "unidentified");
  EXPECT_EQ(ResourceTypeFromName(""), std::nullopt);
  EXPECT_EQ(ResourceTypeFromName("bitmaps"), std::nullopt);
}

// The kinds' rows name types; the types' rows must be able to do what the kinds promise.
TEST(EntryTypes, WhatEachKindTakesHasAConverter) {
  const ImportConverters imports = CoreImportConverters();
  for (const ContainerKindInfo& kind : ContainerKinds()) {
    for (const EntryType& t : EntryTypes()) {
      if (kind.imports & TypeBit(t.type)) {
        EXPECT_NE(t.import, nullptr) << kind.name << " imports " << t.name;
        EXPECT_TRUE(imports.contains(t.type)) << t.name;
        EXPECT_FALSE(t.fileKind.empty()) << t.name;
      }
      if (kind.adds & TypeBit(t.type)) {
        EXPECT_NE(t.add, nullptr) << kind.name << " adds " << t.name;
        EXPECT_EQ(t.addFrom.rfind('.', 0), 0u) << t.name;
      }
    }
  }
  // Only a bitmap keeps its size when a picture replaces it.
  EXPECT_TRUE(EntryTypeOf(rtBitmap).keepsSize);
  EXPECT_FALSE(EntryTypeOf(rtIcon).keepsSize);
  // Pictures are saved as BMP files of what they decode to; nothing else has a decoder.
  for (const EntryType& t : EntryTypes())
    EXPECT_EQ(t.picture != nullptr, t.save == nullptr) << t.name;
}

TEST(ContainerKinds, RowsGiveNamesGeometryAndRecognition) {
  std::set<std::string_view> names;
  for (const ContainerKindInfo& k : ContainerKinds()) {
    EXPECT_TRUE(names.insert(k.name).second);
    EXPECT_EQ(FindContainerKind(k.kind), &k);
    EXPECT_EQ(KindName(k.kind), k.name);
    EXPECT_EQ(ContainerKindFromName(UpperAscii(std::string(k.name))), k.kind);
    // A kind is known by exactly one of its extension or its identifier.
    EXPECT_NE(k.extension.empty(), k.lodIdentifier.empty()) << k.name;
    EXPECT_EQ(IsLodKind(k.kind), !k.lodIdentifier.empty());
    EXPECT_EQ(DirectoryEnd(k.kind, 3), k.directoryStart + 3 * k.recordSize);
  }
  EXPECT_EQ(names.size(), 7u);
  EXPECT_EQ(FindContainerKind(ckNone), nullptr);
  EXPECT_EQ(KindName(ckNone), "none");
  EXPECT_EQ(ContainerKindFromName("lod"), std::nullopt);
  EXPECT_EQ(DirectoryEnd(ckSnd, 2), 4 + 2 * 52);
  EXPECT_EQ(DirectoryEnd(ckVid, 2), 4 + 2 * 44);
  EXPECT_EQ(DirectoryEnd(ckMaps, 2), 288 + 2 * 32);
}

TEST(NewEntries, EachKindMakesWhatItsRowAllows) {
  TempDir dir;
  const Bytes wav = MakeWav({8000, 1, 8}, Pattern(400));
  const std::string wavPath = dir.Write("Chime.wav", wav);
  const std::string txtPath = dir.Write("notes.txt", TextBytes("a\t1\r\n"));
  const Bytes indices = Pattern(4 * 3);
  ColourTable colours{};
  const std::string bmpPath = dir.Write("pic.bmp", WriteBmp8(4, 3, indices, colours));
  const std::string binPath = dir.Write("data.bin", Pattern(33));

  // A sound container makes sounds of WAV files, named without the extension.
  Result<NewEntryFile> sound = MakeNewEntry(ckSnd, wavPath);
  ASSERT_TRUE(sound.ok()) << sound.message();
  EXPECT_EQ(sound->name, "Chime");
  EXPECT_EQ(sound->unpackedSize, static_cast<std::int32_t>(wav.size()));
  // ... and takes nothing else, whatever the file holds or is called.
  const std::string wavNamedBin = dir.Write("chime.bin", wav);
  for (const std::string& path : {txtPath, wavNamedBin}) {
    Result<NewEntryFile> refused = MakeNewEntry(ckSnd, path);
    ASSERT_FALSE(refused.ok()) << path;
    EXPECT_EQ(refused.message(),
              "File " + BaseName(path) + " is no WAV file: a sound container holds sounds only.");
    EXPECT_EQ(refused.kind(), ErrorKind::kNotSupported);
  }

  // Pictures become bitmaps in the picture archives only; elsewhere a BMP is stored as it is.
  Result<NewEntryFile> bitmap = MakeNewEntry(ckIcons, bmpPath);
  ASSERT_TRUE(bitmap.ok()) << bitmap.message();
  EXPECT_EQ(bitmap->name, "pic");
  EXPECT_NE(bitmap->bytes, test::FileBytes(bmpPath));
  Result<NewEntryFile> storedBmp = MakeNewEntry(ckSprites, bmpPath);
  ASSERT_TRUE(storedBmp.ok());
  EXPECT_EQ(storedBmp->name, "pic.bmp");
  EXPECT_EQ(storedBmp->bytes, test::FileBytes(bmpPath));

  // Texts become text tables, stored compressed under their whole name, in every LOD.
  Result<NewEntryFile> text = MakeNewEntry(ckMaps, txtPath);
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(text->name, "notes.txt");
  EXPECT_NE(text->bytes, test::FileBytes(txtPath));
  // A movie container stores everything as it is, even a WAV.
  for (const std::string& path : {wavPath, txtPath, binPath}) {
    Result<NewEntryFile> raw = MakeNewEntry(ckVid, path);
    ASSERT_TRUE(raw.ok()) << path;
    EXPECT_EQ(raw->bytes, test::FileBytes(path));
    EXPECT_EQ(raw->name, BaseName(path));
  }
}

TEST(EntryTooltip, TypeSizeAndPictureWhereThereIsOne) {
  TResourceInfo text;
  text.ResType = rtText;
  text.Size = 1234;
  EXPECT_EQ(EntryTooltip(text, "/no/such/container.lod"), "Type: text\nSize: 1234 bytes");
  TResourceInfo bitmap = text;
  bitmap.ResType = rtBitmap;
  bitmap.Width = 64;
  bitmap.Height = 32;
  EXPECT_EQ(EntryTooltip(bitmap, "/no/such/container.lod"),
            "Type: bitmap\nSize: 1234 bytes\nPicture: 64 x 32");
  // A PCX picture's size is in its own header; a container that cannot be read gives none.
  TResourceInfo pcx = text;
  pcx.ResType = rtPcx;
  EXPECT_EQ(EntryTooltip(pcx, "/no/such/container.lod"), "Type: pcx\nSize: 1234 bytes");
}

}  // namespace
}  // namespace brindle
