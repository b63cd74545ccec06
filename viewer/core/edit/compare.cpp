#include "viewer/core/edit/compare.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

#include "common/codepage.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

namespace {

constexpr std::size_t kChunk = 1 << 20;

Error Outside(const TResourceInfo& e, const ByteFile& file) {
  return Fail(Cp1252ToUtf8(e.Name) + ": " + OutsideFileMessage(e, file.Size()),
              ErrorKind::kDamaged);
}

// Reads an entry's stored bytes a chunk at a time.
class StoredReader {
 public:
  StoredReader(ByteFile& file, const TResourceInfo& e) : file_(file), e_(e) {}
  // The next chunk (empty at the end).
  Result<ByteView> Next() {
    const std::int64_t left = static_cast<std::int64_t>(e_.Size) - done_;
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunk));
    buffer_.resize(n);
    if (n == 0) return ByteView();
    if (Status s = file_.ReadExact(e_.Offset + done_, buffer_.data(), n); !s) return s.error();
    done_ += static_cast<std::int64_t>(n);
    return ByteView(buffer_);
  }

 private:
  ByteFile& file_;
  const TResourceInfo& e_;
  std::int64_t done_ = 0;
  Bytes buffer_;
};

// The payload an entry's page reads, for --content. Bytes that could not be read are no
// payload.
Result<Bytes> Content(DiffSide side, int index, CoreHost& host) {
  if (Status s = IdentifyEntry(side.dataFile, index, side.file); !s) return s.error();
  const TResourceInfo& e = side.dataFile.Entries[static_cast<std::size_t>(index)];
  (void)side.file.TakeReadFailure();
  Bytes payload = PagePayload(side.file, e, host);
  if (Status read = side.file.TakeReadFailure(); !read)
    return Fail(Cp1252ToUtf8(e.Name) + ": " + read.message(), ErrorKind::kReadFailed);
  return payload;
}

std::uint64_t Fnv(std::uint64_t h, ByteView bytes) {
  for (std::uint8_t b : bytes)
    h = (h ^ b) * 0x100000001b3ULL;
  return h;
}
constexpr std::uint64_t kFnvStart = 0xcbf29ce484222325ULL;

class Comparer {
 public:
  Comparer(DiffSide oldSide, DiffSide newSide, const DiffOptions& options, CoreHost& host)
      : old_(oldSide), new_(newSide), options_(options), host_(host) {}

  Result<bool> Same(int a, int b) {
    if (options_.content) {
      Result<Bytes> x = Content(old_, a, host_);
      if (!x) return x.error();
      Result<Bytes> y = Content(new_, b, host_);
      if (!y) return y.error();
      return *x == *y;
    }
    const TResourceInfo& x = Entry(old_, a);
    const TResourceInfo& y = Entry(new_, b);
    if (x.Size != y.Size) return false;
    StoredReader rx(old_.file, x), ry(new_.file, y);
    for (;;) {
      Result<ByteView> cx = rx.Next();
      if (!cx) return cx.error();
      Result<ByteView> cy = ry.Next();
      if (!cy) return cy.error();
      if (cx->size() != cy->size() ||
          (!cx->empty() && std::memcmp(cx->data(), cy->data(), cx->size()) != 0))
        return false;
      if (cx->empty()) return true;
    }
  }

  // A key for an entry's bytes (stored or extracted), with its size: equal bytes, equal key.
  Result<std::pair<std::uint64_t, std::int64_t>> Key(DiffSide side, int index) {
    if (options_.content) {
      Result<Bytes> x = Content(side, index, host_);
      if (!x) return x.error();
      return std::pair{Fnv(kFnvStart, *x), static_cast<std::int64_t>(x->size())};
    }
    const TResourceInfo& e = Entry(side, index);
    StoredReader r(side.file, e);
    std::uint64_t h = kFnvStart;
    for (;;) {
      Result<ByteView> chunk = r.Next();
      if (!chunk) return chunk.error();
      if (chunk->empty()) break;
      h = Fnv(h, *chunk);
    }
    return std::pair{h, static_cast<std::int64_t>(e.Size)};
  }

  static const TResourceInfo& Entry(DiffSide side, int index) {
    return side.dataFile.Entries[static_cast<std::size_t>(index)];
  }

  DiffSide old_, new_;
  const DiffOptions& options_;
  CoreHost& host_;
};

}  // namespace

