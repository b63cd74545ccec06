#pragma once
// Comparing two containers entry by entry: which entries were added, removed, changed or
// renamed between an old copy and a new one.

#include <functional>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

enum class DiffOp : char { kAdded = '+', kRemoved = '-', kModified = 'M', kRenamed = 'R' };

struct DiffLine {
  DiffOp op = DiffOp::kModified;
  int oldIndex = -1;    // in the old container; -1 for an added entry
  int newIndex = -1;    // in the new container; -1 for a removed entry
  std::string oldName;  // as stored (Windows-1252)
  std::string newName;
};

struct DiffOptions {
  // Payloads as extracted (inflated) instead of the stored bytes: an entry compressed anew
  // with the same content is the same.
  bool content = false;
};

// A side of the comparison: the container read, and its file open for reading.
struct DiffSide {
  TDataFile& dataFile;
  ByteFile& file;
};

// Entries pair up by name (exactly as stored; the n-th of a name with the n-th of it). A
// pair whose bytes differ is kModified. An old entry without a partner whose bytes are those
// of exactly one new entry without a partner, and no other unpaired entry's, is kRenamed;
// the rest are kRemoved and kAdded. Lines come in the old container's order (removed,
// modified, renamed), then the added entries in the new one's. An entry that lies outside
// its file, or a read that fails, is an error: nothing is said about the rest. Progress goes to
// the host's bar as the old entries are gone through.
Result<std::vector<DiffLine>> CompareContainers(DiffSide oldSide, DiffSide newSide,
                                                const DiffOptions& options, CoreHost& host);

// "+ NAME", "- NAME", "M NAME" or "R OLD -> NEW", each name as `show` gives it (UTF-8;
// converted from Windows-1252 and nothing else when no `show` is given).
using ShowName = std::function<std::string(const std::string& stored)>;
std::string DiffLineText(const DiffLine& line, const ShowName& show = {});

}  // namespace brindle
