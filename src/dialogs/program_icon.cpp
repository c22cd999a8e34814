#include "dialogs/program_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace quillon {

QPixmap ProgramArtwork(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(QColor(0, 0, 128));
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size / 100.0;
  // A receiver mast with radio waves and a drive route below it.
  p.setPen(QPen(Qt::white, 4 * s));
  p.drawLine(QPointF(50 * s, 30 * s), QPointF(50 * s, 75 * s));
  p.setPen(QPen(QColor(255, 200, 0), 3 * s));
  for (int r = 1; r <= 3; ++r) {
    const QRectF arc((50 - 10 * r) * s, (30 - 10 * r) * s, 20 * r * s, 20 * r * s);
    p.drawArc(arc, 30 * 16, 120 * 16);
  }
  QPainterPath route;
  route.moveTo(8 * s, 92 * s);
  route.cubicTo(30 * s, 70 * s, 60 * s, 100 * s, 92 * s, 80 * s);
  p.setPen(QPen(QColor(0, 200, 80), 4 * s));
  p.drawPath(route);
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(ProgramArtwork(size));
  return icon;
}

}  // namespace quillon
