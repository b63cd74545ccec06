#include "viewer/ui/shell/thumbnail_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <algorithm>

#include "viewer/core/formats/entry_types.h"

namespace brindle {

namespace {

constexpr int kMargin = 6;  // around the picture box, and between it and the name

}  // namespace

// A cell: the picture centred in its box, the entry's name under it.
class ThumbnailView::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(ThumbnailView& view) : QStyledItemDelegate(&view), view_(view) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return view_.gridSize();
  }

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QString name = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    // The whole cell shows the selection: without text or icon in the option the style
    // would fill only their (empty) rectangles, and the name, drawn in the selection's
    // colour, would vanish.
    opt.showDecorationSelected = true;
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, p, opt.widget);

    const int box = view_.pool_->Box();
    const QRect cell = option.rect;
    const QRect area(cell.left() + (cell.width() - box) / 2, cell.top() + kMargin, box, box);
    const int entry = view_.rows_.entryOf(index.row());
    const std::shared_ptr<const brindle::Thumbnail> t =
        entry >= 0 ? view_.pool_->Lookup(entry) : nullptr;
    p->save();
    if (t && !t->empty()) {
      const QImage image(t->rgba.data(), t->width, t->height, t->width * 4,
                         QImage::Format_RGBA8888);
      p->drawImage(area.left() + (box - t->width) / 2, area.top() + (box - t->height) / 2, image);
    } else if (t) {
      // No picture: a file symbol and the type.
      const int side = box / 2;
      style->standardIcon(QStyle::SP_FileIcon, nullptr, opt.widget)
          .paint(p, QRect(area.left() + (box - side) / 2, area.top() + 4, side, side));
      p->setPen(opt.palette.color(QPalette::PlaceholderText));
      p->drawText(area, Qt::AlignHCenter | Qt::AlignBottom,
                  QString::fromUtf8(ResourceTypeName(t->type)));
    } else {
      // Not made yet.
      p->setPen(QPen(opt.palette.color(QPalette::Mid), 1, Qt::DotLine));
      p->drawRect(area.adjusted(2, 2, -3, -3));
    }
    const bool selected = opt.state & QStyle::State_Selected;
    p->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect text(cell.left() + 2, area.bottom() + kMargin, cell.width() - 4,
                     opt.fontMetrics.height());
    p->drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                opt.fontMetrics.elidedText(name, Qt::ElideMiddle, text.width()));
    p->restore();
  }

 private:
  ThumbnailView& view_;
};

ThumbnailView::ThumbnailView(const TDataFile& dataFile, Rows rows, QWidget* parent,
                             ThumbnailPool::Options options)
    : QListView(parent), dataFile_(dataFile), rows_(std::move(rows)) {
  setObjectName("thumbnailview");
  pool_ = std::make_unique<ThumbnailPool>(options, [this](int entry, std::uint64_t generation) {
    // On a worker thread: the first news of a batch wakes the window's thread.
    bool first = false;
    {
      std::lock_guard lock(finishedMutex_);
      first = finished_.empty();
      finished_.push_back({entry, generation});
    }
    if (first)
      QMetaObject::invokeMethod(
          this, [this] { TakeFinished(); }, Qt::QueuedConnection);
  });
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);  // a plain grid: laid out as fast as a list
  setResizeMode(QListView::Adjust);
  setWrapping(true);
  setSpacing(0);
  setUniformItemSizes(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setGridSize(
      QSize(pool_->Box() + 2 * 12, pool_->Box() + 2 * kMargin + fontMetrics().height() + kMargin));
  setItemDelegate(new Delegate(*this));
  setContextMenuPolicy(Qt::ActionsContextMenu);
  requestTimer_ = new QTimer(this);
  requestTimer_->setSingleShot(true);
  requestTimer_->setInterval(0);
  connect(requestTimer_, &QTimer::timeout, this, &ThumbnailView::RequestInSight);
  // The menu key of the list works here as well.
  auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
  menuKey->setContext(Qt::WidgetWithChildrenShortcut);
  connect(menuKey, &QShortcut::activated, this, [this] {
    const QRect at = visualRect(currentIndex());
    const QPoint point = at.isValid() ? at.center() : QPoint(4, 4);
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, point, viewport()->mapToGlobal(point));
    QCoreApplication::sendEvent(viewport(), &menu);
  });
}

