// Writes the inputs of the bench scripts.
//
//   bench_container OUT.lod OUT.bin SIZE        (hexdump_vs_xxd.sh) an ICONS LOD holding
//       one stored (not compressed) entry "payload.evt" of SIZE bytes, and the same payload
//       alone, so the dump of brindle-cli and that of xxd see the same bytes.
//   bench_container texts OUT.lod OUT.gz SIZE  (grep_vs_zcat.sh) an ICONS LOD of compressed
//       text tables whose stored bytes come to about SIZE, and the same tables as one gzip
//       file (a member per table), so brindle-cli grep and check face what zcat | grep does.
#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <random>
#include <string>

#include "common/file.h"
#include "viewer/core/containers/container_writer.h"

namespace {

// A table of TAB-separated cells: words, numbers and now and then the needle "Glimmer".
std::string Table(std::mt19937& random) {
  static const char* const kWords[] = {"Rusty",  "Shortblade", "Hearthguard", "Oak",   "Potion",
                                       "Scroll", "Ring",       "Amulet",      "Tower", "Padded",
                                       "Jerkin", "Copper",     "Waymarker",   "Orb",   "Draught"};
  std::string text;
  for (int row = 0; row < 1200; ++row) {
    text += std::to_string(row + 1);
    for (int cell = 0; cell < 6; ++cell) {
      text += '\t';
      const unsigned pick = random() % 400;
      if (pick == 0) {
        text += "Glimmer";
      } else {
        text += kWords[pick % 15];
        text += ' ';
        text += std::to_string(random() % 100000);
      }
    }
    text += "\r\n";
  }
  return text;
}

bool AppendGzip(std::FILE* out, const std::string& text) {
  z_stream zs{};
  if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  std::string packed(deflateBound(&zs, static_cast<uLong>(text.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zs.avail_in = static_cast<uInt>(text.size());
  zs.next_out = reinterpret_cast<Bytef*>(packed.data());
  zs.avail_out = static_cast<uInt>(packed.size());
  const bool done = deflate(&zs, Z_FINISH) == Z_STREAM_END;
  const std::size_t n = zs.total_out;
  deflateEnd(&zs);
  return done && std::fwrite(packed.data(), 1, n, out) == n;
}

using namespace brindle;

int Payload(const char* lodPath, const char* binPath, std::size_t size) {
  // Every byte value, in no order: text, control codes and high bytes all take their turn.
  Bytes payload(size);
  std::mt19937 random(14);
  for (std::uint8_t& b : payload)
    b = static_cast<std::uint8_t>(random());
  const Bytes lod =
      BuildLod("ICONS", {{"payload.evt", BuildPackedLodEntry("payload.evt", payload, false)}});
  if (!WriteWholeFile(lodPath, lod) || !WriteWholeFile(binPath, payload)) {
    std::fputs("bench_container: cannot write the files\n", stderr);
    return 1;
  }
  return 0;
}

int Texts(const char* lodPath, const char* gzPath, std::size_t size) {
  std::FILE* gz = std::fopen(gzPath, "wb");
  if (!gz) {
    std::fputs("bench_container: cannot write the gzip file\n", stderr);
    return 1;
  }
  std::mt19937 random(24);
  std::vector<NewEntry> entries;
  std::size_t stored = 0;
  bool written = true;
  for (int i = 0; stored < size && written; ++i) {
    const std::string text = Table(random);
    std::string name = "table";
    name += std::to_string(i);
    name += ".txt";
    Bytes entry = BuildPackedLodEntry(name, Bytes(text.begin(), text.end()), true);
    stored += entry.size();
    entries.push_back({name, std::move(entry)});
    written = AppendGzip(gz, text);
  }
  written = std::fclose(gz) == 0 && written;
  if (!written || !WriteWholeFile(lodPath, BuildLod("ICONS", entries))) {
    std::fputs("bench_container: cannot write the files\n", stderr);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool texts = argc == 5 && std::string(argv[1]) == "texts";
  const int first = texts ? 2 : 1;
  std::size_t size = 0;
  if (argc != first + 3 ||
      std::from_chars(argv[first + 2],
                      argv[first + 2] + std::char_traits<char>::length(argv[first + 2]), size)
              .ec != std::errc()) {
    std::fputs("usage: bench_container [texts] OUT.lod OUT.bin|OUT.gz SIZE\n", stderr);
    return 2;
  }
  return texts ? Texts(argv[first], argv[first + 1], size)
               : Payload(argv[first], argv[first + 1], size);
}
