#include "viewer/core/edit/entry_columns.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/bitmaps.h"

namespace brindle {
namespace {

TResourceInfo Entry(std::int32_t size, std::int32_t packed = 0, std::int32_t unpacked = 0,
                    bool identified = true) {
  TResourceInfo e;
  e.Size = size;
  e.PackedSize = packed;
  e.UnpackedSize = unpacked;
  e.Identified = identified;
  e.ResType = rtText;
  return e;
}

TEST(EntryColumns, SizesAreWhatTheEntryHoldsOnceInflatedAndUnknownUntilIdentified) {
  // A LOD entry's sizes are in its own header: nothing is known before identification.
  EXPECT_EQ(EntryFullSize(Entry(100, 84, 1000, false), ckIcons), std::nullopt);
  // 16 header bytes stay, 84 packed bytes become 1000.
  EXPECT_EQ(EntryFullSize(Entry(100, 84, 1000), ckIcons), 1016);
  EXPECT_EQ(EntryFullSize(Entry(100, 84, 0), ckIcons), 100) << "stored as it is";
  // Sizes that cannot be right are not believed.
  EXPECT_EQ(EntryFullSize(Entry(100, 500, 1000), ckIcons), 100);
  // A sound archive's directory gives both sizes at once.
  EXPECT_EQ(EntryFullSize(Entry(300, 300, 900, false), ckSnd), 900);
  EXPECT_EQ(EntryColumnText(Entry(300, 300, 900, false), ckSnd, EntryColumn::kPacked, {}), "300");
  EXPECT_EQ(EntryColumnText(Entry(300, 300, 900, false), ckSnd, EntryColumn::kType, {}), "");

  TResourceInfo icon = Entry(900);
  icon.ResType = rtIcon;
  icon.Width = 32;
  icon.Height = 16;
  EXPECT_EQ(EntryColumnText(icon, ckIcons, EntryColumn::kType, {}), "icon");
  EXPECT_EQ(EntryColumnText(icon, ckIcons, EntryColumn::kPicture, {}), "32 x 16");
  // A PCX has its size in its own header, read by the background pass.
  TResourceInfo pcx = Entry(900);
  pcx.ResType = rtPcx;
  EXPECT_EQ(EntryColumnText(pcx, ckChapter, EntryColumn::kPicture, {}), "");
  EXPECT_EQ(EntryColumnText(pcx, ckChapter, EntryColumn::kPicture, PictureSize{7, 9}), "7 x 9");
  // Only pictures have a picture size.
  EXPECT_EQ(EntryColumnText(Entry(10), ckIcons, EntryColumn::kPicture, PictureSize{7, 9}), "");
}

TEST(EntryColumns, SortingKeepsDirectoryOrderForTiesAndPutsUnknownFactsLast) {
  TDataFile df;
  df.Kind = ckIcons;
  df.Entries = {Entry(50), Entry(20), Entry(50), Entry(10, 0, 0, false), Entry(20)};
  const char* names[] = {"b", "A", "a", "c", "B"};
  for (std::size_t i = 0; i < df.Entries.size(); ++i)
    df.Entries[i].Name = names[i];
  auto sorted = [&](EntryColumn column, bool ascending) {
    std::vector<int> rows = {0, 1, 2, 3, 4};
    SortEntries(rows, df, column, ascending, {});
    return rows;
  };
  EXPECT_EQ(sorted(EntryColumn::kSize, true), (std::vector<int>{1, 4, 0, 2, 3}));
  // The other way round: ties still in directory order, the unknown size still last.
  EXPECT_EQ(sorted(EntryColumn::kSize, false), (std::vector<int>{0, 2, 1, 4, 3}));
  // The stored size is known at once.
  EXPECT_EQ(sorted(EntryColumn::kPacked, true), (std::vector<int>{3, 1, 4, 0, 2}));
  // Names in any case; "A" and "a" tie on letters and then go as stored.
  EXPECT_EQ(sorted(EntryColumn::kName, true), (std::vector<int>{1, 2, 4, 0, 3}));
  EXPECT_EQ(sorted(EntryColumn::kName, false), (std::vector<int>{3, 0, 4, 2, 1}));
  // A filtered list sorts only what it shows.
  std::vector<int> some = {4, 0, 3};
  SortEntries(some, df, EntryColumn::kType, true, {});
  EXPECT_EQ(some, (std::vector<int>{0, 4, 3}));
}

// A PCX file of w x h pixels: its header alone, which is all the size needs.
Bytes PcxHeader(int w, int h) {
  Bytes pcx(128, 0);
  pcx[0] = 0x0A;
  pcx[1] = 0x05;
  pcx[2] = 0x01;
  pcx[3] = 8;
  pcx[8] = static_cast<std::uint8_t>(w - 1);
  pcx[10] = static_cast<std::uint8_t>(h - 1);
  pcx[65] = 3;  // three colour planes
  return pcx;
}

TEST(BackgroundIdentifier, IdentifiesEveryEntryAsIdentifyAllDoesAChunkAtATime) {
  test::TempDir dir;
  Picture icon;
  icon.width = 4;
  icon.height = 3;
  icon.pixels = test::Pattern(12);
  std::vector<NewEntry> entries;
  const std::size_t count = BackgroundIdentifier::kChunkEntries + 5;
  for (std::size_t i = 0; i < count; ++i) {
    std::string name = "e";
    name += std::to_string(i);
    if (i % 3 == 0) {
      entries.push_back({name + ".txt", BuildPackedLodEntry(name, test::Pattern(300), true, 256)});
    } else if (i % 3 == 1) {
      entries.push_back({name, BuildBitmapEntry(name, icon)});
    } else {
      entries.push_back({name + ".pcx", PcxHeader(20 + static_cast<int>(i % 7), 5)});
    }
  }
  const std::string path = dir.Write("chapter.lod", BuildLod("CHAPTER", entries));
  // The icons rule set does not know .pcx; a chapter knows PCX but not icons: use both.
  for (TContainerKind kind : {ckChapter, ckIcons}) {
    TDataFile df;
    SilentHost quiet;
    ASSERT_TRUE(OpenContainer(df, path, quiet));
    df.Kind = kind;
    TDataFile expected = df;
    {
      auto file = test::OpenFile(path);
      ASSERT_TRUE(IdentifyAll(expected, *file));
    }
    std::mutex lock;
    std::vector<BackgroundIdentifier::Chunk> chunks;
    {
      BackgroundIdentifier pass(path, df, [&](BackgroundIdentifier::Chunk chunk) {
        std::lock_guard<std::mutex> hold(lock);
        chunks.push_back(std::move(chunk));
      });
      pass.Wait();
    }
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].first, 0u);
    EXPECT_EQ(chunks[1].first, BackgroundIdentifier::kChunkEntries);
    std::size_t seen = 0;
    for (const auto& chunk : chunks) {
      for (std::size_t i = 0; i < chunk.entries.size(); ++i, ++seen) {
        const TResourceInfo& want = expected.Entries[chunk.first + i];
        const TResourceInfo& got = chunk.entries[i];
        ASSERT_EQ(got.Identified, want.Identified) << want.Name;
        EXPECT_EQ(got.ResType, want.ResType) << want.Name;
        EXPECT_EQ(got.PackedSize, want.PackedSize) << want.Name;
        EXPECT_EQ(got.Width, want.Width) << want.Name;
        const bool pcx = got.ResType == rtPcx;
        ASSERT_EQ(chunk.pictureSizes[i].has_value(), pcx) << want.Name;
        if (pcx) {
          EXPECT_EQ(chunk.pictureSizes[i]->width, 20 + static_cast<int>((chunk.first + i) % 7));
          EXPECT_EQ(chunk.pictureSizes[i]->height, 5);
        }
      }
    }
    EXPECT_EQ(seen, count);
  }
}

