#include "viewer/core/edit/thumbnails.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

#include "sample_folder.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/lod_entry.h"
#include "viewer/core/formats/bitmaps.h"

namespace brindle {
namespace {

using test::TempDir;

// A picture whose pixels differ everywhere: index (x * 7 + y * 13 + seed) & 0xFF, with a
// colour table that spreads the indices over all three channels.
Picture Indexed(int w, int h, int seed = 0) {
  Picture p;
  p.width = w;
  p.height = h;
  p.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p.pixels[static_cast<std::size_t>(y * w + x)] =
          static_cast<std::uint8_t>((x * 7 + y * 13 + seed) & 0xFF);
  for (int i = 0; i < 256; ++i) {
    p.colours[static_cast<std::size_t>(i) * 3] = static_cast<std::uint8_t>(i);
    p.colours[static_cast<std::size_t>(i) * 3 + 1] = static_cast<std::uint8_t>(255 - i);
    p.colours[static_cast<std::size_t>(i) * 3 + 2] = static_cast<std::uint8_t>((i * 3) & 0xFF);
  }
  return p;
}

const std::uint8_t* Colour(const Picture& p, int x, int y) {
  return &p.colours[static_cast<std::size_t>(p.pixels[static_cast<std::size_t>(y * p.width + x)]) *
                    3];
}

TEST(ScalePicture, HalvingAveragesEachTwoByTwoBlock) {
  const Picture p = Indexed(128, 64);
  const Thumbnail t = ScalePicture(p, 64, 64);
  ASSERT_EQ(t.width, 64);
  ASSERT_EQ(t.height, 32);
  ASSERT_EQ(t.rgba.size(), 64u * 32u * 4u);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int sum = Colour(p, 2 * x, 2 * y)[c] + Colour(p, 2 * x + 1, 2 * y)[c] +
                        Colour(p, 2 * x, 2 * y + 1)[c] + Colour(p, 2 * x + 1, 2 * y + 1)[c];
        ASSERT_NEAR(t.rgba[static_cast<std::size_t>((y * 64 + x) * 4 + c)], sum / 4.0, 0.51)
            << x << "," << y << " channel " << c;
      }
      ASSERT_EQ(t.rgba[static_cast<std::size_t>((y * 64 + x) * 4 + 3)], 255);
    }
  }
}

TEST(ScalePicture, KeepsAspectAndNeverEnlarges) {
  struct Case {
    int w, h, boxW, boxH, wantW, wantH;
  } cases[] = {
      {20, 10, 64, 64, 20, 10},    // small: 1:1
      {64, 64, 64, 64, 64, 64},    // exactly the box
      {300, 100, 64, 64, 64, 21},  // wide
      {100, 300, 64, 64, 21, 64},  // tall
      {1000, 1, 64, 64, 64, 1},    // a line stays one pixel high
      {90, 60, 40, 80, 40, 27},    // the narrow side of the box decides
  };
  for (const Case& c : cases) {
    const Thumbnail t = ScalePicture(Indexed(c.w, c.h), c.boxW, c.boxH);
    EXPECT_EQ(t.width, c.wantW) << c.w << "x" << c.h;
    EXPECT_EQ(t.height, c.wantH) << c.w << "x" << c.h;
    EXPECT_EQ(t.rgba.size(), static_cast<std::size_t>(t.width * t.height * 4));
  }
  // A picture that fits is copied pixel for pixel.
  const Picture small = Indexed(20, 10, 5);
  const Thumbnail same = ScalePicture(small, 64, 64);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_EQ(same.rgba[static_cast<std::size_t>((y * 20 + x) * 4 + c)],
                  Colour(small, x, y)[c]);
  // 24-bit pictures: a flat colour stays that colour at any scale.
  Picture rgb;
  rgb.format = PictureFormat::kRgb24;
  rgb.width = 333;
  rgb.height = 97;
  rgb.pixels.resize(333u * 97u * 3u);
  for (std::size_t i = 0; i < rgb.pixels.size(); i += 3) {
    rgb.pixels[i] = 10;
    rgb.pixels[i + 1] = 200;
    rgb.pixels[i + 2] = 77;
  }
  const Thumbnail flat = ScalePicture(rgb, 64, 64);
  ASSERT_EQ(flat.width, 64);
  ASSERT_EQ(flat.height, 19);
  for (std::size_t i = 0; i < flat.rgba.size(); i += 4) {
    ASSERT_EQ(flat.rgba[i], 10);
    ASSERT_EQ(flat.rgba[i + 1], 200);
    ASSERT_EQ(flat.rgba[i + 2], 77);
  }
  // Nothing to scale: no thumbnail.
  EXPECT_TRUE(ScalePicture(Picture{}, 64, 64).empty());
  Picture lying = Indexed(8, 8);
  lying.pixels.resize(10);
  EXPECT_TRUE(ScalePicture(lying, 64, 64).empty());
}

