#pragma once
// brindle.dat: everything the saved-game editor knows about the game (item, skill, spell
// and condition names, where the party and character values lie in PARTY.BIN, item sizes)
// and the picture of the title page.
//
// File layout, little-endian:
//   0       u32 Z    size of the stored picture
//   4       u32 R    size of the picture once inflated: a whole BMP file
//   8       Z bytes  raw deflate data, optionally followed by the picture's Adler-32
//                    (big-endian), i.e. a zlib stream without its two-byte header
//   8 + Z   text blocks up to the end of the file: u32 L, then L scrambled bytes
// Block k, descrambled with the start key 40213 (every block starts afresh), is column k of
// the table: plain Windows-1252 text, lines ending in CR LF, CR or LF, a zero byte ending
// the text early; line j is row j.
//
// The loader trusts nothing it reads: every size is checked against the bytes that are
// really there before anything is allocated, and a damaged file comes back as an error
// value with a sentence the window and the command line can show as it stands.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/codepage.h"
#include "common/result.h"

namespace brindle {

inline constexpr std::uint16_t kGameDataKey = 40213;
inline constexpr int kPartyDataColumns = 19;

// Limits far above anything we ship (about 100 KB), so that a hostile file cannot make us
// allocate more than a few hundred megabytes however its sizes are set.
inline constexpr std::int64_t kMaxGameDataFileSize = 64 << 20;
inline constexpr std::uint32_t kMaxTitlePictureSize = 64u << 20;
inline constexpr int kMaxTextBlocks = 1024;
inline constexpr std::int64_t kMaxTableLines = 1 << 22;

// The columns by what the editor reads from them. Rows 1-3 (party values) and 1-8
// (character values, statistics) are numbered from 1; row 0 of the name lists 6, 7, 9 and
// 10 holds their count; columns 17 and 18 are indexed by item number.
enum PartyDataColumn : int {
  kColPartyValueOffset = 0,
  kColPartyValueWidth = 1,
  kColPartyValueCaption = 2,
  kColCharValueOffset = 3,
  kColCharValueWidth = 4,
  kColCharValueCaption = 5,
  kColItemNames = 6,
  kColEnchantments = 7,
  kColSkills = 8,
  kColSecondEnchantments = 9,
  kColItemStatuses = 10,
  kColSpells = 11,
  kColEquippedSlots = 12,
  kColConditions = 13,
  kColStatistics = 14,
  kColStatFirstOffset = 15,
  kColStatSecondOffset = 16,
  kColItemWidth = 17,
  kColItemHeight = 18,
};

// The game data table: columns of text lines, read-only once loaded. It always has at
// least the 19 columns the editor reads, so a lookup in a file that lacks some of them
// reads empty text rather than failing differently from a file that has them empty.
class PartyDataTable {
 public:
  PartyDataTable();

  int ColCount() const { return static_cast<int>(columns_.size()); }
  // The longest column's line count.
  int RowCount() const { return rowCount_; }

  // Empty text outside the table and below a column's last line.
  const std::string& Cell(int col, int row) const;
  // The whole column, RowCount() rows (empty texts below its last line).
  std::vector<std::string> Column(int col) const;
  // The first row whose text equals `text` regardless of case (Windows-1252 letters,
  // accented ones included), or -1.
  int FindRow(int col, std::string_view text) const;
  // The cell as a whole number: an optional sign and decimal digits, nothing else, within
  // 32 bits. Empty text and anything else give nothing.
  std::optional<std::int32_t> IntCell(int col, int row) const;

  // Replaces column col with the lines. The column count grows to col + 1 and the row count
  // to the line count when they are smaller; neither ever shrinks.
  void SetColumn(int col, std::vector<std::string> lines);

 private:
  std::vector<std::vector<std::string>> columns_;
  int rowCount_ = 0;
};

// Strict whole-number parsing as IntCell does it.
std::optional<std::int32_t> ParseTableInt(std::string_view text);
// A number the user typed or pasted into a cell or a --set: as ParseTableInt, but blanks
// around it are no part of it.
std::optional<std::int32_t> ParseTypedInt(std::string_view text);

// The running-key cipher of the text blocks. Each stored byte s gives s XOR (high byte of
// the key), and the key moves on with the stored byte: key = (key + s) * 30449 + 18517,
// modulo 65536. Both work in place; ScrambleStream is the inverse, feeding the key with the
// byte it produces.
void DescrambleStream(std::span<std::uint8_t> stream, std::uint16_t startKey);
void ScrambleStream(std::span<std::uint8_t> stream, std::uint16_t startKey);

// The lines of a descrambled block: CR LF, CR and LF end a line, a zero byte ends the text,
// and a last line without a break still counts. An empty text has no lines.
std::vector<std::string> SplitTextLines(ByteView text);

enum class TitlePictureStatus {
  kOk,
  kMissing,   // Z or R is 0: the file carries no picture
  kDamaged,   // the deflate data is broken, ends early, runs on or fails its check value;
              // bmp holds what could be inflated, padded with zeros to R bytes
  kTooLarge,  // R is beyond kMaxTitlePictureSize; bmp is empty
};

struct TitlePicture {
  TitlePictureStatus status = TitlePictureStatus::kMissing;
  Bytes bmp;
};

// The stored picture inflated to at most `inflatedSize` bytes. A damaged picture is not a
// failure of the whole file: the title page just shows less.
TitlePicture InflateTitlePicture(ByteView stored, std::uint32_t inflatedSize);
// The stored form of a picture: raw deflate data at the best level, then its Adler-32.
Bytes DeflateTitlePicture(ByteView bmp);

// A loaded data file. Loading fails with a sentence naming what is wrong and where (UTF-8,
// no trailing period): kDamaged for a size field, or the bytes it announces, that runs past
// the end of the file; kNotSupported for a file, blocks or lines beyond the limits above;
// kCannotOpen for a file that cannot be read.
struct GameData {
  PartyDataTable table;
  TitlePicture title;
  int blockCount = 0;
};

// The data file taken apart without interpreting the texts: the stored picture (a view into
// `file`, which must outlive it), its inflated size, and each block descrambled, byte for
// byte (anything after a zero byte included). brindle-dat unpacks from this.
struct GameDataBlocks {
  ByteView storedPicture;
  std::uint32_t inflatedSize = 0;
  std::vector<Bytes> texts;
};
Result<GameDataBlocks> SplitGameData(ByteView file);

// Loads a whole data file held in memory.
Result<GameData> LoadGameData(ByteView file);
// Loads the data file at path. An error's message names the path itself.
Result<GameData> LoadGameDataFile(const std::string& path);

// A data file from a BMP (empty: no picture) and the plain text of each column.
Bytes BuildGameData(ByteView titleBmp, const std::vector<Bytes>& columnTexts);

struct GameDataLocation {
  std::string path;                   // the first candidate that is a file; empty if none
  std::vector<std::string> searched;  // every place looked at, in order, up to the hit
};
// Looks for brindle.dat at the candidates (AppPaths::gameDataCandidates), in order.
GameDataLocation LocateGameDataFile(const std::vector<std::string>& candidates);

// What the programs say, on stderr and in a box, when no game data file is found.
std::string MissingGameDataMessage(const std::vector<std::string>& searched);

// The first data file among the candidates, loaded; or why the programs cannot start: none
// was found (MissingGameDataMessage, kCannotOpen) or it cannot be used ("The game data file
// PATH cannot be used: REASON.", kDamaged).
Result<GameData> FindGameData(const std::vector<std::string>& candidates);

}  // namespace brindle
