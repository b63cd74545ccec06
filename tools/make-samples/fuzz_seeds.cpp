// Seed inputs for the fuzz targets that read containers and entries, cut from the sample
// folder in the shape each target maps its bytes to, so a fuzzer starts from inputs that
// reach deep into the readers instead of from nothing.

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

#include "common/file.h"
#include "tools/make-samples/samples.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/edit/patch_manifest.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"

namespace samples {
namespace {

using namespace brindle;

struct OpenedSample {
  const SampleContainer* source = nullptr;
  Bytes bytes;
  TDataFile dataFile;
};

OpenedSample OpenSample(const SampleContainer& c) {
  OpenedSample o{&c, BuildContainer(c), {}};
  MemoryFile file(o.bytes);
  SilentHost host;
  o.dataFile.FileName = c.fileName;
  // A file in memory cannot fail a read.
  o.dataFile.Kind = RecogniseContainer(file, c.fileName).value();
  (void)ReadDirectory(file, o.dataFile.Kind, o.dataFile.Entries, host);
  (void)IdentifyAll(o.dataFile, file);
  return o;
}

// The entry's bytes as they lie in the container.
Bytes StoredBytes(const OpenedSample& o, const TResourceInfo& e) {
  const auto begin = o.bytes.begin() + e.Offset;
  return Bytes(begin, begin + e.Size);
}

// A file name from an entry name: letters, digits, dots, dashes and underscores.
std::string FileNamePart(const std::string& s) {
  std::string out;
  for (unsigned char ch : s)
    out += std::isalnum(ch) || ch == '.' || ch == '-' || ch == '_' ? static_cast<char>(ch) : '_';
  return out;
}

// The container with as many of its entries, in order, as keep it small: the directory and
// a few entries of each type are what the readers need, and small inputs fuzz faster.
Bytes SmallContainer(const SampleContainer& c) {
  constexpr std::size_t kBudget = 24 * 1024;
  SampleContainer small = c;
  small.entries.clear();
  std::size_t total = 0;
  for (const SampleEntry& e : c.entries) {
    if (total + e.entry.bytes.size() > kBudget) continue;
    total += e.entry.bytes.size();
    small.entries.push_back(e);
  }
  return BuildContainer(small);
}

// fuzz_directory: whole containers of every family.
void DirectorySeeds(const std::vector<SampleContainer>& folder, std::vector<FuzzSeed>& out) {
  for (const SampleContainer& c : folder) {
    Bytes bytes = SmallContainer(c);
    if (bytes.size() <= kMaxFuzzSeedSize) out.push_back({"fuzz_directory", c.fileName, bytes});
  }
}

// fuzz_extract: the directory fields as four little-endian words, then the entry alone.
void ExtractSeeds(const std::vector<OpenedSample>& opened, std::vector<FuzzSeed>& out) {
  // The smallest entry of each container kind, stored and packed: the families differ in
  // their headers and in where the sizes come from.
  std::map<std::pair<int, bool>, std::pair<const OpenedSample*, const TResourceInfo*>> smallest;
  for (const OpenedSample& o : opened) {
    for (const TResourceInfo& e : o.dataFile.Entries) {
      auto [it, fresh] = smallest.try_emplace({o.dataFile.Kind, e.UnpackedSize != 0}, &o, &e);
      if (!fresh && e.Size < it->second.second->Size) it->second = {&o, &e};
    }
  }
  for (const auto& [key, where] : smallest) {
    const auto& [o, e] = where;
    if (e->Size + 16 > static_cast<std::int32_t>(kMaxFuzzSeedSize)) continue;
    Bytes seed;
    for (std::int32_t v : {0, e->Size, e->PackedSize, e->UnpackedSize}) {
      for (int i = 0; i < 4; ++i)
        seed.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    }
    const Bytes stored = StoredBytes(*o, *e);
    seed.insert(seed.end(), stored.begin(), stored.end());
    out.push_back({"fuzz_extract", FileNamePart(o->source->fileName + "-" + e->Name), seed});
  }
}

// The name fuzz_identify should give an entry: the one of its list with the same whole name
// (identification matches PARTY.BIN so), else with the same extension, else the bare name.
std::uint8_t IdentifyNameIndex(const std::string& name) {
  auto upper = [](std::string s) {
    for (char& ch : s)
      ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
  };
  const std::uint8_t count = std::size(kIdentifyFuzzNames);
  for (std::uint8_t i = 0; i < count; ++i) {
    if (upper(kIdentifyFuzzNames[i]) == upper(name)) return i;
  }
  const std::string ext = UpperExtension(name);
  for (std::uint8_t i = 0; i < count; ++i) {
    if (!ext.empty() && UpperExtension(kIdentifyFuzzNames[i]) == ext) return i;
  }
  return 0;
}

// fuzz_identify: the container kind, the name choice (the entry at offset 0), the entry.
void IdentifySeeds(const std::vector<OpenedSample>& opened, std::vector<FuzzSeed>& out) {
  // The smallest entry of each type.
  std::map<TResourceType, std::pair<const OpenedSample*, const TResourceInfo*>> smallest;
  for (const OpenedSample& o : opened) {
    for (const TResourceInfo& e : o.dataFile.Entries) {
      if (e.Size + 2 > static_cast<std::int32_t>(kMaxFuzzSeedSize)) continue;
      auto [it, fresh] = smallest.try_emplace(e.ResType, &o, &e);
      if (!fresh && e.Size < it->second.second->Size) it->second = {&o, &e};
    }
  }
  for (const auto& [type, where] : smallest) {
    const auto& [o, e] = where;
    Bytes seed{static_cast<std::uint8_t>(o->dataFile.Kind), IdentifyNameIndex(e->Name)};
    const Bytes stored = StoredBytes(*o, *e);
    seed.insert(seed.end(), stored.begin(), stored.end());
    out.push_back(
        {"fuzz_identify", std::string(ResourceTypeName(type)) + "-" + FileNamePart(e->Name), seed});
  }
}

// fuzz_hexdump: any bytes; lengths around the 16-byte line.
void HexDumpSeeds(const std::vector<OpenedSample>& opened, std::vector<FuzzSeed>& out) {
  const OpenedSample& o = opened.front();
  const Bytes stored = StoredBytes(o, o.dataFile.Entries.front());
  for (std::size_t n : {1, 16, 17, 300}) {
    const std::size_t take = std::min(n, stored.size());
    out.push_back({"fuzz_hexdump", "bytes-" + std::to_string(take),
                   Bytes(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(take))});
  }
}

// fuzz_font: the font data of every sample font (one per layout), after its header.
void FontSeeds(const std::vector<OpenedSample>& opened, std::vector<FuzzSeed>& out) {
  for (const OpenedSample& o : opened) {
    MemoryFile file(o.bytes);
    for (const TResourceInfo& e : o.dataFile.Entries) {
      if (e.ResType != rtFont) continue;
      SilentHost host;
      Bytes data = ExtractEntry(file, e, kLodHeaderSize, host);
      if (data.size() <= kMaxFuzzSeedSize)
        out.push_back({"fuzz_font", FileNamePart(e.Name), std::move(data)});
    }
  }
}

// fuzz_text_grid: the decoded text of every sample table, as the text page walks it.
void TextGridSeeds(const std::vector<OpenedSample>& opened, std::vector<FuzzSeed>& out) {
  for (const OpenedSample& o : opened) {
    MemoryFile file(o.bytes);
    SilentHost host;
    for (const TResourceInfo& e : o.dataFile.Entries) {
      if (e.ResType != rtText) continue;
      Bytes text = ExtractEntry(file, e, kLodHeaderSize, host);
      if (text.size() <= kMaxFuzzSeedSize)
        out.push_back({"fuzz_text_grid", FileNamePart(e.Name), text});
    }
  }
}

// fuzz_party: the sample party record behind the twelve bytes the target builds its table
// from (party values 4, 4, 2 bytes wide; character values 16, 2, 4 bytes wide).
void PartySeeds(std::vector<FuzzSeed>& out) {
  Bytes seed = {4, 4, 2, 16, 2, 4, 30, 31, 32, 40, 41, 42};
  const Bytes party = PartyRecord();
  seed.insert(seed.end(), party.begin(), party.end());
  out.push_back({"fuzz_party", "sample-party", std::move(seed)});
}

// fuzz_patch_manifest: a manifest of each operation, as patch make writes them.
void PatchManifestSeeds(std::vector<FuzzSeed>& out) {
  PatchManifest m;
  m.title = "Sample mod";
  m.author = "make-samples";
  m.kind = "icons";
  m.identifier = "ICONS";
  const std::string hash(64, 'a');
  PatchChange add;
  add.op = PatchOp::kAdd;
  add.name = "new.txt";
  add.result = hash;
  add.file = "entries/0";
  add.size = 120;
  PatchChange replace = add;
  replace.op = PatchOp::kReplace;
  replace.name = "items.txt";
  replace.base = std::string(64, 'b');
  replace.file = "entries/1";
  PatchChange remove;
  remove.op = PatchOp::kRemove;
  remove.name = "notes.txt";
  remove.base = hash;
  PatchChange rename = remove;
  rename.op = PatchOp::kRename;
  rename.name = "isword01";
  rename.newName = "isword99";
  m.changes = {add, replace, remove, rename};
  const std::string text = WriteManifest(m);
  out.push_back({"fuzz_patch_manifest", "every-operation", Bytes(text.begin(), text.end())});
}

}  // namespace

std::vector<FuzzSeed> FuzzSeeds() {
  const std::vector<SampleContainer> folder = BuildSampleFolder();
  std::vector<OpenedSample> opened;
  for (const SampleContainer& c : folder)
    opened.push_back(OpenSample(c));
  std::vector<FuzzSeed> out;
  DirectorySeeds(folder, out);
  ExtractSeeds(opened, out);
  IdentifySeeds(opened, out);
  HexDumpSeeds(opened, out);
  FontSeeds(opened, out);
  TextGridSeeds(opened, out);
  PartySeeds(out);
  PatchManifestSeeds(out);
  return out;
}

}  // namespace samples
