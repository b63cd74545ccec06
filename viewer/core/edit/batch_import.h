#pragma once
// "Batch Import...": files matched to entries by name, each handed to the import of its
// entry's type. The conversions come from a table of imports (see formats/imports.h), so
// the batch runs with whatever imports the caller hands it.

#include <string>
#include <vector>

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/imports.h"
#include "viewer/core/host.h"

namespace brindle {

struct BatchSummary {
  int imported = 0;  // entries replaced
  int refused = 0;   // files whose import said no (each said why through the host)
  std::vector<std::string> unmatched;  // files no entry's name matches, as given
};

// "3 files imported, 1 failed, 2 matched no entry" (the last part only when some did).
std::string BatchSummaryText(const BatchSummary& summary);

struct ImportMatch {
  int index = -1;    // the entry
  std::string file;  // the file that replaces it, as given
};
struct ImportMatches {
  std::vector<ImportMatch> matches;    // in directory order
  std::vector<std::string> unmatched;  // files no entry's name matches, as given
};

// Which file replaces which entry, by the rules below; the matched entries are identified
// on the way (a read that fails is an error). Nothing is written.
Result<ImportMatches> MatchImportFiles(TDataFile& dataFile, const std::vector<std::string>& files);

// Runs the batch over the selected files (paths, in the selection's order). Entries are
// visited in directory order; each takes the first file whose name (folder removed, upper
// case) equals its own. An entry whose name has no extension that no file matches so takes
// the first file named like it with the extension its type is extracted with (.bmp for a
// bitmap or icon, .wav for a sound, .txt for a text), so extracted files go back where
// they came from. Files matching no entry are listed in the summary. A file whose
// import fails is reported through the host's Message as it happens, and the batch goes on.
// An entry whose bytes are not all inside the file is refused with what is wrong with it.
// The batch as a whole fails with "Data file must be loaded first!", with "Importing into
// current data file not implemented!" when the container's kind takes no imports
// (kNotSupported, before any file is looked at), or with "File PATH is in use by another program."
// (kInUse) as soon as another program holds the container; it stops there.
Result<BatchSummary> BatchImport(TDataFile& dataFile, const std::vector<std::string>& files,
                                 const ImportConverters& converters, CoreHost& host);

}  // namespace brindle
