#include "viewer/core/edit/thumbnails.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/identify.h"

namespace brindle {

namespace {

// The picture as RGBA, opaque.
Bytes ToRgba(const Picture& picture) {
  const std::size_t count =
      static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
  Bytes out(count * 4);
  const bool rgb = picture.format == PictureFormat::kRgb24;
  if (picture.pixels.size() < count * (rgb ? 3 : 1)) return {};
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* c = rgb ? &picture.pixels[i * 3]
                                : &picture.colours[static_cast<std::size_t>(picture.pixels[i]) * 3];
    out[i * 4] = c[0];
    out[i * 4 + 1] = c[1];
    out[i * 4 + 2] = c[2];
    out[i * 4 + 3] = 255;
  }
  return out;
}

// One output pixel's share of the source: source pixels [first, first + weights.size()).
struct Span {
  int first = 0;
  std::vector<float> weights;  // summing to 1
};

// How each of `to` output pixels covers `from` source pixels.
std::vector<Span> AreaSpans(int from, int to) {
  std::vector<Span> spans(static_cast<std::size_t>(to));
  const double step = static_cast<double>(from) / to;
  for (int d = 0; d < to; ++d) {
    const double a = d * step;
    const double b = std::min<double>(from, (d + 1) * step);
    Span& s = spans[static_cast<std::size_t>(d)];
    s.first = static_cast<int>(std::floor(a));
    const int last = std::min(from, static_cast<int>(std::ceil(b)));
    for (int i = s.first; i < last; ++i) {
      const double w = std::min<double>(b, i + 1) - std::max<double>(a, i);
      s.weights.push_back(static_cast<float>(w / (b - a)));
    }
  }
  return spans;
}

// One entry's bytes read at once and served from memory; reads outside them go to the file.
// A decoder makes several small reads of an entry (its header, its stream, its palette), and
// a worker makes thousands of thumbnails: one read each keeps the system calls few.
class EntryWindow final : public ByteFile {
 public:
  static constexpr std::int64_t kLargest = 16 * 1024 * 1024;  // larger entries read directly

  EntryWindow(ByteFile& file, std::int64_t fileSize) : file_(file), size_(fileSize) {}
  void Load(std::int64_t offset, std::int64_t count) {
    count = std::min({count, size_ - offset, kLargest});
    if (offset < 0 || count <= 0) return;
    bytes_.resize(static_cast<std::size_t>(count));
    Result<std::size_t> read = file_.ReadAt(offset, bytes_.data(), bytes_.size());
    (void)file_.TakeReadFailure();  // a failure shows again when the decoder reads it
    bytes_.resize(read ? *read : 0);
    start_ = offset;
  }
  std::int64_t Size() const override { return size_; }
  Status WriteAt(std::int64_t, const void*, std::size_t) override { return ReadOnly(); }
  Status Flush() override { return ReadOnly(); }
  Status Truncate(std::int64_t) override { return ReadOnly(); }
  std::string Name() const override { return file_.Name(); }

 protected:
  Result<std::size_t> DoRead(std::int64_t offset, void* dst, std::size_t n) override {
    const auto held = static_cast<std::int64_t>(bytes_.size());
    if (offset >= start_ && offset - start_ + static_cast<std::int64_t>(n) <= held) {
      std::memcpy(dst, bytes_.data() + (offset - start_), n);
      return n;
    }
    Result<std::size_t> read = file_.ReadAt(offset, dst, n);
    (void)file_.TakeReadFailure();  // kept by this file instead
    return read;
  }

 private:
  static Status ReadOnly() { return Fail("a thumbnail only reads", ErrorKind::kWriteFailed); }
  ByteFile& file_;
  std::int64_t size_;
  std::int64_t start_ = 0;
  Bytes bytes_;
};

}  // namespace

