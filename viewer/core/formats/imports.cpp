#include "viewer/core/formats/imports.h"

#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/sounds.h"
#include "viewer/core/formats/texts.h"

namespace brindle {

ImportConverters CoreImportConverters() {
  const ImportConverter bitmap = ImportBitmapFile;
  return {
      {rtIcon, bitmap},
      {rtBitmap, bitmap},
      {rtText, [](TDataFile& df, int index, const std::string& path, bool,
                  CoreHost& host) { return ImportTextFile(df, index, path, host); }},
      {rtSound, [](TDataFile& df, int index, const std::string& path, bool,
                   CoreHost& host) { return ImportSoundFile(df, index, path, host); }},
  };
}

}  // namespace brindle
