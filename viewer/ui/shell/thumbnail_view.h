#pragma once
// The entries as a grid of small pictures: a second view on the entry list's model and
// selection, so picking, the filter, sorting and the keys are the list's own. Thumbnails are
// made by a ThumbnailPool off the window's thread; a cell shows a placeholder until its
// picture arrives, and entries that are no pictures show a file symbol and their type.

#include <QImage>
#include <QListView>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/edit/thumbnails.h"

namespace brindle {

class ThumbnailView : public QListView {
  Q_OBJECT
 public:
  // entryOf: the entry a row of the model stands for (-1 for none); rowOf: the reverse.
  struct Rows {
    std::function<int(int row)> entryOf;
    std::function<int(int entry)> rowOf;
  };

  ThumbnailView(const TDataFile& dataFile, Rows rows, QWidget* parent = nullptr,
                ThumbnailPool::Options options = {});
  ~ThumbnailView() override;

  // Looks whether the container changed (another one, or written to) and starts over on it
  // if so; then asks for what is in sight. Cheap when nothing changed.
  void Refresh();
  // No worker reads the container until the next Refresh: it is about to be written.
  void Hold() { pool_->Pause(); }
  // The entry's thumbnail as drawn, or a null image while there is none (yet).
  QImage Thumbnail(int entry);
  ThumbnailPool& pool() { return *pool_; }
  int EntryOf(int row) const { return rows_.entryOf(row); }
  void setModel(QAbstractItemModel* model) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  class Delegate;
  // What tells one state of the container from another.
  struct Stamp {
    std::string path;
    std::int64_t size = 0;
    std::int64_t date = 0;
    std::size_t entries = 0;
    bool operator==(const Stamp&) const = default;
  };

  void ScheduleRequest();
  // The rows in sight first, then the rows after and before them, as many as the cache holds.
  void RequestInSight();
  void TakeFinished();  // on the window's thread

  const TDataFile& dataFile_;
  Rows rows_;
  std::unique_ptr<ThumbnailPool> pool_;
  Stamp stamp_;
  QTimer* requestTimer_ = nullptr;
  std::mutex finishedMutex_;  // guards finished_, written by the workers
  // Entries made since TakeFinished last ran, with the pool's generation they belong to.
  std::vector<std::pair<int, std::uint64_t>> finished_;
};

}  // namespace brindle