using test::SampleFolder;

TEST(MakeThumbnail, EveryPictureTypeIsItsDecodedPictureScaled) {
  std::map<TResourceType, int> seen;
  for (const char* name : {"icons.lod", "bitmaps.lod", "sprites.lod", "save000.vlm"}) {
    SilentHost host;
    TDataFile df;
    ASSERT_TRUE(OpenContainer(df, SampleFolder().File(name), host)) << name;
    auto file = test::OpenFile(df.FileName);
    for (const TResourceInfo& stored : df.Entries) {
      TResourceInfo entry = stored;  // not yet identified: MakeThumbnail identifies it
      ASSERT_FALSE(entry.Identified);
      const Thumbnail t = MakeThumbnail(*file, df.Kind, entry, {df.FileName}, 64, host);
      ASSERT_TRUE(entry.Identified) << entry.Name;
      EXPECT_EQ(t.type, entry.ResType) << entry.Name;
      if (!EntryTypeOf(entry.ResType).picture) {
        EXPECT_TRUE(t.empty()) << entry.Name;
        continue;
      }
      const PictureResult decoded = DecodeEntryPicture(*file, entry, {df.FileName}, host);
      ASSERT_TRUE(decoded.ok()) << entry.Name;
      const Thumbnail want = ScalePicture(decoded.picture, 64, 64);
      ASSERT_FALSE(t.empty()) << entry.Name;
      EXPECT_EQ(t.width, want.width) << entry.Name;
      EXPECT_EQ(t.height, want.height) << entry.Name;
      EXPECT_TRUE(t.rgba == want.rgba) << entry.Name;
      EXPECT_LE(t.width, 64);
      EXPECT_LE(t.height, 64);
      if (decoded.picture.width > 64 || decoded.picture.height > 64) {
        EXPECT_TRUE(t.width == 64 || t.height == 64) << entry.Name;
      }
      ++seen[entry.ResType];
    }
  }
  for (TResourceType type : {rtBitmap, rtIcon, rtIconPcx, rtSprite, rtFont, rtPcx})
    EXPECT_GT(seen[type], 0) << "no sample of " << ResourceTypeName(type);
}

TEST(MakeThumbnail, BrokenPicturesGiveNoThumbnail) {
  TempDir dir;
  const Picture picture = Indexed(40, 30);
  // A header that claims more pixels than the entry holds.
  const Bytes packed = BuildCompressedPayload(picture.pixels);
  LodEntryHeader h;
  h.name = "broken";
  h.field16 = static_cast<std::uint32_t>(picture.pixels.size());
  h.packedSize = static_cast<std::int32_t>(packed.size());
  h.width = 200;
  h.height = 200;
  h.unpackedSize = static_cast<std::int32_t>(picture.pixels.size());
  ByteWriter w;
  w.Append(WriteLodEntryHeader(h)).Append(packed).Append(picture.colours);
  const Bytes broken = w.Take();
  Bytes whole = BuildBitmapEntry("whole", picture);
  const std::string path =
      dir.Write("icons.lod", BuildLod("ICONS", {{"broken", broken}, {"whole", whole}}));
  SilentHost host;
  TDataFile df;
  ASSERT_TRUE(OpenContainer(df, path, host));
  auto file = test::OpenFile(path);
  TResourceInfo bad = df.Entries[0];
  EXPECT_TRUE(MakeThumbnail(*file, df.Kind, bad, {path}, 64, host).empty());
  EXPECT_TRUE(EntryTypeOf(bad.ResType).picture);
  TResourceInfo good = df.Entries[1];
  const Thumbnail t = MakeThumbnail(*file, df.Kind, good, {path}, 64, host);
  EXPECT_EQ(t.width, 40);
  EXPECT_EQ(t.height, 30);
  // An entry that reaches past the end of the file.
  TResourceInfo outside = df.Entries[1];
  outside.Offset = static_cast<std::int32_t>(file->Size()) - 10;
  EXPECT_TRUE(MakeThumbnail(*file, df.Kind, outside, {path}, 64, host).empty());
}

// What the pool's callback told, in order.
class Recorder {
 public:
  ThumbnailPool::Done Callback() {
    return [this](int entry, std::uint64_t generation) {
      std::lock_guard lock(mutex_);
      done_.push_back({entry, generation});
      changed_.notify_all();
    };
  }
  // Waits until n callbacks came; false after a generous while.
  bool WaitFor(std::size_t n) {
    return WaitUntil([n](const auto& done) { return done.size() >= n; });
  }
  bool WaitUntil(const std::function<bool(const std::vector<std::pair<int, std::uint64_t>>&)>& ok) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(60), [&] { return ok(done_); });
  }
  std::vector<std::pair<int, std::uint64_t>> Done() {
    std::lock_guard lock(mutex_);
    return done_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<int, std::uint64_t>> done_;
};

