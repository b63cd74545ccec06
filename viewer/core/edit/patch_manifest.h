#pragma once
// The manifest of a patch: what a mod changes in a container, entry by entry, with the
// SHA-256 of the bytes each change expects to find and of those it brings. It is the file
// "manifest.json" of the patch's zip; README.md describes the format for other tools.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace brindle {

enum class PatchOp : std::uint8_t { kAdd, kReplace, kRemove, kRename };

// "add", "replace", "remove", "rename".
std::string_view PatchOpName(PatchOp op);

struct PatchChange {
  PatchOp op = PatchOp::kReplace;
  std::string name;       // the entry (Windows-1252, as stored)
  std::string newName;    // rename: the name it gets
  std::string base;       // SHA-256 (64 lower-case hex digits) of the entry's stored bytes as
                          // the patch found them; empty for add
  std::string result;     // add, replace: SHA-256 of the stored bytes it brings
  std::string file;       // add, replace: the zip's member holding those bytes
  std::int64_t size = 0;  // add, replace: their length
  std::int32_t unpackedSize = 0;  // add, replace in a SND: the size once inflated (0: raw)
};

struct PatchManifest {
  static constexpr int kFormat = 1;
  int format = kFormat;
  std::string title;       // UTF-8
  std::string author;      // UTF-8
  std::string kind;        // the container kind, as brindle-cli names it ("icons", "snd")
  std::string identifier;  // a LOD's identifier ("ICONS"), or the extension (".snd")
  std::vector<PatchChange> changes;
};

// Limits a manifest is held to: its size, its changes, a member's name.
inline constexpr std::size_t kMaxManifestBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxPatchChanges = 200000;
inline constexpr std::int64_t kMaxPatchEntryBytes = 0x7FFFFFFF;

// The manifest as JSON (UTF-8, two-space indented, one change an object).
std::string WriteManifest(const PatchManifest& manifest);

// Reads and checks a manifest: the format version, a kind brindle knows, each change's
// operation, names that fit a directory, hashes of 64 hex digits, members named
// "entries/..." without "..", sizes in range. Anything else is refused (kDamaged) with
// what is wrong.
Result<PatchManifest> ReadManifest(std::string_view json);

// True for a zip member name a patch may use: relative, "/" separated, no "." or ".."
// parts, no backslash, no drive letter, printable ASCII.
bool SafeMemberName(std::string_view name);

}  // namespace brindle
