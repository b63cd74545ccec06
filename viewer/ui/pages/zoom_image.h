#pragma once
// A picture shown at a whole-number zoom (1x to 16x, nearest neighbour, so pixels stay
// sharp), telling where the pointer is in picture pixels. Ctrl+wheel and the +/- keys
// zoom; the widget resizes itself so a scroll box around it scrolls the whole picture.

#include <QImage>
#include <QWidget>
#include <functional>

namespace brindle {

class ZoomImage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxZoom = 16;

  explicit ZoomImage(QWidget* parent = nullptr);
  void SetImage(QImage image);
  const QImage& image() const { return image_; }
  void SetZoom(int zoom);
  int zoom() const { return zoom_; }

  // The picture pixel under the pointer (x, y), or (-1, -1) when it leaves the picture.
  std::function<void(int x, int y)> onPointer;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QImage image_;
  int zoom_ = 1;
};

// The status text for a pixel: "x, y: index i, #RRGGBB" for indexed pictures, "x, y:
// #RRGGBB" for the others; empty outside the picture.
QString PixelText(const QImage& image, int x, int y);

}  // namespace brindle
