// Speed of the picture decoders. A compressed bitmap should cost little more than inflating
// its pixels; PCX and sprite decoding are reported as MB/s of picture produced.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstring>

#include "common/file.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/fonts.h"
#include "viewer/core/formats/pcx.h"
#include "viewer/core/formats/sprites.h"

namespace brindle {
namespace {

// A picture with smooth areas, edges and some noise, so zlib has real work to do.
Bytes Scene(int w, int h, std::uint32_t seed) {
  Bytes px(static_cast<std::size_t>(w) * h);
  std::uint32_t noise = seed;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const double wave = std::sin(x * 0.05) * std::cos(y * 0.03) * 40.0;
      int v = (x / 16 + y / 24) % 2 ? 60 : 150;
      v += static_cast<int>(wave) + static_cast<int>((noise >> 28) & 3);
      px[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(v);
    }
  }
  return px;
}

struct BitmapCase {
  MemoryFile file;
  TResourceInfo entry;
  Bytes stream;
};

const BitmapCase& Bitmap1024() {
  static BitmapCase c = [] {
    BitmapCase b;
    const Bytes px = Scene(1024, 1024, 7);
    b.stream = BuildCompressedPayload(px);
    ByteWriter w;
    w.FixedText("big", 16).U32(static_cast<std::uint32_t>(px.size()));
    w.U32(static_cast<std::uint32_t>(b.stream.size())).U16(1024).U16(1024).Zeros(12);
    w.U32(static_cast<std::uint32_t>(px.size())).U32(0).Append(b.stream).Zeros(768);
    b.file = MemoryFile(w.Take());
    b.entry.Size = static_cast<std::int32_t>(b.file.Size());
    b.entry.PackedSize = static_cast<std::int32_t>(b.stream.size());
    b.entry.UnpackedSize = static_cast<std::int32_t>(px.size());
    b.entry.Width = 1024;
    b.entry.Height = 1024;
    b.entry.ResType = rtBitmap;
    return b;
  }();
  return c;
}

void BM_DecodeBitmap1024(benchmark::State& state) {
  BitmapCase c = Bitmap1024();
  SilentHost host;
  for (auto _ : state) {
    PictureResult r = DecodeBitmapEntry(c.file, c.entry, host);
    benchmark::DoNotOptimize(r.picture.pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_DecodeBitmap1024)->Unit(benchmark::kMillisecond);

// The floor: zlib inflating the same stream into a buffer that already exists.
void BM_InflateOnly1024(benchmark::State& state) {
  const BitmapCase& c = Bitmap1024();
  Bytes out(1024 * 1024);
  for (auto _ : state) {
    uLongf n = out.size();
    uncompress(out.data(), &n, c.stream.data(), c.stream.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_InflateOnly1024)->Unit(benchmark::kMillisecond);

// Run-length codes one plane line as a PCX writer would.
void PutPcxLine(Bytes& out, const std::uint8_t* line, std::size_t n) {
  for (std::size_t i = 0; i < n;) {
    std::size_t run = 1;
    while (i + run < n && run < 63 && line[i + run] == line[i])
      ++run;
    if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 + run));
    out.push_back(line[i]);
    i += run;
  }
}

void BM_DecodePcx640x480(benchmark::State& state) {
  constexpr int w = 640, h = 480;
  Bytes pcx(128, 0);
  pcx[0] = 0x0A;
  pcx[1] = 5;
  pcx[2] = 1;
  pcx[3] = 8;
  PutU16(&pcx[8], w - 1);
  PutU16(&pcx[10], h - 1);
  pcx[65] = 3;
  PutU16(&pcx[66], w);
  const Bytes planes[3] = {Scene(w, h, 1), Scene(w, h, 2), Scene(w, h, 3)};
  for (int y = 0; y < h; ++y)
    for (const Bytes& p : planes)
      PutPcxLine(pcx, p.data() + static_cast<std::size_t>(y) * w, w);
  MemoryFile file(pcx);
  TResourceInfo e;
  e.Size = static_cast<std::int32_t>(pcx.size());
  e.ResType = rtPcx;
  SilentHost host;
  ProgressReporter progress(host);
  for (auto _ : state) {
    PictureResult r = DecodePcx(file, e, host, &progress);
    benchmark::DoNotOptimize(r.picture.pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * w * h * 3);
}
BENCHMARK(BM_DecodePcx640x480)->Unit(benchmark::kMicrosecond);

// A 256 x 256 sprite in a container beside a bitmaps.lod holding its palette: the whole
// path the page takes, palette lookup on disk included.
void BM_DecodeSprite256(benchmark::State& state) {
  constexpr int w = 256, h = 256;
  const Bytes scene = Scene(w, h, 5);
  ByteWriter table;
  Bytes data;
  for (int y = 0; y < h; ++y) {
    // A silhouette: each row stored between a first and a last column.
    const int first = std::abs(y - h / 2) / 3;
    const int last = w - 1 - first;
    table.U16(static_cast<std::uint16_t>(first)).U16(static_cast<std::uint16_t>(last));
    table.U32(static_cast<std::uint32_t>(data.size()));
    data.insert(data.end(), scene.begin() + y * w + first, scene.begin() + y * w + last + 1);
  }
  const Bytes packed = BuildCompressedPayload(data);
  ByteWriter sprite;
  sprite.FixedText("s", 12).U32(static_cast<std::uint32_t>(packed.size())).U16(w).U16(h);
  sprite.I32(1).U32(0).U32(static_cast<std::uint32_t>(data.size()));
  sprite.Append(table.bytes()).Append(packed);

  test::TempDir dir;
  ByteWriter palette;
  palette.FixedText("pal001", 16).Zeros(32).Append(test::Pattern(768));
  dir.Write("bitmaps.lod", BuildLod("BITMAPS", {{"pal001", palette.Take()}}));
  const std::string path = dir.Write("sprites.lod", BuildLod("SPRITES08", {{"s", sprite.bytes()}}));
  auto file = test::OpenFile(path);
  TResourceInfo e;
  e.Offset = 288 + 32;
  e.Size = static_cast<std::int32_t>(sprite.size());
  e.PackedSize = static_cast<std::int32_t>(packed.size());
  e.UnpackedSize = static_cast<std::int32_t>(data.size());
  e.Width = w;
  e.Height = h;
  e.PaletteId = 1;
  e.ResType = rtSprite;
  SilentHost host;
  for (auto _ : state) {
    PictureResult r = DecodeSprite(*file, e, path, host);
    if (!r.ok()) state.SkipWithError("sprite did not decode");
    benchmark::DoNotOptimize(r.picture.pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_DecodeSprite256)->Unit(benchmark::kMicrosecond);

// A font of all 256 characters, 12 x 16 pixels each in the byte-width layout, stored
// compressed as the sample fonts are.
struct FontCase {
  MemoryFile file;
  TResourceInfo entry;
  std::size_t sheetBytes = 0;
};

const FontCase& Font256() {
  static FontCase c = [] {
    constexpr int w = 12, h = 16;
    Bytes data(288 + 1024, 0);
    const Bytes glyphs = Scene(w, h * 256, 3);
    for (int ch = 0; ch < 256; ++ch) {
      data[32 + static_cast<std::size_t>(ch)] = w;
      PutU32(&data[288 + 4 * static_cast<std::size_t>(ch)], static_cast<std::uint32_t>(ch * w * h));
    }
    data.insert(data.end(), glyphs.begin(), glyphs.end());
    FontCase f;
    f.file = MemoryFile(BuildPackedLodEntry("font.fnt", data, true));
    const Bytes header = f.file.ReadForDecoding(0, 48);
    f.entry.Size = static_cast<std::int32_t>(f.file.Size());
    f.entry.PackedSize = ReadI32(header, 20);
    f.entry.UnpackedSize = ReadI32(header, 40);
    f.entry.ResType = rtFont;
    SilentHost host;
    f.sheetBytes = RenderFontSheet(f.file, f.entry, {}, host).picture.pixels.size();
    return f;
  }();
  return c;
}

// The whole path of the font page: extract, inflate, lay out and draw the sheet.
void BM_RenderFontSheet256(benchmark::State& state) {
  FontCase c = Font256();
  SilentHost host;
  for (auto _ : state) {
    PictureResult r = RenderFontSheet(c.file, c.entry, {}, host);
    benchmark::DoNotOptimize(r.picture.pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(c.sheetBytes));
}
BENCHMARK(BM_RenderFontSheet256)->Unit(benchmark::kMicrosecond);

// The drawing alone, from font data already extracted: what a colour change costs beyond
// reading the entry again.
void BM_DrawFontSheet256(benchmark::State& state) {
  FontCase c = Font256();
  SilentHost host;
  const std::optional<FontFace> face = ReadFontFace(ExtractEntry(c.file, c.entry, 48, host));
  if (!face) state.SkipWithError("font did not read");
  for (auto _ : state) {
    Picture p = DrawFontLayout(*face, LayOutFontSheet(*face), {});
    benchmark::DoNotOptimize(p.pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(c.sheetBytes));
}
BENCHMARK(BM_DrawFontSheet256)->Unit(benchmark::kMicrosecond);

// The floor to read it against: copying the finished sheet's bytes once.
void BM_MemcpyFontSheet256(benchmark::State& state) {
  const std::size_t n = Font256().sheetBytes;
  const Bytes from(n, 7);
  Bytes to(n);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), n);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_MemcpyFontSheet256)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brindle

BENCHMARK_MAIN();
