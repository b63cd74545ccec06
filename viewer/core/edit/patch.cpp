#include "viewer/core/edit/patch.h"

#include <openssl/evp.h>
#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include "common/codepage.h"
#include "common/file.h"
#include "common/name_index.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/edit/compare.h"

namespace brindle {

namespace {

constexpr const char* kManifestName = "manifest.json";
constexpr std::int64_t kChunk = 1 << 20;
// A member inflating to more than this many times its stored size (and to over 1 MB) is taken
// for a zip bomb; container entries compress far less.
constexpr std::uint64_t kMaxRatio = 1000;
constexpr std::uint64_t kMaxTotalBytes = 16ULL << 30;

Error Damaged(const std::string& zipPath, const std::string& what) {
  return Fail("The patch " + zipPath + " cannot be used: " + what, ErrorKind::kDamaged);
}

class Sha256 {
 public:
  Sha256() : ctx_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr); }
  void Add(ByteView bytes) { EVP_DigestUpdate(ctx_.get(), bytes.data(), bytes.size()); }
  std::string Hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_DigestFinal_ex(ctx_.get(), digest, &n);
    static const char* const kDigits = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < n; ++i) {
      hex += kDigits[digest[i] >> 4];
      hex += kDigits[digest[i] & 15];
    }
    return hex;
  }

 private:
  struct Free {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
  };
  std::unique_ptr<EVP_MD_CTX, Free> ctx_;
};

// The SHA-256 of an entry's stored bytes, read a chunk at a time into `chunk` (kept by the
// caller: a patch hashes thousands of small entries, and asks the file's size once).
Result<std::string> EntryHash(ByteFile& file, std::int64_t fileSize, const TResourceInfo& e,
                              Bytes& chunk) {
  if (!EntryInsideFile(e, fileSize))
    return Fail(Cp1252ToUtf8(e.Name) + ": " + OutsideFileMessage(e, fileSize), ErrorKind::kDamaged);
  Sha256 sha;
  if (chunk.size() < static_cast<std::size_t>(std::min<std::int64_t>(kChunk, e.Size)))
    chunk.resize(static_cast<std::size_t>(std::min<std::int64_t>(kChunk, e.Size)));
  for (std::int64_t done = 0; done < e.Size;) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(kChunk, e.Size - done));
    if (Status s = file.ReadExact(e.Offset + done, chunk.data(), n); !s) return s.error();
    sha.Add(ByteView(chunk.data(), n));
    done += static_cast<std::int64_t>(n);
  }
  return sha.Hex();
}