ThumbnailView::~ThumbnailView() {
  // The workers go before the fields their callback writes.
  pool_.reset();
}

void ThumbnailView::setModel(QAbstractItemModel* model) {
  QListView::setModel(model);
  if (!model) return;
  // A new container, the filter, a sort or a change of entries: what is in sight changes.
  auto changed = [this] {
    if (isVisible()) Refresh();
  };
  connect(model, &QAbstractItemModel::modelReset, this, changed);
  connect(model, &QAbstractItemModel::layoutChanged, this, changed);
  connect(model, &QAbstractItemModel::rowsInserted, this, changed);
  connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
}

void ThumbnailView::Refresh() {
  Stamp now{dataFile_.FileName, dataFile_.FileSize, dataFile_.FileDate, dataFile_.Entries.size()};
  if (!(now == stamp_)) {
    stamp_ = std::move(now);
    pool_->Reset(dataFile_);
    viewport()->update();
  }
  ScheduleRequest();
}

QImage ThumbnailView::Thumbnail(int entry) {
  const std::shared_ptr<const brindle::Thumbnail> t = pool_->Lookup(entry);
  if (!t || t->empty()) return {};
  return QImage(t->rgba.data(), t->width, t->height, t->width * 4, QImage::Format_RGBA8888).copy();
}

void ThumbnailView::showEvent(QShowEvent* event) {
  QListView::showEvent(event);
  Refresh();
}

void ThumbnailView::hideEvent(QHideEvent* event) {
  QListView::hideEvent(event);
  pool_->Request({});  // the list is back: nothing more is needed for now
}

void ThumbnailView::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  ScheduleRequest();
}

void ThumbnailView::scrollContentsBy(int dx, int dy) {
  QListView::scrollContentsBy(dx, dy);
  ScheduleRequest();
}

void ThumbnailView::ScheduleRequest() {
  if (isVisible() && !requestTimer_->isActive()) requestTimer_->start();
}

void ThumbnailView::RequestInSight() {
  const int count = model() ? model()->rowCount() : 0;
  if (count == 0 || !isVisible()) {
    pool_->Request({});
    return;
  }
  // The grid is laid out left to right, top to bottom, in cells of gridSize().
  const QSize cell = gridSize();
  const int columns = std::max(1, viewport()->width() / cell.width());
  const int top = verticalScrollBar()->value() / cell.height();
  const int lines = viewport()->height() / cell.height() + 2;
  const int first = std::clamp(top * columns, 0, count - 1);
  const int last = std::clamp((top + lines) * columns - 1, first, count - 1);
  // As many as the cache keeps, so the ones in sight are not pushed out by the rest.
  const std::size_t perThumbnail = static_cast<std::size_t>(pool_->Box()) * pool_->Box() * 4 + 256;
  const int budget = static_cast<int>(std::min<std::size_t>(
      static_cast<std::size_t>(count), std::max<std::size_t>(1, pool_->CacheCap() / perThumbnail)));
  std::vector<int> wanted;
  wanted.reserve(static_cast<std::size_t>(budget));
  auto add = [&](int row) {
    const int entry = rows_.entryOf(row);
    if (entry >= 0) wanted.push_back(entry);
  };
  for (int row = first; row <= last; ++row)
    add(row);
  // Then outward: the next rows and the ones before, in turn.
  for (int after = last + 1, before = first - 1;
       static_cast<int>(wanted.size()) < budget && (after < count || before >= 0);) {
    if (after < count) add(after++);
    if (before >= 0 && static_cast<int>(wanted.size()) < budget) add(before--);
  }
  pool_->Request(wanted);
}

void ThumbnailView::TakeFinished() {
  std::vector<std::pair<int, std::uint64_t>> done;
  {
    std::lock_guard lock(finishedMutex_);
    done.swap(finished_);
  }
  const std::uint64_t generation = pool_->Generation();
  for (auto [entry, made] : done) {
    if (made != generation) continue;
    const int row = rows_.rowOf(entry);
    if (row >= 0) update(model()->index(row, modelColumn()));
  }
}

}  // namespace brindle
