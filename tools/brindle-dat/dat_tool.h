#pragma once
// brindle-dat's two jobs, kept apart from main() so the tests can run them in-process.
//
// A source folder holds the title picture as "title.bmp" (optional: without it the data
// file carries no picture) and column k of the game data table as the text file
// ColumnFileName(k). The columns run from 0 up to the first one without a file. Text files
// go into the data file byte for byte, so unpacking gives back exactly the files packed.

#include <string>
#include <vector>

#include "common/result.h"

namespace brindle {

inline constexpr const char* kTitleFileName = "title.bmp";

// "00-party-value-offsets.txt" ... "18-item-heights.txt"; "19-column.txt" and so on past
// the columns the editor reads.
std::string ColumnFileName(int column);

struct DatToolReport {
  std::string summary;  // one line on what was done
  std::vector<std::string> warnings;
};

Result<DatToolReport> PackGameDataFolder(const std::string& sourceDir, const std::string& outFile);
// outDir is created when missing and must be empty otherwise, so no stale column file from
// an earlier unpack can slip into the next pack.
Result<DatToolReport> UnpackGameDataFile(const std::string& dataFile, const std::string& outDir);

}  // namespace brindle