Thumbnail ScalePicture(const Picture& picture, int boxWidth, int boxHeight) {
  Thumbnail out;
  const int w = picture.width;
  const int h = picture.height;
  if (w <= 0 || h <= 0 || boxWidth <= 0 || boxHeight <= 0) return out;
  Bytes source = ToRgba(picture);
  if (source.empty()) return out;
  if (w <= boxWidth && h <= boxHeight) {
    out.width = w;
    out.height = h;
    out.rgba = std::move(source);
    return out;
  }
  const double scale =
      std::min(static_cast<double>(boxWidth) / w, static_cast<double>(boxHeight) / h);
  const int dw = std::clamp(static_cast<int>(std::lround(w * scale)), 1, boxWidth);
  const int dh = std::clamp(static_cast<int>(std::lround(h * scale)), 1, boxHeight);
  const std::vector<Span> across = AreaSpans(w, dw);
  const std::vector<Span> down = AreaSpans(h, dh);
  // Rows first (every source row narrowed to dw), then columns.
  std::vector<float> narrowed(static_cast<std::size_t>(dw) * static_cast<std::size_t>(h) * 4);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row =
        &source[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 4];
    float* dst = &narrowed[static_cast<std::size_t>(y) * static_cast<std::size_t>(dw) * 4];
    for (int x = 0; x < dw; ++x) {
      const Span& s = across[static_cast<std::size_t>(x)];
      float acc[4] = {0, 0, 0, 0};
      for (std::size_t k = 0; k < s.weights.size(); ++k) {
        const std::uint8_t* p = row + (static_cast<std::size_t>(s.first) + k) * 4;
        for (int c = 0; c < 4; ++c)
          acc[c] += s.weights[k] * p[c];
      }
      for (int c = 0; c < 4; ++c)
        dst[x * 4 + c] = acc[c];
    }
  }
  out.width = dw;
  out.height = dh;
  out.rgba.resize(static_cast<std::size_t>(dw) * static_cast<std::size_t>(dh) * 4);
  const std::size_t rowFloats = static_cast<std::size_t>(dw) * 4;
  for (int y = 0; y < dh; ++y) {
    const Span& s = down[static_cast<std::size_t>(y)];
    std::uint8_t* dst = &out.rgba[static_cast<std::size_t>(y) * rowFloats];
    for (std::size_t i = 0; i < rowFloats; ++i) {
      float acc = 0;
      for (std::size_t k = 0; k < s.weights.size(); ++k)
        acc += s.weights[k] * narrowed[(static_cast<std::size_t>(s.first) + k) * rowFloats + i];
      dst[i] = static_cast<std::uint8_t>(std::clamp(std::lround(acc), 0L, 255L));
    }
  }
  return out;
}

Thumbnail MakeThumbnail(ByteFile& container, TContainerKind kind, TResourceInfo& entry,
                        const ExportContext& context, int box, CoreHost& host) {
  EntryWindow file(container, container.Size());
  file.Load(entry.Offset, entry.Size);
  if (!entry.Identified) {
    TDataFile one;
    one.Kind = kind;
    one.Entries.push_back(std::move(entry));
    const Status read = IdentifyEntry(one, 0, file);
    entry = std::move(one.Entries[0]);
    if (!read) return {};
  }
  Thumbnail none;
  none.type = entry.ResType;
  if (!EntryTypeOf(entry.ResType).picture || !EntryInsideFile(entry, file.Size())) return none;
  (void)file.TakeReadFailure();
  PictureResult r = DecodeEntryPicture(file, entry, context, host);
  // A picture made of bytes that could not be read is not the entry's.
  if (const Status read = file.TakeReadFailure(); !read || !r.ok()) return none;
  Thumbnail t = ScalePicture(r.picture, box, box);
  t.type = entry.ResType;
  return t;
}

ThumbnailPool::ThumbnailPool(Options options, Done done)
    : options_(options), done_(std::move(done)) {
  int n = options_.workers;
  if (n <= 0) n = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  threads_.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    threads_.emplace_back([this] { Work(); });
}

ThumbnailPool::~ThumbnailPool() {
  {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    ++generation_;
    queue_.clear();
    head_ = 0;
  }
  wake_.notify_all();
  for (std::thread& t : threads_)
    t.join();
}

void ThumbnailPool::WaitIdle(std::unique_lock<std::mutex>& lock) {
  queue_.clear();
  head_ = 0;
  idle_.wait(lock, [this] { return busyWorkers_ == 0; });
}

void ThumbnailPool::Reset(const TDataFile& container) {
  auto fresh = std::make_shared<Container>();
  fresh->path = container.FileName;
  fresh->kind = container.Kind;
  fresh->entries = container.Entries;
  std::unique_lock lock(mutex_);
  ++generation_;  // what the workers finish now is dropped
  WaitIdle(lock);
  cache_.clear();
  uses_.clear();
  cachedBytes_ = 0;
  container_ = std::move(fresh);
}

void ThumbnailPool::Pause() {
  std::unique_lock lock(mutex_);
  WaitIdle(lock);
}