TEST(BackgroundIdentifier, StopsWhenDroppedAndGivesNothingForAFileThatIsGone) {
  test::TempDir dir;
  std::vector<NewEntry> entries;
  for (int i = 0; i < 20000; ++i) {
    std::string name = "t";
    name += std::to_string(i);
    name += ".txt";
    entries.push_back({name, BuildPackedLodEntry("t", test::Pattern(40), false, 256)});
  }
  const std::string path = dir.Write("icons.lod", BuildLod("ICONS", entries));
  TDataFile df;
  SilentHost quiet;
  ASSERT_TRUE(OpenContainer(df, path, quiet));
  std::atomic<int> chunks{0};
  std::atomic<bool> release{false};
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    release = true;
  });
  {
    // The first chunk (if the pass gets that far) is held until the pass has been told to
    // stop: it ends after it, and the other nine are never read.
    BackgroundIdentifier pass(path, df, [&](BackgroundIdentifier::Chunk) {
      ++chunks;
      while (!release)
        std::this_thread::yield();
    });
  }
  releaser.join();
  const int after = chunks;
  EXPECT_LE(after, 1);

  BackgroundIdentifier gone(dir.File("nothing.lod"), df,
                            [&](BackgroundIdentifier::Chunk) { ++chunks; });
  gone.Wait();
  EXPECT_EQ(chunks, after);
}

}  // namespace
}  // namespace brindle
