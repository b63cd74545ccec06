#include "viewer/ui/savegame/portrait_sheet.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace brindle {
namespace {

// Each portrait combines one entry of every table, stepping through them at different
// rates so that no two of the 25 look alike.
const QColor kBackdrops[] = {{74, 92, 128}, {110, 70, 60},  {60, 100, 70},
                             {96, 80, 120}, {120, 104, 64}, {64, 104, 112}};
const QColor kSkins[] = {{240, 204, 170}, {214, 168, 124}, {168, 116, 80}, {110, 74, 50}};
const QColor kHairs[] = {{40, 30, 24},  {120, 70, 30},   {210, 180, 90},
                         {170, 60, 30}, {200, 200, 205}, {70, 50, 40}};
const QColor kClothes[] = {{150, 30, 30}, {40, 70, 150},   {50, 120, 50}, {140, 120, 40},
                           {90, 40, 110}, {100, 100, 100}, {160, 90, 30}};

template <typename T, std::size_t N>
const T& Pick(const T (&table)[N], int index, int step) {
  return table[static_cast<std::size_t>(index * step) % N];
}

void DrawPortrait(QPainter& painter, int p) {
  const QColor skin = Pick(kSkins, p, 3);
  const QColor hair = Pick(kHairs, p, 5);
  painter.fillRect(0, 0, kPortraitWidth, kPortraitHeight, Pick(kBackdrops, p, 1));

  // Shoulders and collar.
  painter.setPen(Qt::NoPen);
  painter.setBrush(Pick(kClothes, p, 2));
  painter.drawEllipse(QRectF(1, 25, 23, 16));
  painter.setBrush(skin.darker(115));
  painter.drawRect(QRectF(10, 22, 5, 5));

  // Head: rounder or longer by index.
  const double headWidth = 12 + (p % 3);
  const double headHeight = 15 + (p / 3) % 3;
  const QRectF head(12.5 - headWidth / 2, 7, headWidth, headHeight);
  painter.setBrush(skin);
  painter.drawEllipse(head);

  // Hair in one of five cuts.
  painter.setBrush(hair);
  switch (p % 5) {
    case 0:  // short crop
      painter.drawChord(head.adjusted(-1, -1, 1, 0), 0, 180 * 16);
      break;
    case 1:  // long, down both sides
      painter.drawChord(head.adjusted(-1, -2, 1, 0), 0, 180 * 16);
      painter.drawRect(QRectF(head.left() - 1, head.top() + 4, 3, 12));
      painter.drawRect(QRectF(head.right() - 2, head.top() + 4, 3, 12));
      break;
    case 2: {  // hood
      QPainterPath hood;
      hood.addRoundedRect(head.adjusted(-3, -3, 3, 4), 6, 6);
      QPainterPath face;
      face.addEllipse(head.adjusted(1, 2, -1, 0));
      painter.drawPath(hood.subtracted(face));
      break;
    }
    case 3:  // bald with a fringe at the sides
      painter.drawRect(QRectF(head.left(), head.top() + 5, 2, 4));
      painter.drawRect(QRectF(head.right() - 2, head.top() + 5, 2, 4));
      break;
    default:  // topknot
      painter.drawChord(head.adjusted(0, -1, 0, 0), 0, 180 * 16);
      painter.drawEllipse(QRectF(10.5, 2, 4, 4));
      break;
  }

  // Eyes, mouth, and a beard on every third face.
  const double eyeY = head.top() + headHeight * 0.45;
  painter.setBrush(QColor(20, 20, 30));
  painter.drawRect(QRectF(12.5 - 4, eyeY, 2, 2));
  painter.drawRect(QRectF(12.5 + 2, eyeY, 2, 2));
  if (p % 3 == 1) {
    painter.setBrush(hair);
    painter.drawChord(head.adjusted(1, 2, -1, 1), 180 * 16, 180 * 16);
  }
  painter.setBrush(QColor(150, 50, 50));
  painter.drawRect(QRectF(10.5, head.bottom() - 4, 4 + (p % 2), 1));
}

}  // namespace

QRect PortraitCell(int portrait) {
  return QRect((portrait % kPortraitsPerRow) * kPortraitWidth,
               (portrait / kPortraitsPerRow) * kPortraitHeight, kPortraitWidth, kPortraitHeight);
}

QPixmap PortraitSheet() {
  QImage sheet(kPortraitsPerRow * kPortraitWidth, 2 * kPortraitHeight, QImage::Format_RGB32);
  sheet.fill(QColor(0, 0, 0));
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int p = 0; p < kPortraitCount; ++p) {
    const QRect cell = PortraitCell(p);
    painter.save();
    painter.translate(cell.topLeft());
    painter.setClipRect(0, 0, kPortraitWidth, kPortraitHeight);
    DrawPortrait(painter, p);
    painter.restore();
  }
  painter.end();
  return QPixmap::fromImage(sheet);
}

}  // namespace brindle