// A container of `count` bitmaps, picture i side + i % widths pixels wide and side high, with
// a text entry after every fourth.
struct PoolContainer {
  TempDir dir;
  TDataFile df;
  std::vector<int> pictures;
  PoolContainer(int count, int side, const std::string& name = "pool.lod", int widths = 5) {
    std::vector<NewEntry> entries;
    for (int i = 0; i < count; ++i) {
      std::string n = "p";
      n += std::to_string(i);
      entries.push_back({n, BuildBitmapEntry(n, Indexed(side + i % widths, side, i))});
      if (i % 4 == 3) {
        std::string t = "t";
        t += std::to_string(i);
        t += ".evt";
        entries.push_back({t, BuildPackedLodEntry(t, test::Pattern(40), false)});
      }
    }
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (entries[i].name[0] == 'p') pictures.push_back(static_cast<int>(i));
    SilentHost host;
    if (!OpenContainer(df, dir.Write(name, BuildLod("ICONS", entries)), host))
      throw std::runtime_error("cannot open " + name);
  }
  std::vector<int> All() const {
    std::vector<int> all(df.Entries.size());
    for (std::size_t i = 0; i < all.size(); ++i)
      all[i] = static_cast<int>(i);
    return all;
  }
};

TEST(ThumbnailPool, MakesEveryRequestedEntryExactlyOnce) {
  PoolContainer c(60, 20);
  Recorder rec;
  ThumbnailPool pool({.workers = 2}, rec.Callback());
  EXPECT_EQ(pool.Workers(), 2);
  pool.Reset(c.df);
  // Asked again and again while the work is under way, with repeats and strangers.
  std::vector<int> asked = c.All();
  asked.push_back(-1);
  asked.push_back(100000);
  asked.push_back(0);
  for (int round = 0; round < 5; ++round)
    pool.Request(asked);
  const std::size_t n = c.df.Entries.size();
  ASSERT_TRUE(rec.WaitFor(n));
  pool.Request(asked);  // all cached: nothing more
  std::map<int, int> times;
  for (auto [entry, generation] : rec.Done()) {
    ++times[entry];
    EXPECT_EQ(generation, pool.Generation());
  }
  EXPECT_EQ(times.size(), n);
  for (auto [entry, count] : times)
    EXPECT_EQ(count, 1) << "entry " << entry;
  EXPECT_EQ(pool.Made(), n);
  for (int e : c.pictures) {
    auto t = pool.Lookup(e);
    ASSERT_TRUE(t) << e;
    EXPECT_EQ(t->width,
              20 + (std::stoi(c.df.Entries[static_cast<std::size_t>(e)].Name.substr(1)) % 5));
    EXPECT_EQ(t->height, 20);
  }
  // Texts are known to be no pictures.
  auto text = pool.Lookup(3 + 1);
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->empty());
  EXPECT_EQ(text->type, rtEvt);
  EXPECT_EQ(pool.Queued(), 0u);
}

TEST(ThumbnailPool, OneWorkerFollowsThePriorityOrder) {
  PoolContainer c(30, 16);
  Recorder rec;
  ThumbnailPool pool({.workers = 1}, rec.Callback());
  pool.Reset(c.df);
  // Visible rows first (from the middle), then the rest backwards.
  std::vector<int> order;
  for (int e = 10; e < 16; ++e)
    order.push_back(e);
  for (int e = static_cast<int>(c.df.Entries.size()) - 1; e >= 0; --e)
    if (e < 10 || e >= 16) order.push_back(e);
  pool.Request(order);
  ASSERT_TRUE(rec.WaitFor(order.size()));
  std::vector<int> got;
  for (auto [entry, generation] : rec.Done())
    got.push_back(entry);
  EXPECT_EQ(got, order);

  // A new request replaces the queue: what it leaves out is not made.
  PoolContainer d(40, 16, "other.lod");
  Recorder rec2;
  ThumbnailPool second({.workers = 1}, rec2.Callback());
  second.Reset(d.df);
  second.Request(d.All());
  second.Request({5, 6});
  auto has = [](const auto& done, int e) {
    return std::any_of(done.begin(), done.end(), [e](const auto& d) { return d.first == e; });
  };
  ASSERT_TRUE(rec2.WaitUntil([&](const auto& done) { return has(done, 5) && has(done, 6); }));
  // At most the entries the worker had taken before the second request, and then 5 and 6.
  const auto done = rec2.Done();
  EXPECT_LT(done.size(), d.df.Entries.size());
  EXPECT_TRUE(second.Lookup(5));
  EXPECT_TRUE(second.Lookup(6));
}