struct ZipClose {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using Zip = std::unique_ptr<zip_t, ZipClose>;

std::string ZipError(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// The patch's zip as libzip reads it, through our own file: a piece of 256 KB at a time is
// kept, so the members of a patch, read in the order they lie, cost a read call every few
// hundred KB rather than a seek and a read each. A read that fails is remembered, so the
// user hears why rather than that the zip is damaged.
class ZipReader {
 public:
  explicit ZipReader(std::unique_ptr<ByteFile> file)
      : file_(std::move(file)), size_(file_->Size()) {
    zip_error_init(&error_);
  }
  ~ZipReader() { zip_error_fini(&error_); }
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // The first read that failed, if one did.
  const std::optional<Error>& failure() const { return failure_; }

  static zip_int64_t Call(void* self, void* data, zip_uint64_t n, zip_source_cmd_t cmd) {
    return static_cast<ZipReader*>(self)->Do(data, n, cmd);
  }

 private:
  static constexpr std::size_t kPiece = 256 << 10;

  zip_int64_t Do(void* data, zip_uint64_t n, zip_source_cmd_t cmd) {
    switch (cmd) {
      case ZIP_SOURCE_OPEN:
        at_ = 0;
        return 0;
      case ZIP_SOURCE_READ:
        return Read(static_cast<std::uint8_t*>(data), n);
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:  // the reader belongs to the patch, not to libzip
        return 0;
      case ZIP_SOURCE_STAT: {
        if (n < sizeof(zip_stat_t)) break;
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(size_);
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, n);
      case ZIP_SOURCE_SEEK: {
        const zip_int64_t to = zip_source_seek_compute_offset(
            static_cast<zip_uint64_t>(at_), static_cast<zip_uint64_t>(size_), data, n, &error_);
        if (to < 0) return -1;
        at_ = to;
        return 0;
      }
      case ZIP_SOURCE_TELL:
        return at_;
      case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_SEEKABLE;
      default:
        break;
    }
    zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
    return -1;
  }

  zip_int64_t Read(std::uint8_t* out, zip_uint64_t n) {
    n = std::min<zip_uint64_t>(n,
                               static_cast<zip_uint64_t>(std::max<std::int64_t>(size_ - at_, 0)));
    std::size_t done = 0;
    while (done < n) {
      const std::size_t want = static_cast<std::size_t>(n) - done;
      if (at_ >= pieceAt_ && at_ < pieceAt_ + static_cast<std::int64_t>(piece_.size())) {
        const auto from = static_cast<std::size_t>(at_ - pieceAt_);
        const std::size_t step = std::min(want, piece_.size() - from);
        std::copy_n(piece_.data() + from, step, out + done);
        done += step;
        at_ += static_cast<std::int64_t>(step);
        continue;
      }
      // A large read goes straight where it is wanted; a small one fills the piece.
      const bool direct = want >= kPiece;
      const std::size_t length =
          direct ? want : static_cast<std::size_t>(std::min<std::int64_t>(kPiece, size_ - at_));
      if (!direct) piece_.resize(length);
      Status read = file_->ReadExact(at_, direct ? out + done : piece_.data(), length);
      if (!read) {
        piece_.clear();
        if (!failure_) failure_ = read.error();
        zip_error_set(&error_, ZIP_ER_READ, 0);
        return -1;
      }
      if (direct) {
        done += length;
        at_ += static_cast<std::int64_t>(length);
      } else {
        pieceAt_ = at_;
      }
    }
    return static_cast<zip_int64_t>(done);
  }

  std::unique_ptr<ByteFile> file_;
  std::int64_t size_;
  std::int64_t at_ = 0;
  Bytes piece_;
  std::int64_t pieceAt_ = 0;
  zip_error_t error_;
  std::optional<Error> failure_;
};

// Hands a member's bytes to put a piece at a time: exactly `size` of them. A member that
// holds more or fewer, or whose checksum fails, is refused; so is any error of put's, and a
// read of the zip that failed is said as such.
Status PourMember(zip_t* zip, const ZipReader& reader, zip_int64_t index, std::int64_t size,
                  const std::string& zipPath, const std::function<Status(ByteView)>& put) {
  zip_file_t* f = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
  if (!f) {
    if (reader.failure()) return *reader.failure();
    return Damaged(zipPath, std::string("a member cannot be read: ") + zip_strerror(zip));
  }
  // One byte more than the size, so a member that holds more is seen.
  Bytes chunk(static_cast<std::size_t>(std::min<std::int64_t>(kChunk, size + 1)));
  std::int64_t got = 0;
  Status s;
  for (;;) {
    const zip_int64_t n = zip_fread(f, chunk.data(), chunk.size());
    if (n < 0)
      s = reader.failure()
              ? Status(*reader.failure())
              : Damaged(zipPath, "a member is damaged (its checksum or data is wrong)");
    if (n <= 0) break;
    got += n;
    if (got > size) break;
    if (s = put(ByteView(chunk.data(), static_cast<std::size_t>(n))); !s) break;
  }
  zip_fclose(f);
  if (!s) return s;
  if (got != size) return Damaged(zipPath, "a member does not hold the size the patch gives it");
  return Ok();
}

// A member's bytes, whole.
Result<Bytes> ReadMember(zip_t* zip, const ZipReader& reader, zip_int64_t index, std::int64_t size,
                         const std::string& zipPath) {
  Bytes bytes;
  bytes.reserve(static_cast<std::size_t>(size));
  Status s = PourMember(zip, reader, index, size, zipPath, [&bytes](ByteView piece) {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
    return Ok();
  });
  if (!s) return s.error();
  return bytes;
}

// A new entry's bytes as the patch holds them, read from the zip a piece at a time while
// they are written, and checked on the way: the size the manifest gives, the zip's own
// checksum and then the entry's hash. A check that fails stops the write.
class MemberStream : public EntryStream {
 public:
  MemberStream(zip_t* zip, const ZipReader& reader, zip_int64_t index, const PatchChange& change,
               std::string zipPath)
      : zip_(zip), reader_(reader), index_(index), change_(change), zipPath_(std::move(zipPath)) {}
  std::int64_t Size() const override { return change_.size; }
  Status Pour(const std::function<Status(ByteView)>& put) override {
    Sha256 sha;
    Status s = PourMember(zip_, reader_, index_, change_.size, zipPath_, [&](ByteView piece) {
      sha.Add(piece);
      return put(piece);
    });
    if (!s) return s;
    if (sha.Hex() != change_.result)
      return Damaged(
          zipPath_, "the bytes of " + Cp1252ToUtf8(change_.name) + " are not those its hash names");
    return Ok();
  }

 private:
  zip_t* zip_;
  const ZipReader& reader_;
  zip_int64_t index_;
  const PatchChange& change_;
  std::string zipPath_;
};

// The patch opened and checked whole (see ReadPatchManifest). The reader outlives the zip.
struct OpenPatch {
  std::unique_ptr<ZipReader> reader;
  Zip zip;
  PatchManifest manifest;
  std::map<std::string, zip_int64_t> members;
};

Result<OpenPatch> OpenPatchZip(const std::string& zipPath) {
  auto file = PosixFile::Open(zipPath, FileMode::kReadShared);
  if (!file) return file.error();
  OpenPatch patch{std::make_unique<ZipReader>(std::move(*file)), nullptr, {}, {}};
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_function_create(&ZipReader::Call, patch.reader.get(), &error);
  zip_t* raw = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
  const int code = zip_error_code_zip(&error);
  zip_error_fini(&error);
  if (!raw) {
    if (source) zip_source_free(source);
    if (patch.reader->failure()) return *patch.reader->failure();
    return Damaged(zipPath, "it is not a zip file (" + ZipError(code) + ")");
  }
  patch.zip.reset(raw);
  const zip_int64_t count = zip_get_num_entries(raw, 0);
  if (count < 0 || static_cast<std::uint64_t>(count) > 2 * kMaxPatchChanges + 1)
    return Damaged(zipPath, "it holds too many files");
  std::uint64_t total = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(raw, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
        !(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE))
      return Damaged(zipPath, "a member cannot be read");
    const std::string name = st.name;
    if (!SafeMemberName(name))
      return Damaged(
          zipPath, "the member \"" + EscapeControls(name) + "\" names a place outside its folder");
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(raw, static_cast<zip_uint64_t>(i), 0, &system,
                                         &attributes) == 0 &&
        system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK)
      return Damaged(zipPath, "the member \"" + name + "\" is a link");
    if (st.size > static_cast<std::uint64_t>(kMaxPatchEntryBytes))
      return Damaged(zipPath, "the member \"" + name + "\" is larger than any entry can be");
    const std::uint64_t stored = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : st.size;
    if (st.size > (1u << 20) && st.size / std::max<std::uint64_t>(stored, 1) > kMaxRatio)
      return Damaged(zipPath, "the member \"" + name + "\" inflates out of all proportion");
    total += st.size;
    if (total > kMaxTotalBytes) return Damaged(zipPath, "its members are too large together");
    if (!patch.members.emplace(name, i).second)
      return Damaged(zipPath, "the member \"" + name + "\" is there twice");
  }
  auto manifest = patch.members.find(kManifestName);
  if (manifest == patch.members.end()) return Damaged(zipPath, "it has no manifest.json");
  zip_stat_t st;
  zip_stat_index(raw, static_cast<zip_uint64_t>(manifest->second), 0, &st);
  if (st.size > kMaxManifestBytes) return Damaged(zipPath, "its manifest is too big");
  Result<Bytes> text =
      ReadMember(raw, *patch.reader, manifest->second, static_cast<std::int64_t>(st.size), zipPath);
  if (!text) return text.error();
  Result<PatchManifest> m =
      ReadManifest(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
  if (!m) return Damaged(zipPath, m.message());
  for (const PatchChange& c : m->changes) {
    if (c.file.empty()) continue;
    auto member = patch.members.find(c.file);
    if (member == patch.members.end())
      return Damaged(zipPath, "the file " + c.file + " it names is not in it");
    zip_stat_index(raw, static_cast<zip_uint64_t>(member->second), 0, &st);
    if (static_cast<std::int64_t>(st.size) != c.size)
      return Damaged(zipPath, "the file " + c.file + " is not of the size it gives");
  }
  patch.manifest = std::move(*m);
  return patch;
}

std::string Identifier(const ContainerKindInfo& kind) {
  return std::string(kind.lodIdentifier.empty() ? kind.extension : kind.lodIdentifier);
}

}  // namespace