void ThumbnailPool::Request(const std::vector<int>& entries) {
  {
    std::unique_lock lock(mutex_);
    queue_.clear();
    head_ = 0;
    if (!container_) return;
    const std::size_t count = container_->entries.size();
    std::vector<bool> seen(count);
    for (int e : entries) {
      if (e < 0 || static_cast<std::size_t>(e) >= count || seen[static_cast<std::size_t>(e)])
        continue;
      seen[static_cast<std::size_t>(e)] = true;
      if (cache_.contains(e) || busy_.contains(e)) continue;
      queue_.push_back(e);
    }
    if (queue_.empty()) return;
  }
  wake_.notify_all();
}

std::shared_ptr<const Thumbnail> ThumbnailPool::Lookup(int entry) {
  std::unique_lock lock(mutex_);
  auto found = cache_.find(entry);
  if (found == cache_.end()) return nullptr;
  uses_.splice(uses_.begin(), uses_, found->second.use);
  return found->second.thumbnail;
}

std::uint64_t ThumbnailPool::Generation() const {
  std::unique_lock lock(mutex_);
  return generation_;
}

std::size_t ThumbnailPool::CachedBytes() const {
  std::unique_lock lock(mutex_);
  return cachedBytes_;
}

std::size_t ThumbnailPool::Queued() const {
  std::unique_lock lock(mutex_);
  return queue_.size() - head_;
}

std::uint64_t ThumbnailPool::Made() const {
  std::unique_lock lock(mutex_);
  return made_;
}

std::size_t ThumbnailPool::CostOf(const Thumbnail& t) {
  // The pixels and what holding them costs besides: the record, its list node, its map slot.
  return t.rgba.size() + sizeof(Thumbnail) + 64;
}

void ThumbnailPool::Store(int entry, std::shared_ptr<const Thumbnail> thumbnail) {
  const std::size_t cost = CostOf(*thumbnail);
  if (auto old = cache_.find(entry); old != cache_.end()) {
    cachedBytes_ -= CostOf(*old->second.thumbnail);
    uses_.erase(old->second.use);
    cache_.erase(old);
  }
  uses_.push_front(entry);
  cache_[entry] = Cached{std::move(thumbnail), uses_.begin()};
  cachedBytes_ += cost;
  // The newest stays even when it alone is over the cap.
  while (cachedBytes_ > options_.cacheBytes && uses_.size() > 1) {
    const int oldest = uses_.back();
    auto victim = cache_.find(oldest);
    cachedBytes_ -= CostOf(*victim->second.thumbnail);
    cache_.erase(victim);
    uses_.pop_back();
  }
}

void ThumbnailPool::Work() {
  // Below the window's thread, so that on a busy machine the window keeps its turn.
  if (options_.background) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
  SilentHost host;  // a worker shows nothing: a thumbnail that fails is simply not there
  std::unique_ptr<PosixFile> file;
  std::uint64_t fileGeneration = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || head_ < queue_.size(); });
    if (stopping_) break;
    ++busyWorkers_;
    // The container stays open while there is work, and is closed before the worker counts
    // as idle: a write to it must not find it held.
    while (!stopping_ && head_ < queue_.size()) {
      const int entry = queue_[head_++];
      const std::uint64_t generation = generation_;
      std::shared_ptr<const Container> container = container_;
      busy_.insert(entry);
      lock.unlock();
      if (!file || fileGeneration != generation) {
        file.reset();
        auto opened = OpenContainerFile(container->path, FileMode::kReadShared);
        if (opened) file = std::move(*opened);
        fileGeneration = generation;
      }
      std::shared_ptr<Thumbnail> made;
      if (file) {
        TResourceInfo copy = container->entries[static_cast<std::size_t>(entry)];
        const ExportContext context{container->path};
        made = std::make_shared<Thumbnail>(
            MakeThumbnail(*file, container->kind, copy, context, options_.box, host));
      }
      lock.lock();
      busy_.erase(entry);
      // A container that cannot be opened now (a write holds it) leaves the entry to be
      // asked for again.
      if (!made) continue;
      ++made_;
      if (generation != generation_) continue;
      Store(entry, std::move(made));
      if (done_) {
        lock.unlock();
        done_(entry, generation);
        lock.lock();
      }
    }
    file.reset();
    --busyWorkers_;
    idle_.notify_all();
  }
}

}  // namespace brindle
