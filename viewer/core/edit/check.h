#pragma once
// Checking a container without changing it: every entry lies inside the file and apart from
// the others, every compressed payload inflates to its stated size with a matching checksum,
// every picture decodes, every identified type reads as its page would read it, a LOD's
// length field reaches past every entry, and the bytes nothing uses are counted.
//
// Only one entry's bytes are held at a time, and compressed payloads are inflated a piece at
// a time, so a check needs no more memory than the largest stored entry, whatever the size of
// the container.

#include <cstdint>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

struct CheckProblem {
  int index = -1;    // the entry's; -1 for the container as a whole
  std::string name;  // the entry's name as stored (Windows-1252); empty for the container
  std::string text;  // what is wrong, in UTF-8
};

struct CheckReport {
  std::int64_t entries = 0;
  std::vector<CheckProblem> problems;  // in entry order, the container's own last
  std::int64_t unreferencedBytes = 0;  // bytes neither the header, the directory nor an entry use
};

// Checks the open container read from `file` (its directory and identified types in
// dataFile). Progress goes to the host's panel. A read that fails is the check's error
// (kReadFailed): a problem is only ever something the bytes say.
Result<CheckReport> CheckContainer(const TDataFile& dataFile, ByteFile& file, CoreHost& host);

// Opens the container at path for reading (never for writing), identifies its entries and
// checks it. Fails as OpenContainer does when the file cannot be opened or read.
Result<CheckReport> CheckContainerFile(const std::string& path, CoreHost& host);

// "N entries checked, P problems, U bytes used by no entry".
std::string CheckSummary(const CheckReport& report);

// Who a problem belongs to, on one line whatever bytes the name holds: the entry's name in
// UTF-8 with control characters escaped, or the container's file name for its own problems.
std::string ProblemOwner(const CheckProblem& problem, const std::string& containerPath);

// What the window shows: the summary, then a line "NAME: PROBLEM" per problem, the first
// maxProblems of them and "... and N more" for the rest.
std::string CheckReportText(const CheckReport& report, const std::string& containerPath,
                            std::size_t maxProblems);

}  // namespace brindle
