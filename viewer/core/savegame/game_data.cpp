#include "viewer/core/savegame/game_data.h"

#include "common/codepage.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <utility>

#include "common/file.h"

namespace brindle {

namespace {

const std::string kEmptyText;

std::uint16_t NextKey(std::uint16_t key, std::uint8_t stored) {
  // Unsigned arithmetic wraps exactly as the 16-bit key does.
  return static_cast<std::uint16_t>((static_cast<std::uint32_t>(key) + stored) * 30449u + 18517u);
}

}  // namespace

// ---- the table -------------------------------------------------------------------------

PartyDataTable::PartyDataTable() : columns_(kPartyDataColumns) {}

const std::string& PartyDataTable::Cell(int col, int row) const {
  if (col < 0 || col >= ColCount() || row < 0) return kEmptyText;
  const auto& lines = columns_[static_cast<std::size_t>(col)];
  return static_cast<std::size_t>(row) < lines.size() ? lines[static_cast<std::size_t>(row)]
                                                      : kEmptyText;
}

std::vector<std::string> PartyDataTable::Column(int col) const {
  std::vector<std::string> out(static_cast<std::size_t>(rowCount_));
  if (col < 0 || col >= ColCount()) return out;
  const auto& lines = columns_[static_cast<std::size_t>(col)];
  std::copy(lines.begin(), lines.end(), out.begin());
  return out;
}

int PartyDataTable::FindRow(int col, std::string_view text) const {
  // Rows below a column's last line are empty cells of the grid, so empty text finds the
  // first of them, as a search of the grid's column would.
  for (int row = 0; row < rowCount_; ++row) {
    if (EqualsIgnoreCase1252(Cell(col, row), text)) return row;
  }
  return -1;
}

std::optional<std::int32_t> PartyDataTable::IntCell(int col, int row) const {
  return ParseTableInt(Cell(col, row));
}

void PartyDataTable::SetColumn(int col, std::vector<std::string> lines) {
  if (col < 0) return;
  if (col >= ColCount()) columns_.resize(static_cast<std::size_t>(col) + 1);
  rowCount_ = std::max(rowCount_, static_cast<int>(lines.size()));
  columns_[static_cast<std::size_t>(col)] = std::move(lines);
}

std::optional<std::int32_t> ParseTableInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseTypedInt(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  return ParseTableInt(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// ---- scrambling and lines --------------------------------------------------------------

void DescrambleStream(std::span<std::uint8_t> stream, std::uint16_t startKey) {
  std::uint16_t key = startKey;
  for (std::uint8_t& b : stream) {
    const std::uint8_t stored = b;
    b = static_cast<std::uint8_t>(stored ^ (key >> 8));
    key = NextKey(key, stored);
  }
}

void ScrambleStream(std::span<std::uint8_t> stream, std::uint16_t startKey) {
  std::uint16_t key = startKey;
  for (std::uint8_t& b : stream) {
    b = static_cast<std::uint8_t>(b ^ (key >> 8));
    key = NextKey(key, b);
  }
}

namespace {

// Calls line(start, length) for each line of the text, as SplitTextLines describes.
template <typename F>
void ForEachLine(ByteView text, F&& line) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] != 0) {
    const std::size_t start = i;
    while (i < n && text[i] != 0 && text[i] != '\r' && text[i] != '\n')
      ++i;
    line(start, i - start);
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
  }
}

std::size_t CountTextLines(ByteView text) {
  std::size_t count = 0;
  ForEachLine(text, [&](std::size_t, std::size_t) { ++count; });
  return count;
}

}  // namespace

std::vector<std::string> SplitTextLines(ByteView text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&](std::size_t start, std::size_t length) {
    lines.emplace_back(reinterpret_cast<const char*>(text.data()) + start, length);
  });
  return lines;
}

// ---- the title picture -----------------------------------------------------------------

