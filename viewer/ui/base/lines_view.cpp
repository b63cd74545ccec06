#include "viewer/ui/base/lines_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "common/codepage.h"

namespace brindle {

LinesView::LinesView(QWidget* parent) : QAbstractScrollArea(parent) {
  decode_ = [](const std::string& line) { return QString::fromStdString(Cp437ToUtf8(line)); };
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void LinesView::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  widest_ = 0;
  for (const std::string& l : lines_)
    widest_ = std::max(widest_, static_cast<int>(l.size()));
  anchor_ = cursor_ = -1;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

void LinesView::SetDecoder(std::function<QString(const std::string&)> decode) {
  decode_ = std::move(decode);
  viewport()->update();
}

int LinesView::LineHeight() const {
  return std::max(1, fontMetrics().height());
}

int LinesView::FirstVisibleLine() const {
  return verticalScrollBar()->value();
}

void LinesView::UpdateScrollBars() {
  const int visible = std::max(1, viewport()->height() / LineHeight());
  verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(lines_.size()) - visible));
  verticalScrollBar()->setPageStep(visible);
  const int charWidth = std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('M')));
  horizontalScrollBar()->setRange(0, std::max(0, widest_ * charWidth - viewport()->width() + 4));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void LinesView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void LinesView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), palette().base());
  const int h = LineHeight();
  const int first = FirstVisibleLine();
  const int count = viewport()->height() / h + 2;
  const int x = 2 - horizontalScrollBar()->value();
  const int lo = std::min(anchor_, cursor_);
  const int hi = std::max(anchor_, cursor_);
  for (int i = 0; i < count && first + i < static_cast<int>(lines_.size()); ++i) {
    const int line = first + i;
    QRect row(0, i * h, viewport()->width(), h);
    if (anchor_ >= 0 && line >= lo && line <= hi) {
      p.fillRect(row, palette().highlight());
      p.setPen(palette().highlightedText().color());
    } else {
      p.setPen(palette().text().color());
    }
    p.drawText(QPoint(x, i * h + fontMetrics().ascent()),
               decode_(lines_[static_cast<std::size_t>(line)]));
  }
}

int LinesView::LineAt(int y) const {
  int line = FirstVisibleLine() + y / LineHeight();
  return std::clamp(line, 0, std::max(0, static_cast<int>(lines_.size()) - 1));
}

void LinesView::mousePressEvent(QMouseEvent* event) {
  if (lines_.empty()) return;
  cursor_ = LineAt(event->position().toPoint().y());
  if (!(event->modifiers() & Qt::ShiftModifier) || anchor_ < 0) anchor_ = cursor_;
  viewport()->update();
}

void LinesView::mouseMoveEvent(QMouseEvent* event) {
  if (anchor_ < 0 || !(event->buttons() & Qt::LeftButton)) return;
  cursor_ = LineAt(event->position().toPoint().y());
  if (event->position().y() < 0) verticalScrollBar()->setValue(FirstVisibleLine() - 1);
  if (event->position().y() > viewport()->height())
    verticalScrollBar()->setValue(FirstVisibleLine() + 1);
  viewport()->update();
}

void LinesView::SelectAll() {
  if (lines_.empty()) return;
  anchor_ = 0;
  cursor_ = static_cast<int>(lines_.size()) - 1;
  viewport()->update();
}

QString LinesView::SelectedText() const {
  int lo = 0, hi = static_cast<int>(lines_.size()) - 1;
  if (anchor_ >= 0) {
    lo = std::min(anchor_, cursor_);
    hi = std::max(anchor_, cursor_);
  }
  QStringList out;
  for (int i = lo; i <= hi; ++i)
    out << decode_(lines_[static_cast<std::size_t>(i)]);
  return out.join('\n');
}

void LinesView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QApplication::clipboard()->setText(SelectedText());
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  const int page = verticalScrollBar()->pageStep();
  int move = 0;
  switch (event->key()) {
    case Qt::Key_Up:
      move = -1;
      break;
    case Qt::Key_Down:
      move = 1;
      break;
    case Qt::Key_PageUp:
      move = -page;
      break;
    case Qt::Key_PageDown:
      move = page;
      break;
    case Qt::Key_Home:
      move = -static_cast<int>(lines_.size());
      break;
    case Qt::Key_End:
      move = static_cast<int>(lines_.size());
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  if (event->modifiers() & Qt::ShiftModifier && !lines_.empty()) {
    if (anchor_ < 0) anchor_ = cursor_ = FirstVisibleLine();
    cursor_ = std::clamp(cursor_ + move, 0, static_cast<int>(lines_.size()) - 1);
    if (cursor_ < FirstVisibleLine()) verticalScrollBar()->setValue(cursor_);
    if (cursor_ >= FirstVisibleLine() + page) verticalScrollBar()->setValue(cursor_ - page + 1);
  } else {
    verticalScrollBar()->setValue(FirstVisibleLine() + move);
  }
  viewport()->update();
}

}  // namespace brindle