TEST(ThumbnailPool, ResetDropsTheOldContainersResults) {
  PoolContainer a(120, 100, "a.lod");
  PoolContainer b(5, 8, "b.lod");
  Recorder rec;
  ThumbnailPool pool({.workers = 2}, rec.Callback());
  pool.Reset(a.df);
  const std::uint64_t first = pool.Generation();
  pool.Request(a.All());
  ASSERT_TRUE(rec.WaitFor(1));
  pool.Reset(b.df);
  const std::uint64_t second = pool.Generation();
  EXPECT_GT(second, first);
  const std::size_t before = rec.Done().size();
  // Nothing of a is kept, nothing more of it is made or told.
  for (int e = 0; e < static_cast<int>(a.df.Entries.size()); ++e)
    EXPECT_FALSE(pool.Lookup(e)) << e;
  EXPECT_EQ(pool.Queued(), 0u);
  pool.Request(b.All());
  ASSERT_TRUE(rec.WaitFor(before + b.df.Entries.size()));
  const auto done = rec.Done();
  EXPECT_EQ(done.size(), before + b.df.Entries.size());
  for (std::size_t i = before; i < done.size(); ++i)
    EXPECT_EQ(done[i].second, second);
  for (int e : b.pictures) {
    auto t = pool.Lookup(e);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->height, 8);  // b's pictures, not a's (100 high, scaled to 64)
  }
  EXPECT_LT(pool.Made(), a.df.Entries.size() + b.df.Entries.size());
}

TEST(ThumbnailPool, PauseLetsAWriterIn) {
  PoolContainer c(200, 100);
  Recorder rec;
  ThumbnailPool pool({.workers = 2}, rec.Callback());
  pool.Reset(c.df);
  pool.Request(c.All());
  ASSERT_TRUE(rec.WaitFor(1));
  pool.Pause();
  EXPECT_EQ(pool.Queued(), 0u);
  const std::uint64_t made = pool.Made();
  {
    // No worker holds the container: it opens for writing.
    auto writer = PosixFile::Open(c.df.FileName, FileMode::kWriteExclusive);
    ASSERT_TRUE(writer) << writer.message();
  }
  EXPECT_EQ(pool.Made(), made);
  // What was made is kept; asking again finishes the rest.
  for (auto [entry, generation] : rec.Done())
    EXPECT_TRUE(pool.Lookup(entry));
  pool.Request(c.All());
  ASSERT_TRUE(rec.WaitFor(c.df.Entries.size()));
  EXPECT_EQ(rec.Done().size(), c.df.Entries.size());
}

TEST(ThumbnailPool, CacheKeepsToItsCapDroppingTheLeastRecentlyUsed) {
  PoolContainer c(8, 16, "pool.lod", 1);  // entries 0 to 3 are 16 x 16 pictures, 4 a text
  Recorder rec;
  // The cost of one thumbnail, from a pool of its own.
  std::size_t one = 0;
  {
    Recorder probe;
    ThumbnailPool measure({.workers = 1}, probe.Callback());
    measure.Reset(c.df);
    measure.Request({0});
    ASSERT_TRUE(probe.WaitFor(1));
    one = measure.CachedBytes();
  }
  ASSERT_GT(one, 16u * 16u * 4u);
  ThumbnailPool pool({.workers = 1, .cacheBytes = 3 * one}, rec.Callback());
  EXPECT_EQ(pool.CacheCap(), 3 * one);
  pool.Reset(c.df);
  pool.Request({0, 1, 2});
  ASSERT_TRUE(rec.WaitFor(3));
  EXPECT_EQ(pool.CachedBytes(), 3 * one);
  EXPECT_TRUE(pool.Lookup(0));  // now 1 is the least recently used
  pool.Request({3});
  ASSERT_TRUE(rec.WaitFor(4));
  EXPECT_FALSE(pool.Lookup(1));
  EXPECT_TRUE(pool.Lookup(0));
  EXPECT_TRUE(pool.Lookup(3));  // leaves 2 the least recently used
  EXPECT_EQ(pool.CachedBytes(), 3 * one);
  // An evicted entry is made again when asked for again, and pushes out the next oldest.
  pool.Request({1});
  ASSERT_TRUE(rec.WaitFor(5));
  EXPECT_TRUE(pool.Lookup(1));
  EXPECT_FALSE(pool.Lookup(2));
  EXPECT_TRUE(pool.Lookup(0));
  EXPECT_EQ(pool.CachedBytes(), 3 * one);
}

}  // namespace
}  // namespace brindle