TitlePicture InflateTitlePicture(ByteView stored, std::uint32_t inflatedSize) {
  TitlePicture pic;
  if (stored.empty() || inflatedSize == 0) return pic;
  if (inflatedSize > kMaxTitlePictureSize) {
    pic.status = TitlePictureStatus::kTooLarge;
    return pic;
  }
  // Deflate cannot expand a byte to more than about 1032, so a size the stored bytes could
  // never reach is not worth allocating: the picture is damaged whatever happens.
  const std::uint64_t reachable = static_cast<std::uint64_t>(stored.size()) * 1032 + 1024;
  const std::size_t capacity =
      static_cast<std::size_t>(std::min<std::uint64_t>(inflatedSize, reachable));
  pic.bmp.assign(capacity, 0);

  z_stream zs{};
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) {
    pic.status = TitlePictureStatus::kDamaged;
    pic.bmp.clear();
    return pic;
  }
  zs.next_in = const_cast<Bytef*>(stored.data());
  zs.avail_in =
      static_cast<uInt>(std::min<std::size_t>(stored.size(), std::numeric_limits<uInt>::max()));
  zs.next_out = pic.bmp.data();
  zs.avail_out = static_cast<uInt>(capacity);
  const int rc = inflate(&zs, Z_FINISH);
  const std::size_t produced = capacity - zs.avail_out;
  bool sound = rc == Z_STREAM_END && produced == inflatedSize;
  if (sound && zs.avail_in >= 4) {
    // The check value is optional; when it is there it has to agree.
    const std::uint8_t* t = zs.next_in;
    const std::uint32_t stated = (std::uint32_t{t[0]} << 24) | (std::uint32_t{t[1]} << 16) |
                                 (std::uint32_t{t[2]} << 8) | std::uint32_t{t[3]};
    const uLong actual =
        adler32(adler32(0L, Z_NULL, 0), pic.bmp.data(), static_cast<uInt>(produced));
    sound = stated == actual;
  }
  inflateEnd(&zs);
  pic.status = sound ? TitlePictureStatus::kOk : TitlePictureStatus::kDamaged;
  return pic;
}

Bytes DeflateTitlePicture(ByteView bmp) {
  // A whole zlib stream with its two header bytes taken off is exactly the stored form.
  uLongf size = compressBound(static_cast<uLong>(bmp.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, bmp.data(), static_cast<uLong>(bmp.size()),
                Z_BEST_COMPRESSION) != Z_OK ||
      size < 2) {
    return {};
  }
  out.resize(size);
  out.erase(out.begin(), out.begin() + 2);
  return out;
}

// ---- loading ---------------------------------------------------------------------------

Result<GameDataBlocks> SplitGameData(ByteView file) {
  auto tooLarge = [](std::string message) {
    return Fail(std::move(message), ErrorKind::kNotSupported);
  };
  auto truncated = [](std::string message) {
    return Fail(std::move(message), ErrorKind::kDamaged);
  };
  if (static_cast<std::int64_t>(file.size()) > kMaxGameDataFileSize)
    return tooLarge("The data file is " + std::to_string(file.size()) +
                    " bytes long, more than the " + std::to_string(kMaxGameDataFileSize) +
                    " bytes allowed");
  if (file.size() < 8)
    return truncated("The data file is " + std::to_string(file.size()) +
                     " bytes long, too short for its header");

  GameDataBlocks parts;
  const std::uint32_t stored = ReadU32(file, 0);
  parts.inflatedSize = ReadU32(file, 4);
  if (stored > file.size() - 8)
    return truncated("The title picture's " + std::to_string(stored) +
                     " bytes run past the end of the data file");
  parts.storedPicture = file.subspan(8, stored);

  // Every block costs at least its 4-byte size, so the count is bounded by the file; the
  // limit keeps a file of empty blocks from turning into a million columns.
  std::size_t pos = 8 + static_cast<std::size_t>(stored);
  while (pos < file.size()) {
    const std::size_t k = parts.texts.size();
    if (k >= static_cast<std::size_t>(kMaxTextBlocks))
      return tooLarge("The data file has more than " + std::to_string(kMaxTextBlocks) +
                      " text blocks");
    if (file.size() - pos < 4)
      return truncated("The size of text block " + std::to_string(k) +
                       " is cut off at the end of the data file");
    const std::uint32_t length = ReadU32(file, pos);
    pos += 4;
    if (length > file.size() - pos)
      return truncated("Text block " + std::to_string(k) + " (" + std::to_string(length) +
                       " bytes) runs past the end of the data file");
    Bytes text(file.begin() + static_cast<std::ptrdiff_t>(pos),
               file.begin() + static_cast<std::ptrdiff_t>(pos + length));
    pos += length;
    DescrambleStream(text, kGameDataKey);
    parts.texts.push_back(std::move(text));
  }
  return parts;
}

