// The game data file: any bytes load or fail cleanly, and whatever loads survives being
// written out again with our own writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "viewer/core/savegame/game_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  const ByteView input(data, size);

  // The cipher is its own inverse's inverse on any bytes.
  Bytes work(input.begin(), input.end());
  DescrambleStream(work, kGameDataKey);
  ScrambleStream(work, kGameDataKey);
  if (!std::equal(work.begin(), work.end(), input.begin())) std::abort();

  const Result<GameData> load = LoadGameData(input);
  if (!load) {
    if (load.message().empty()) std::abort();
    return 0;
  }
  const PartyDataTable& table = load->table;
  if (table.ColCount() < kPartyDataColumns || load->blockCount > kMaxTextBlocks ||
      table.RowCount() > kMaxTableLines || load->title.bmp.size() > kMaxTitlePictureSize)
    std::abort();

  // Lines hold no breaks and no zero bytes, so joining them gives a text that splits back
  // into the same rows.
  std::vector<Bytes> texts;
  for (int k = 0; k < load->blockCount; ++k) {
    Bytes text;
    for (const std::string& line : table.Column(k)) {
      text.insert(text.end(), line.begin(), line.end());
      text.push_back('\r');
      text.push_back('\n');
    }
    texts.push_back(std::move(text));
  }
  const Result<GameData> again = LoadGameData(BuildGameData({}, texts));
  if (!again || again->blockCount != load->blockCount) std::abort();
  for (int k = 0; k < load->blockCount; ++k) {
    if (again->table.Column(k) != table.Column(k)) std::abort();
  }
  return 0;
}
