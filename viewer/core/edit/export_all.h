#pragma once
// Saving many entries in one go ("Export All...", "Export Selected...", brindle-cli
// extract): each entry becomes the file its page's save button writes, named after the
// entry, in one folder. The window and brindle-cli share these rules so that the same
// container gives the same files either way.

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/exports.h"
#include "viewer/core/host.h"

namespace brindle {

// The file name an entry is saved as: the entry name (as UTF-8) with its extension
// replaced by ext (kept when ext is empty), characters a file name cannot hold turned into
// "_", and "_" + index for names that are empty or only dots.
std::string ExtractFileName(const std::string& entryName, const std::string& ext, int index);

// Gives each file of one run a name no other file of the run has, ignoring case (the
// folder may be on a file system that ignores it): the later one gets "-" + its index
// before the extension, and "-2", "-3"... after that while the name is still taken.
class NameBook {
 public:
  std::string Claim(std::string name, int index);

 private:
  std::set<std::string> used_;
};

struct ExportAllOptions {
  std::string containerPath;  // where the open file lies (sprites look for their colours)
  std::string dir;            // the folder written to; empty: the current folder
  bool raw = false;           // the stored bytes instead of what the page saves
};

// What one entry's page would save (its stored bytes with options.raw), the messages said
// on the way as notes; progress is not reported.
Result<ExportedFile> ExportOneEntry(ByteFile& file, const TResourceInfo& entry,
                                    const ExportAllOptions& options);

enum class ExportOutcome {
  kWritten,    // saved, and nothing went wrong on the way
  kWithNotes,  // saved, though something went wrong on the way (see notes)
  kSkipped,    // the type has no file of its own yet
  kFailed,     // nothing saved (see message)
};

struct EntryExport {
  int index = -1;
  ExportOutcome outcome = ExportOutcome::kFailed;
  std::string target;              // the path written, when something was
  std::vector<std::string> notes;  // what went wrong on the way, in order
  std::string message;             // why nothing was saved
};

struct ExportAllSummary {
  int asked = 0;  // entries the run was given
  int written = 0;
  int skipped = 0;
  int failed = 0;
  bool cancelled = false;
  std::vector<EntryExport> trouble;  // every entry skipped, failed or saved with notes
};

// Saves the entries `indices` of dataFile (open for reading as `file`) into options.dir,
// creating the folder. Each entry is saved as ExportEntry gives it, or its stored bytes
// with options.raw; entries whose bytes are not all inside the file are never saved. The
// host hears the progress over the whole run (one step per entry) and nothing else; the
// messages said on the way become each entry's notes. `onEntry` hears each entry when it
// is done; returning false stops the run there (cancelled). Fails only when the folder
// cannot be made.
Result<ExportAllSummary> ExportEntries(ByteFile& file, const TDataFile& dataFile,
                                       const std::vector<int>& indices,
                                       const ExportAllOptions& options, CoreHost& host,
                                       const std::function<bool(const EntryExport&)>& onEntry);

// What the window says when a run is over: how many files went where, then the entries
// that could not be saved and why, the list cut short after `maxListed` of them.
std::string ExportSummaryText(const ExportAllSummary& summary, const TDataFile& dataFile,
                              const std::string& dir, std::size_t maxListed = 20);

}  // namespace brindle
