// Writes the inputs of bench/grep_vs_zcat.sh: an ICONS LOD of compressed text tables
// whose stored bytes come to about the given size, and the same tables as one gzip file
// (a member per table), so brindle-cli grep and check face the same text as zcat | grep.
//
//   bench_text_container OUT.lod OUT.gz SIZE
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
  if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK)
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

}  // namespace

int main(int argc, char** argv) {
  using namespace brindle;
  std::size_t size = 0;
  if (argc != 4 ||
      std::from_chars(argv[3], argv[3] + std::char_traits<char>::length(argv[3]), size).ec !=
          std::errc()) {
    std::fputs("usage: bench_text_container OUT.lod OUT.gz SIZE\n", stderr);
    return 2;
  }
  std::FILE* gz = std::fopen(argv[2], "wb");
  if (!gz) {
    std::fputs("bench_text_container: cannot write the gzip file\n", stderr);
    return 1;
  }
  std::mt19937 random(24);
  std::vector<NewEntry> entries;
  std::size_t stored = 0;
  for (int i = 0; stored < size; ++i) {
    const std::string text = Table(random);
    std::string name = "table";
    name += std::to_string(i);
    name += ".txt";
    Bytes entry = BuildPackedLodEntry(name, Bytes(text.begin(), text.end()), true);
    stored += entry.size();
    entries.push_back({name, std::move(entry)});
    if (!AppendGzip(gz, text)) {
      std::fputs("bench_text_container: cannot write the gzip file\n", stderr);
      return 1;
    }
  }
  const bool closed = std::fclose(gz) == 0;
  if (!closed || !WriteWholeFile(argv[1], BuildLod("ICONS", entries))) {
    std::fputs("bench_text_container: cannot write the files\n", stderr);
    return 1;
  }
  return 0;
}
