#include "viewer/ui/base/lines_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <limits>
#include <memory>

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
  std::size_t widest = 0;
  for (const std::string& l : lines)
    widest = std::max(widest, l.size());
  auto held = std::make_shared<const std::vector<std::string>>(std::move(lines));
  const std::size_t count = held->size();
  SetLineSource(
      count, [held](std::size_t i) { return (*held)[i]; }, widest);
}

void LinesView::SetLineSource(std::size_t count, LineSource line, std::size_t widest) {
  count_ = static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
  line_ = std::move(line);
  widest_ = static_cast<int>(std::min<std::size_t>(widest, std::numeric_limits<int>::max()));
  anchor_ = cursor_ = -1;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

std::vector<std::string> LinesView::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(count_));
  for (int i = 0; i < count_; ++i)
    lines.push_back(Line(i));
  return lines;
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
  verticalScrollBar()->setRange(0, std::max(0, count_ - visible));
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
  for (int i = 0; i < count && first + i < count_; ++i) {
    const int line = first + i;
    QRect row(0, i * h, viewport()->width(), h);
    if (anchor_ >= 0 && line >= lo && line <= hi) {
      p.fillRect(row, palette().highlight());
      p.setPen(palette().highlightedText().color());
    } else {
      p.setPen(palette().text().color());
    }
    p.drawText(QPoint(x, i * h + fontMetrics().ascent()), decode_(Line(line)));
  }
}

int LinesView::LineAt(int y) const {
  int line = FirstVisibleLine() + y / LineHeight();
  return std::clamp(line, 0, std::max(0, count_ - 1));
}

void LinesView::mousePressEvent(QMouseEvent* event) {
  if (count_ == 0) return;
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
  if (count_ == 0) return;
  anchor_ = 0;
  cursor_ = count_ - 1;
  viewport()->update();
}

void LinesView::SelectLine(int i) {
  if (i < 0 || i >= count_) return;
  anchor_ = cursor_ = i;
  // A line out of view comes to the middle, with what lies around it.
  const int page = verticalScrollBar()->pageStep();
  if (i < FirstVisibleLine() || i >= FirstVisibleLine() + page)
    verticalScrollBar()->setValue(i - page / 2);
  viewport()->update();
}

QString LinesView::SelectedText() const {
  int lo = 0, hi = count_ - 1;
  if (anchor_ >= 0) {
    lo = std::min(anchor_, cursor_);
    hi = std::max(anchor_, cursor_);
  }
  QStringList out;
  for (int i = lo; i <= hi; ++i)
    out << decode_(Line(i));
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
      move = -count_;
      break;
    case Qt::Key_End:
      move = count_;
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  if (event->modifiers() & Qt::ShiftModifier && count_ > 0) {
    if (anchor_ < 0) anchor_ = cursor_ = FirstVisibleLine();
    cursor_ = std::clamp(cursor_ + move, 0, count_ - 1);
    if (cursor_ < FirstVisibleLine()) verticalScrollBar()->setValue(cursor_);
    if (cursor_ >= FirstVisibleLine() + page) verticalScrollBar()->setValue(cursor_ - page + 1);
  } else {
    verticalScrollBar()->setValue(FirstVisibleLine() + move);
  }
  viewport()->update();
}

}  // namespace brindle
