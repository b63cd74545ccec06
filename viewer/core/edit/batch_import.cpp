#include "viewer/core/edit/batch_import.h"

#include <algorithm>
#include <array>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/sounds.h"
#include "viewer/core/formats/texts.h"

namespace brindle {

namespace {

// What each kind of container takes: the entry type, its converter and the size rule.
struct ImportRule {
  TContainerKind kind;
  TResourceType type;
  ImportConverter ImportConverters::*converter;
  bool sameSize;
};

constexpr std::array<ImportRule, 4> kImportRules = {{
    {ckIcons, rtIcon, &ImportConverters::bitmap, false},
    {ckIcons, rtText, &ImportConverters::text, false},
    {ckBitmaps, rtBitmap, &ImportConverters::bitmap, true},
    {ckSnd, rtSound, &ImportConverters::sound, false},
}};

bool KindTakesImports(TContainerKind kind) {
  return std::any_of(kImportRules.begin(), kImportRules.end(),
                     [&](const ImportRule& r) { return r.kind == kind; });
}

}  // namespace

ImportConverters CoreImportConverters() {
  ImportConverters c;
  c.bitmap = [](TDataFile& df, int index, const std::string& path, bool sameSize, CoreHost& host) {
    ImportBitmapFile(df, index, path, sameSize, host);
  };
  c.text = [](TDataFile& df, int index, const std::string& path, bool, CoreHost& host) {
    ImportTextFile(df, index, path, host);
  };
  c.sound = [](TDataFile& df, int index, const std::string& path, bool, CoreHost& host) {
    ImportSoundFile(df, index, path, host);
  };
  return c;
}

BatchResult BatchImport(TDataFile& dataFile, const std::vector<std::string>& files,
                        const ImportConverters& converters, CoreHost& host) {
  if (dataFile.FileName.empty()) {
    host.Message("Data file must be loaded first!");
    return BatchResult::kNoContainer;
  }
  // Names as the user sees them: file names are UTF-8 here, entry names Windows-1252.
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const std::string& f : files)
    names.push_back(UpperAscii(BaseName(f)));

  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i) {
    const std::string wanted = UpperAscii(Cp1252ToUtf8(dataFile.Entries[i].Name));
    auto match = std::find(names.begin(), names.end(), wanted);
    if (match == names.end()) continue;
    const std::string& path = files[static_cast<std::size_t>(match - names.begin())];
    const int index = static_cast<int>(i);

    IdentifyEntry(dataFile, index);
    if (!KindTakesImports(dataFile.Kind)) {
      host.Message("Importing into current data file not implemented!");
      return BatchResult::kKindNotSupported;
    }
    const TResourceType type = dataFile.Entries[i].ResType;
    auto rule = std::find_if(kImportRules.begin(), kImportRules.end(), [&](const ImportRule& r) {
      return r.kind == dataFile.Kind && r.type == type;
    });
    if (rule == kImportRules.end()) {
      host.Message("Importing of file " + *match + " format not implemented!");
      continue;
    }
    const ImportConverter& convert = converters.*(rule->converter);
    if (!convert) {
      host.Message("Importing for current file format not implemented!");
      continue;
    }
    convert(dataFile, index, path, rule->sameSize, host);
  }
  return BatchResult::kDone;
}

}  // namespace brindle
