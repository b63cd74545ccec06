#pragma once
// Patches: what a mod changes in a container, handed out as a zip of a manifest and the new
// entries' stored bytes, and applied to someone else's copy only where that copy still
// holds what the patch was made against.

#include <string>
#include <vector>

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/edit/patch_manifest.h"
#include "viewer/core/edit/rebuild.h"
#include "viewer/core/host.h"

namespace brindle {

// SHA-256 of the bytes, as 64 lower-case hex digits.
std::string Sha256Hex(ByteView bytes);

struct PatchMade {
  int changes = 0;
};

// Writes the changes from the container oldPath to newPath into the zip at zipPath (replaced
// whole, or left as it was on failure). Both must be the same kind of container. When they
// hold the same entries nothing is written and no changes are counted.
Result<PatchMade> MakePatch(const std::string& oldPath, const std::string& newPath,
                            const std::string& zipPath, const std::string& title,
                            const std::string& author, CoreHost& host);

// Opens a patch and checks it whole before anything uses it: member names that could reach
// outside a folder ("/x", "../x", "a\\b"), links, members that inflate out of all proportion
// or past the size an entry can have, a manifest that is missing or damaged, and files the
// manifest names that are not there or not of the size it gives. Any of these: kDamaged.
Result<PatchManifest> ReadPatchManifest(const std::string& zipPath);

struct PatchConflict {
  std::string name;    // the change's entry (Windows-1252)
  std::string reason;  // "changed since the patch was made", "missing", "the name is taken"
};

struct PatchOptions {
  bool dryRun = false;  // check and say what would be done; write nothing
  bool force = false;   // apply what does not conflict, skipping the rest
};

struct PatchReport {
  std::vector<std::string> applied;  // "Replaced NAME", ... (what would be, in a dry run)
  std::vector<PatchConflict> conflicts;
  bool alreadyApplied = false;  // every change was found made: nothing written
  bool written = false;
};

// Applies the patch at zipPath to the open container. Every change is checked against the
// container first: an entry it replaces, removes or renames must hold the bytes the patch
// was made against, and a name it adds or renames to must be free. A change already made is
// passed over; a patch all of whose changes are made is "already applied" and nothing is
// written. Conflicts write nothing unless options.force. The container is rewritten as every
// rebuild is (files); the new entries' bytes are read from the zip while the new file is
// written, never all at once, and checked against their hashes on the way: a member that
// fails its check leaves the container as it was. A dry run reads and checks them too.
Result<PatchReport> ApplyPatch(TDataFile& dataFile, const std::string& zipPath,
                               const PatchOptions& options, CoreHost& host,
                               RebuildFiles& files = DiskRebuildFiles());

}  // namespace brindle
