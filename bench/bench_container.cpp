// Writes the inputs of bench/hexdump_vs_xxd.sh: an ICONS LOD holding one stored (not
// compressed) entry "payload.evt" of the given size, and the same payload alone, so the
// dump of brindle-cli and that of xxd see the same bytes.
//
//   bench_container OUT.lod OUT.bin SIZE
#include <charconv>
#include <cstdio>
#include <random>
#include <string>

#include "common/file.h"
#include "viewer/core/containers/container_writer.h"

int main(int argc, char** argv) {
  using namespace brindle;
  std::size_t size = 0;
  if (argc != 4 ||
      std::from_chars(argv[3], argv[3] + std::char_traits<char>::length(argv[3]), size).ec !=
          std::errc()) {
    std::fputs("usage: bench_container OUT.lod OUT.bin SIZE\n", stderr);
    return 2;
  }
  // Every byte value, in no order: text, control codes and high bytes all take their turn.
  Bytes payload(size);
  std::mt19937 random(14);
  for (std::uint8_t& b : payload)
    b = static_cast<std::uint8_t>(random());
  const Bytes lod =
      BuildLod("ICONS", {{"payload.evt", BuildPackedLodEntry("payload.evt", payload, false)}});
  if (!WriteWholeFile(argv[1], lod) || !WriteWholeFile(argv[2], payload)) {
    std::fputs("bench_container: cannot write the files\n", stderr);
    return 1;
  }
  return 0;
}