std::string Sha256Hex(ByteView bytes) {
  Sha256 sha;
  sha.Add(bytes);
  return sha.Hex();
}

Result<PatchMade> MakePatch(const std::string& oldPath, const std::string& newPath,
                            const std::string& zipPath, const std::string& title,
                            const std::string& author, CoreHost& host) {
  OpenedContainer before, after;
  if (Status s = OpenForReading(oldPath, before, host); !s) return s.error();
  if (Status s = OpenForReading(newPath, after, host); !s) return s.error();
  if (before.dataFile.Kind != after.dataFile.Kind)
    return Fail(oldPath + " and " + newPath + " are not the same kind of container",
                ErrorKind::kNotSupported);
  Bytes chunk;
  const std::int64_t beforeSize = before.file->Size(), afterSize = after.file->Size();
  Result<std::vector<DiffLine>> lines = CompareContainers(
      {before.dataFile, *before.file}, {after.dataFile, *after.file}, DiffOptions{}, host);
  if (!lines) return lines.error();
  if (lines->empty()) return PatchMade{};  // nothing to hand out: no file is written
  const ContainerKindInfo& kind = *FindContainerKind(after.dataFile.Kind);
  PatchManifest m;
  m.title = title;
  m.author = author;
  m.kind = std::string(kind.name);
  m.identifier = Identifier(kind);
  struct Member {
    std::string file;
    const TResourceInfo* entry;
  };
  std::vector<Member> members;
  for (const DiffLine& line : *lines) {
    PatchChange c;
    c.name = line.op == DiffOp::kAdded ? line.newName : line.oldName;
    // Names go into the manifest as UTF-8 and must come back as the same bytes.
    for (const std::string* n : {&line.oldName, &line.newName}) {
      if (!n->empty() && Utf8ToCp1252(Cp1252ToUtf8(*n)) != *n)
        return Fail("The entry name " + EscapeControls(Cp1252ToUtf8(*n)) +
                        " cannot be written into a patch",
                    ErrorKind::kNotSupported);
    }
    if (line.oldIndex >= 0) {
      Result<std::string> base =
          EntryHash(*before.file, beforeSize,
                    before.dataFile.Entries[static_cast<std::size_t>(line.oldIndex)], chunk);
      if (!base) return base.error();
      c.base = *base;
    }
    switch (line.op) {
      case DiffOp::kRemoved:
        c.op = PatchOp::kRemove;
        break;
      case DiffOp::kRenamed:
        c.op = PatchOp::kRename;
        c.newName = line.newName;
        break;
      default: {
        c.op = line.op == DiffOp::kAdded ? PatchOp::kAdd : PatchOp::kReplace;
        const TResourceInfo& e = after.dataFile.Entries[static_cast<std::size_t>(line.newIndex)];
        Result<std::string> result = EntryHash(*after.file, afterSize, e, chunk);
        if (!result) return result.error();
        c.result = *result;
        c.file = "entries/" + std::to_string(members.size());
        c.size = e.Size;
        if (after.dataFile.Kind == ckSnd) c.unpackedSize = e.UnpackedSize;
        members.push_back({c.file, &e});
        break;
      }
    }
    m.changes.push_back(std::move(c));
  }
  const std::string manifest = WriteManifest(m);

  // libzip writes the archive beside zipPath and renames it into place when it closes: a
  // failure leaves whatever was there.
  int code = 0;
  zip_t* zip = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!zip)
    return Fail("Cannot write file " + zipPath + " (" + ZipError(code) + ")",
                ErrorKind::kWriteFailed);
  Zip held(zip);
  auto fail = [&](const std::string& what) {
    return Fail("Cannot write file " + zipPath + " (" + what + ": " + zip_strerror(zip) + ")",
                ErrorKind::kWriteFailed);
  };
  zip_source_t* text = zip_source_buffer(zip, manifest.data(), manifest.size(), 0);
  if (!text || zip_file_add(zip, kManifestName, text, ZIP_FL_ENC_UTF_8) < 0) {
    if (text) zip_source_free(text);
    return fail("the manifest");
  }
  for (const Member& member : members) {
    // The bytes are read from the new container when the archive is written.
    zip_source_t* src =
        zip_source_file(zip, newPath.c_str(), static_cast<zip_uint64_t>(member.entry->Offset),
                        static_cast<zip_int64_t>(member.entry->Size));
    if (!src || zip_file_add(zip, member.file.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
      if (src) zip_source_free(src);
      return fail(member.file);
    }
  }
  if (zip_close(zip) != 0) return fail("closing");
  (void)held.release();
  return PatchMade{static_cast<int>(m.changes.size())};
}

