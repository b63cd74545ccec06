#include "viewer/ui/pages/zoom_image.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

namespace brindle {

ZoomImage::ZoomImage(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);  // Tab reaches it, so + and - zoom without a mouse
}

void ZoomImage::SetImage(QImage image) {
  image_ = std::move(image);
  resize(image_.size() * zoom_);
  update();
}

void ZoomImage::SetZoom(int zoom) {
  zoom_ = std::clamp(zoom, 1, kMaxZoom);
  resize(image_.size() * zoom_);
  update();
}

void ZoomImage::paintEvent(QPaintEvent* event) {
  if (image_.isNull()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  // Only the picture pixels under the exposed area, so a large zoom costs no more.
  const QRect exposed = event->rect();
  const QRect source(exposed.left() / zoom_, exposed.top() / zoom_, exposed.width() / zoom_ + 2,
                     exposed.height() / zoom_ + 2);
  const QRect clipped = source.intersected(image_.rect());
  if (clipped.isEmpty()) return;
  const QRect target(clipped.topLeft() * zoom_, clipped.size() * zoom_);
  p.drawImage(target, image_, clipped);
}

void ZoomImage::mouseMoveEvent(QMouseEvent* event) {
  // Whole picture pixels: the division rounds down (QPoint's own would round to nearest).
  const QPoint p = event->position().toPoint();
  const QPoint at(p.x() < 0 ? -1 : p.x() / zoom_, p.y() < 0 ? -1 : p.y() / zoom_);
  if (onPointer) {
    if (image_.rect().contains(at)) {
      onPointer(at.x(), at.y());
    } else {
      onPointer(-1, -1);
    }
  }
}

void ZoomImage::leaveEvent(QEvent*) {
  if (onPointer) onPointer(-1, -1);
}

void ZoomImage::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      SetZoom(zoom_ + 1);
      break;
    case Qt::Key_Minus:
      SetZoom(zoom_ - 1);
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void ZoomImage::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    event->ignore();  // the scroll box scrolls
    return;
  }
  const int steps = event->angleDelta().y() / 120;
  SetZoom(zoom_ + (steps != 0 ? steps : (event->angleDelta().y() > 0 ? 1 : -1)));
  event->accept();
}

QString PixelText(const QImage& image, int x, int y) {
  if (!image.rect().contains(x, y)) return {};
  const QRgb c = image.pixel(x, y);
  const QString colour = QString("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
  if (image.format() == QImage::Format_Indexed8) {
    return QString("%1, %2: index %3, %4").arg(x).arg(y).arg(image.pixelIndex(x, y)).arg(colour);
  }
  return QString("%1, %2: %3").arg(x).arg(y).arg(colour);
}

}  // namespace brindle