Result<GameData> LoadGameData(ByteView file) {
  Result<GameDataBlocks> parts = SplitGameData(file);
  if (!parts) return parts.error();
  GameData data;
  data.title = InflateTitlePicture(parts->storedPicture, parts->inflatedSize);
  // A line costs a string even when the text behind it is a single line break, so lines
  // are counted before any is made and the table is held to a limit of its own.
  std::int64_t totalLines = 0;
  for (std::size_t k = 0; k < parts->texts.size(); ++k) {
    totalLines += static_cast<std::int64_t>(CountTextLines(parts->texts[k]));
    if (totalLines > kMaxTableLines)
      return Fail(
          "The data file's text blocks hold more than " + std::to_string(kMaxTableLines) + " lines",
          ErrorKind::kNotSupported);
    data.table.SetColumn(static_cast<int>(k), SplitTextLines(parts->texts[k]));
    data.blockCount = static_cast<int>(k) + 1;
  }
  return data;
}

Result<GameData> LoadGameDataFile(const std::string& path) {
  Result<std::unique_ptr<PosixFile>> opened = PosixFile::Open(path, FileMode::kReadShared);
  if (!opened)
    return Fail("Cannot read " + path + ": " + opened.error().cause, ErrorKind::kCannotOpen);
  PosixFile& file = **opened;
  const std::int64_t size = file.Size();
  if (size > kMaxGameDataFileSize)
    return Fail(path + " is " + std::to_string(size) + " bytes long, more than the " +
                    std::to_string(kMaxGameDataFileSize) + " bytes allowed for a data file",
                ErrorKind::kNotSupported);
  Bytes bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
  if (Status read = file.ReadExact(0, bytes.data(), bytes.size()); !read) return read.error();
  Result<GameData> data = LoadGameData(bytes);
  if (!data) return Fail(path + ": " + data.message(), data.kind());
  return data;
}

// ---- writing ---------------------------------------------------------------------------

Bytes BuildGameData(ByteView titleBmp, const std::vector<Bytes>& columnTexts) {
  ByteWriter w;
  const Bytes stored = titleBmp.empty() ? Bytes{} : DeflateTitlePicture(titleBmp);
  w.U32(static_cast<std::uint32_t>(stored.size()));
  w.U32(static_cast<std::uint32_t>(stored.empty() ? 0 : titleBmp.size()));
  w.Append(stored);
  for (const Bytes& text : columnTexts) {
    Bytes block = text;
    ScrambleStream(block, kGameDataKey);
    w.U32(static_cast<std::uint32_t>(block.size()));
    w.Append(block);
  }
  return w.Take();
}

// ---- finding the file ------------------------------------------------------------------

GameDataLocation LocateGameDataFile(const std::vector<std::string>& candidates) {
  GameDataLocation where;
  for (const std::string& place : candidates) {
    where.searched.push_back(place);
    std::error_code ec;
    if (std::filesystem::is_regular_file(place, ec)) {
      where.path = place;
      break;
    }
  }
  return where;
}

std::string MissingGameDataMessage(const std::vector<std::string>& searched) {
  std::string text = "The game data file brindle.dat was not found. Looked for it at:";
  for (const std::string& p : searched)
    text += "\n  " + p;
  return text;
}

Result<GameData> FindGameData(const std::vector<std::string>& candidates) {
  const GameDataLocation where = LocateGameDataFile(candidates);
  if (where.path.empty())
    return Fail(MissingGameDataMessage(where.searched), ErrorKind::kCannotOpen);
  Result<GameData> data = LoadGameDataFile(where.path);
  if (!data)
    return Fail("The game data file " + where.path + " cannot be used: " + data.message() + ".",
                ErrorKind::kDamaged);
  return data;
}

}  // namespace brindle