Result<std::vector<DiffLine>> CompareContainers(DiffSide oldSide, DiffSide newSide,
                                                const DiffOptions& options, CoreHost& host) {
  for (DiffSide side : {oldSide, newSide}) {
    for (const TResourceInfo& e : side.dataFile.Entries)
      if (!EntryInsideFile(e, side.file.Size())) return Outside(e, side.file);
  }
  const auto& olds = oldSide.dataFile.Entries;
  const auto& news = newSide.dataFile.Entries;
  // The new entries of each name, in order; each pairs with the old one of the same rank.
  std::unordered_map<std::string, std::vector<int>> byName;
  for (std::size_t i = news.size(); i-- > 0;)
    byName[news[i].Name].push_back(static_cast<int>(i));
  std::vector<int> partner(olds.size(), -1);
  std::vector<bool> paired(news.size(), false);
  for (std::size_t i = 0; i < olds.size(); ++i) {
    auto it = byName.find(olds[i].Name);
    if (it == byName.end() || it->second.empty()) continue;
    partner[i] = it->second.back();
    paired[static_cast<std::size_t>(partner[i])] = true;
    it->second.pop_back();
  }

  Comparer compare(oldSide, newSide, options, host);
  // Renames: unpaired entries whose keys meet exactly once on each side.
  using Key = std::pair<std::uint64_t, std::int64_t>;
  std::map<Key, std::pair<std::vector<int>, std::vector<int>>> keys;
  for (std::size_t i = 0; i < olds.size(); ++i) {
    if (partner[i] >= 0) continue;
    Result<Key> k = compare.Key(oldSide, static_cast<int>(i));
    if (!k) return k.error();
    keys[*k].first.push_back(static_cast<int>(i));
  }
  if (!keys.empty()) {
    for (std::size_t j = 0; j < news.size(); ++j) {
      if (paired[j]) continue;
      Result<Key> k = compare.Key(newSide, static_cast<int>(j));
      if (!k) return k.error();
      auto it = keys.find(*k);
      if (it != keys.end()) it->second.second.push_back(static_cast<int>(j));
    }
  }
  std::vector<int> renamedTo(olds.size(), -1);
  std::vector<bool> renamedFrom(news.size(), false);
  for (const auto& [key, sides] : keys) {
    if (sides.first.size() != 1 || sides.second.size() != 1) continue;
    // Equal keys are checked byte for byte.
    Result<bool> same = compare.Same(sides.first[0], sides.second[0]);
    if (!same) return same.error();
    if (!*same) continue;
    renamedTo[static_cast<std::size_t>(sides.first[0])] = sides.second[0];
    renamedFrom[static_cast<std::size_t>(sides.second[0])] = true;
  }

  std::vector<DiffLine> lines;
  ProgressReporter progress(host);
  for (std::size_t i = 0; i < olds.size(); ++i) {
    progress.Step(static_cast<std::int64_t>(i), static_cast<std::int64_t>(olds.size()));
    DiffLine line;
    line.oldIndex = static_cast<int>(i);
    line.oldName = olds[i].Name;
    if (partner[i] >= 0) {
      Result<bool> same = compare.Same(line.oldIndex, partner[i]);
      if (!same) return same.error();
      if (*same) continue;
      line.op = DiffOp::kModified;
      line.newIndex = partner[i];
    } else if (renamedTo[i] >= 0) {
      line.op = DiffOp::kRenamed;
      line.newIndex = renamedTo[i];
    } else {
      line.op = DiffOp::kRemoved;
    }
    if (line.newIndex >= 0) line.newName = news[static_cast<std::size_t>(line.newIndex)].Name;
    lines.push_back(std::move(line));
  }
  for (std::size_t j = 0; j < news.size(); ++j) {
    if (paired[j] || renamedFrom[j]) continue;
    DiffLine line;
    line.op = DiffOp::kAdded;
    line.newIndex = static_cast<int>(j);
    line.newName = news[j].Name;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string DiffLineText(const DiffLine& line, const ShowName& given) {
  const ShowName show =
      given ? given : [](const std::string& stored) { return Cp1252ToUtf8(stored); };
  std::string text(1, static_cast<char>(line.op));
  text += ' ';
  switch (line.op) {
    case DiffOp::kAdded:
      return text + show(line.newName);
    case DiffOp::kRenamed:
      return text + show(line.oldName) + " -> " + show(line.newName);
    default:
      return text + show(line.oldName);
  }
}

}  // namespace brindle
