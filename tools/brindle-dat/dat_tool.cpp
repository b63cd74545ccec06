#include "tools/brindle-dat/dat_tool.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/bmp.h"
#include "common/file.h"
#include "viewer/core/savegame/game_data.h"

namespace brindle {

namespace fs = std::filesystem;

namespace {

// File names say what each column holds, so the sources can be edited without a key.
constexpr std::array<const char*, kPartyDataColumns> kColumnNames = {
    "party-value-offsets",
    "party-value-widths",
    "party-value-captions",
    "character-value-offsets",
    "character-value-widths",
    "character-value-captions",
    "item-names",
    "enchantments",
    "skills",
    "second-enchantments",
    "item-statuses",
    "spells",
    "equipped-slots",
    "conditions",
    "statistics",
    "statistic-first-offsets",
    "statistic-second-offsets",
    "item-widths",
    "item-heights",
};

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Writes beside the target and renames, so a failed pack never leaves half a data file
// where the program would find it.
Status WriteReplacing(const std::string& path, ByteView bytes) {
  const std::string temp = path + ".part";
  if (Status written = WriteWholeFile(temp, bytes); !written) return written;
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(temp, ec);
    return Fail(why, ErrorKind::kWriteFailed);
  }
  return Ok();
}

}  // namespace

std::string ColumnFileName(int column) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02d-", column);
  const bool known = column >= 0 && column < kPartyDataColumns;
  return std::string(prefix) + (known ? kColumnNames[static_cast<std::size_t>(column)] : "column") +
         ".txt";
}

Result<DatToolReport> PackGameDataFolder(const std::string& sourceDir, const std::string& outFile) {
  std::error_code ec;
  const fs::path src(sourceDir);
  if (!fs::is_directory(src, ec)) return Fail(sourceDir + " is not a folder");

  Bytes bmp;
  const fs::path titlePath = src / kTitleFileName;
  DatToolReport result;
  if (IsFile(titlePath)) {
    Result<Bytes> read = ReadWholeFile(titlePath.string());
    if (!read) return read.error();
    bmp = std::move(*read);
    if (!ReadBmpSize(bmp)) return Fail(titlePath.string() + " is no BMP file");
    if (bmp.size() > kMaxTitlePictureSize)
      return Fail(titlePath.string() + " is larger than " + std::to_string(kMaxTitlePictureSize) +
                  " bytes");
  } else {
    result.warnings.push_back("no " + std::string(kTitleFileName) +
                              ": the data file carries no title picture");
  }

  std::vector<Bytes> texts;
  for (int k = 0; IsFile(src / ColumnFileName(k)); ++k) {
    const fs::path p = src / ColumnFileName(k);
    Result<Bytes> read = ReadWholeFile(p.string());
    if (!read) return read.error();
    Bytes text = std::move(*read);
    // A zero byte ends a column's text when it is loaded; what followed would be lost.
    auto nul = std::find(text.begin(), text.end(), std::uint8_t{0});
    if (nul != text.end())
      return Fail(p.string() + " holds a zero byte at offset " +
                  std::to_string(nul - text.begin()) + ", which would end the column there");
    texts.push_back(std::move(text));
  }
  for (int k = static_cast<int>(texts.size()) + 1; k < kPartyDataColumns; ++k) {
    if (IsFile(src / ColumnFileName(k)))
      return Fail((src / ColumnFileName(k)).string() + " is there but " +
                  (src / ColumnFileName(static_cast<int>(texts.size()))).string() +
                  " is missing; columns are taken in order up to the first missing one");
  }
  if (texts.size() < static_cast<std::size_t>(kPartyDataColumns))
    result.warnings.push_back("only " + std::to_string(texts.size()) + " of the " +
                              std::to_string(kPartyDataColumns) +
                              " columns the editor reads are there");

  const Bytes dat = BuildGameData(bmp, texts);
  // What we write has to load, and load whole.
  const Result<GameData> check = LoadGameData(dat);
  if (!check) return Fail("The packed data would not load: " + check.message());
  if (check->blockCount != static_cast<int>(texts.size()))
    return Fail("The packed data would not load all " + std::to_string(texts.size()) + " columns");
  if (!bmp.empty() && check->title.status != TitlePictureStatus::kOk)
    return Fail("The packed title picture would not inflate again");

  if (Status w = WriteReplacing(outFile, dat); !w)
    return Fail("Cannot write " + outFile + ": " + w.message());
  result.summary = "packed " + std::to_string(texts.size()) + " columns" +
                   (bmp.empty() ? std::string() : " and the title picture") + " into " + outFile +
                   " (" + std::to_string(dat.size()) + " bytes)";
  return result;
}

Result<DatToolReport> UnpackGameDataFile(const std::string& dataFile, const std::string& outDir) {
  Bytes dat;
  {
    Result<std::unique_ptr<PosixFile>> opened = PosixFile::Open(dataFile, FileMode::kReadShared);
    if (!opened) return Fail("Cannot read " + dataFile + ": " + opened.error().cause);
    PosixFile* file = opened->get();
    if (file->Size() > kMaxGameDataFileSize)
      return Fail(dataFile + " is larger than any data file (" +
                  std::to_string(kMaxGameDataFileSize) + " bytes)");
    dat.resize(static_cast<std::size_t>(file->Size()));
    if (Status read = file->ReadExact(0, dat.data(), dat.size()); !read) return read.error();
  }
  const Result<GameDataBlocks> split = SplitGameData(dat);
  if (!split) return Fail(dataFile + ": " + split.message());
  const GameDataBlocks& parts = *split;

  std::error_code ec;
  const fs::path out(outDir);
  if (fs::exists(out, ec)) {
    if (!fs::is_directory(out, ec)) return Fail(outDir + " is not a folder");
    if (!fs::is_empty(out, ec)) return Fail(outDir + " is not empty");
  } else if (!fs::create_directories(out, ec)) {
    return Fail("Cannot create " + outDir + ": " + ec.message());
  }

  DatToolReport result;
  const TitlePicture title = InflateTitlePicture(parts.storedPicture, parts.inflatedSize);
  switch (title.status) {
    case TitlePictureStatus::kOk:
      break;
    case TitlePictureStatus::kMissing:
      result.warnings.push_back("the data file carries no title picture");
      break;
    case TitlePictureStatus::kDamaged:
      result.warnings.push_back("the title picture is damaged; " + std::string(kTitleFileName) +
                                " holds what could be inflated");
      break;
    case TitlePictureStatus::kTooLarge:
      result.warnings.push_back("the title picture claims " + std::to_string(parts.inflatedSize) +
                                " bytes and is left out");
      break;
  }
  if (!title.bmp.empty()) {
    const std::string p = (out / kTitleFileName).string();
    if (Status w = WriteWholeFile(p, title.bmp); !w)
      return Fail("Cannot write " + p + ": " + w.message());
  }
  for (std::size_t k = 0; k < parts.texts.size(); ++k) {
    const fs::path p = out / ColumnFileName(static_cast<int>(k));
    if (Status w = WriteWholeFile(p.string(), parts.texts[k]); !w)
      return Fail("Cannot write " + p.string() + ": " + w.message());
  }
  result.summary = "unpacked " + std::to_string(parts.texts.size()) + " columns" +
                   (title.bmp.empty() ? std::string() : " and the title picture") + " into " +
                   outDir;
  return result;
}

}  // namespace brindle
