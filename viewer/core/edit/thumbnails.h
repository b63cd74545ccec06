#pragma once
// Small pictures of a container's picture entries, for the window's thumbnail view.
//
// MakeThumbnail decodes one entry as its page would and shrinks it to fit a square box with
// an area filter. ThumbnailPool does that for many entries on worker threads: each worker
// opens the container itself and works on its own copies of the entries, so nothing the
// window holds is touched off its thread.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/formats/picture.h"
#include "viewer/core/host.h"

namespace brindle {

// RGBA bytes, rows top first, 4 bytes a pixel, no padding. Empty (0 x 0) stands for "no
// thumbnail": the entry is no picture or its picture cannot be decoded.
struct Thumbnail {
  std::int32_t width = 0;
  std::int32_t height = 0;
  Bytes rgba;
  TResourceType type = rtUnidentified;  // the entry's type as identification gave it
  bool empty() const { return width <= 0 || height <= 0; }
};

// The picture shrunk to fit a boxWidth x boxHeight box, its aspect kept (each side at least
// one pixel). A picture that fits already keeps its size. Each pixel of the result is the
// average of the source area it covers, partly covered pixels weighted by how much of them
// it covers.
Thumbnail ScalePicture(const Picture& picture, int boxWidth, int boxHeight);

// Entry's picture fitted into a box x box square. The entry is identified on the way when
// it is not yet (the caller's copy takes the type). Types without a picture, and pictures
// that do not decode or read bytes that cannot be read, give an empty thumbnail.
Thumbnail MakeThumbnail(ByteFile& file, TContainerKind kind, TResourceInfo& entry,
                        const ExportContext& context, int box, CoreHost& host);

// Makes thumbnails on worker threads and keeps the finished ones.
//
// Threads: Request, Lookup, Reset and the destructor are called from one thread (the
// window's); the completion callback is called on a worker thread, with no lock held, and
// must only hand the news on (the window posts it to its own thread). After Reset or the
// destructor returns, no callback of an earlier container runs any more, and no worker
// holds the old container open.
class ThumbnailPool {
 public:
  // entry: the entry index the thumbnail is for; generation: Generation() when it was asked.
  using Done = std::function<void(int entry, std::uint64_t generation)>;

  // About 2,000 thumbnails of 64 x 64: some seventy screenfuls. Filling a bigger cache costs
  // a page fault per 4 KB of fresh memory, which slowed the first pass over a big container.
  static constexpr std::size_t kDefaultCacheBytes = 32u * 1024u * 1024u;
  static constexpr int kDefaultBox = 64;

  struct Options {
    int workers = 0;  // 0: one per hardware thread (at least one)
    std::size_t cacheBytes = kDefaultCacheBytes;
    int box = kDefaultBox;
    bool background = true;  // workers at a lower priority (nice 10) than their caller
  };

  ThumbnailPool(Options options, Done done);
  ~ThumbnailPool();
  ThumbnailPool(const ThumbnailPool&) = delete;
  ThumbnailPool& operator=(const ThumbnailPool&) = delete;

  // Forgets the queue, the cache and the container, waits for the workers' current entries
  // and starts over on this container (a copy of its path, kind and entries is taken).
  void Reset(const TDataFile& container);
  // The entries to make, most wanted first. Replaces what was asked before; entries that are
  // cached, being made, unknown or repeated are passed over.
  void Request(const std::vector<int>& entries);
  // Forgets the queue and waits until no worker holds the container open, keeping what is
  // made: a write to the container may follow. The next Request goes on.
  void Pause();
  // The finished thumbnail of the entry (counted as a use for the cache), or null.
  std::shared_ptr<const Thumbnail> Lookup(int entry);

  std::uint64_t Generation() const;
  int Workers() const { return static_cast<int>(threads_.size()); }
  int Box() const { return options_.box; }
  std::size_t CacheCap() const { return options_.cacheBytes; }
  std::size_t CachedBytes() const;
  std::size_t Queued() const;
  // How many thumbnails were made since the pool was built (including dropped ones).
  std::uint64_t Made() const;

 private:
  struct Container {
    std::string path;
    TContainerKind kind = ckNone;
    std::vector<TResourceInfo> entries;
  };
  struct Cached {
    std::shared_ptr<const Thumbnail> thumbnail;
    std::list<int>::iterator use;  // its place in uses_
  };

  void Work();
  // Empties the queue and waits until no worker is busy; the lock is held on entry and exit.
  void WaitIdle(std::unique_lock<std::mutex>& lock);
  void Store(int entry, std::shared_ptr<const Thumbnail> thumbnail);
  static std::size_t CostOf(const Thumbnail& t);

  const Options options_;
  const Done done_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;  // work or stop
  std::condition_variable idle_;  // a worker went idle
  bool stopping_ = false;
  std::uint64_t generation_ = 0;
  std::shared_ptr<const Container> container_;
  std::vector<int> queue_;  // most wanted first, taken from head_
  std::size_t head_ = 0;
  std::unordered_set<int> busy_;  // entries being made now
  int busyWorkers_ = 0;
  std::unordered_map<int, Cached> cache_;
  std::list<int> uses_;  // most recently used first
  std::size_t cachedBytes_ = 0;
  std::uint64_t made_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace brindle