Result<PatchManifest> ReadPatchManifest(const std::string& zipPath) {
  Result<OpenPatch> patch = OpenPatchZip(zipPath);
  if (!patch) return patch.error();
  return std::move(patch->manifest);
}

Result<PatchReport> ApplyPatch(TDataFile& dataFile, const std::string& zipPath,
                               const PatchOptions& options, CoreHost& host, RebuildFiles& files) {
  if (dataFile.FileName.empty()) return Fail("Data file must be loaded first!");
  Result<OpenPatch> patch = OpenPatchZip(zipPath);
  if (!patch) return patch.error();
  const PatchManifest& m = patch->manifest;
  const ContainerKindInfo& kind = *FindContainerKind(dataFile.Kind);
  if (m.kind != kind.name || m.identifier != Identifier(kind))
    return Fail("The patch is for " + m.kind + " containers; " + dataFile.FileName + " is a " +
                    std::string(kind.name) + " container",
                ErrorKind::kNotSupported);

  auto file = OpenContainerFile(dataFile.FileName, FileMode::kReadShared);
  if (!file) return file.error();
  std::map<int, std::string> hashes;
  Bytes chunk;
  const std::int64_t fileSize = (*file)->Size();
  auto hashOf = [&](int index) -> Result<std::string> {
    auto known = hashes.find(index);
    if (known != hashes.end()) return known->second;
    Result<std::string> h =
        EntryHash(**file, fileSize, dataFile.Entries[static_cast<std::size_t>(index)], chunk);
    if (h) hashes[index] = *h;
    return h;
  };
  // The first entry of each name, as stored and in any case: a patch may name thousands.
  // Only additions and renames look in any case, so that index is made when one does.
  auto nameOf = [&dataFile](std::size_t i) { return std::string_view(dataFile.Entries[i].Name); };
  const NameIndex exact(dataFile.Entries.size(), nameOf, NameIndex::Match::kExact);
  std::optional<NameIndex> folded;
  auto find = [&](const std::string& name, bool anyCase) {
    if (anyCase && !folded)
      folded.emplace(dataFile.Entries.size(), nameOf, NameIndex::Match::kAnyCase);
    return static_cast<int>((anyCase ? *folded : exact).First(name));
  };

  PatchReport report;
  enum class Plan { kApply, kMade, kConflict };
  std::vector<Plan> plans;
  std::vector<int> targets;  // the entry each change works on; -1 for an addition
  int made = 0;
  for (const PatchChange& c : m.changes) {
    Plan plan = Plan::kApply;
    std::string reason;
    int at = find(c.name, false);
    Result<std::string> hash = at >= 0 ? hashOf(at) : Result<std::string>(std::string());
    if (!hash) return hash.error();
    switch (c.op) {
      case PatchOp::kReplace:
        if (at < 0) {
          plan = Plan::kConflict, reason = "missing";
        } else if (*hash == c.result) {
          plan = Plan::kMade;
        } else if (*hash != c.base) {
          plan = Plan::kConflict, reason = "changed since the patch was made";
        }
        break;
      case PatchOp::kRemove:
        if (at < 0) {
          plan = Plan::kMade;
        } else if (*hash != c.base) {
          plan = Plan::kConflict, reason = "changed since the patch was made";
        }
        break;
      case PatchOp::kRename: {
        const int to = find(c.newName, true);
        if (at < 0) {
          Result<std::string> there = to >= 0 ? hashOf(to) : Result<std::string>(std::string());
          if (!there) return there.error();
          if (to >= 0 && dataFile.Entries[static_cast<std::size_t>(to)].Name == c.newName &&
              *there == c.base) {
            plan = Plan::kMade;
          } else {
            plan = Plan::kConflict, reason = "missing";
          }
        } else if (*hash != c.base) {
          plan = Plan::kConflict, reason = "changed since the patch was made";
        } else if (to >= 0 && to != at) {
          plan = Plan::kConflict, reason = "the name " + Cp1252ToUtf8(c.newName) + " is taken";
        }
        break;
      }
      case PatchOp::kAdd: {
        const int taken = find(c.name, true);
        at = -1;
        if (taken >= 0) {
          Result<std::string> there = hashOf(taken);
          if (!there) return there.error();
          if (dataFile.Entries[static_cast<std::size_t>(taken)].Name == c.name &&
              *there == c.result) {
            plan = Plan::kMade;
          } else {
            plan = Plan::kConflict, reason = "the name is taken";
          }
        }
        break;
      }
    }
    if (plan == Plan::kMade) ++made;
    if (plan == Plan::kConflict) report.conflicts.push_back({c.name, reason});
    plans.push_back(plan);
    targets.push_back(at);
  }
  file->reset();
  if (made == static_cast<int>(m.changes.size())) {
    report.alreadyApplied = true;
    return report;
  }
  if (!report.conflicts.empty() && !options.force) return report;
  // Forced past every change there is to make: nothing to write.
  if (std::find(plans.begin(), plans.end(), Plan::kApply) == plans.end()) return report;

  // What the container becomes: its entries, changed as the plan says.
  std::vector<RebuildItem> items = KeepEntries(dataFile);
  std::vector<bool> removed(items.size(), false);
  std::vector<RebuildItem> added;
  for (std::size_t k = 0; k < m.changes.size(); ++k) {
    if (plans[k] != Plan::kApply) continue;
    const PatchChange& c = m.changes[k];
    const std::string shown = Cp1252ToUtf8(c.name);
    std::shared_ptr<EntryStream> bytes;
    if (c.op == PatchOp::kAdd || c.op == PatchOp::kReplace) {
      bytes = std::make_shared<MemberStream>(patch->zip.get(), *patch->reader,
                                             patch->members.at(c.file), c, zipPath);
      // A trial run reads them all the same, so it vouches for the patch as a real run would.
      if (options.dryRun) {
        if (Status s = bytes->Pour([](ByteView) { return Ok(); }); !s) return s.error();
      }
    }
    const auto at = static_cast<std::size_t>(targets[k]);
    switch (c.op) {
      case PatchOp::kReplace:
        items[at].source = -1;
        items[at].stream = std::move(bytes);
        items[at].unpackedSize = c.unpackedSize;
        report.applied.push_back((options.dryRun ? "Would replace " : "Replaced ") + shown);
        break;
      case PatchOp::kRemove:
        removed[at] = true;
        report.applied.push_back((options.dryRun ? "Would remove " : "Removed ") + shown);
        break;
      case PatchOp::kRename:
        items[at].name = c.newName;
        report.applied.push_back((options.dryRun ? "Would rename " : "Renamed ") + shown + " -> " +
                                 Cp1252ToUtf8(c.newName));
        break;
      case PatchOp::kAdd: {
        RebuildItem item;
        item.name = c.name;
        item.stream = std::move(bytes);
        item.unpackedSize = c.unpackedSize;
        added.push_back(std::move(item));
        report.applied.push_back((options.dryRun ? "Would add " : "Added ") + shown);
        break;
      }
    }
  }
  if (options.dryRun) return report;
  // The plan's hashes are done with before the container is written.
  std::map<int, std::string>().swap(hashes);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (removed[i]) continue;
    if (kept != i) items[kept] = std::move(items[i]);
    ++kept;
  }
  items.resize(kept);
  for (RebuildItem& item : added)
    items.push_back(std::move(item));
  if (Status s = RebuildContainer(dataFile, items, host, files); !s) return s.error();
  report.written = true;
  return report;
}

}  // namespace brindle
