#include "gui/platform/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <utility>

namespace {

constexpr int side = 20;

void Triangle(QPainter& p, double left, double right, bool pointsRight) {
  QPolygonF t;
  if (pointsRight) {
    t << QPointF(left, 4) << QPointF(right, 10) << QPointF(left, 16);
  } else {
    t << QPointF(right, 4) << QPointF(left, 10) << QPointF(right, 16);
  }
  p.drawPolygon(t);
}

void Draw(QPainter& p, const QString& name) {
  const QColor ink(40, 40, 40);
  p.setPen(QPen(ink, 1.2));
  p.setBrush(ink);
  if (name == "open") {
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(2.5, 6.5, 15, 10));
    p.drawRect(QRectF(2.5, 4.5, 6, 2));
  } else if (name == "geometry") {
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k <= 3; ++k) {
      p.drawLine(QPointF(3 + 4.7 * k, 3), QPointF(3 + 4.7 * k, 17));
      p.drawLine(QPointF(3, 3 + 4.7 * k), QPointF(17, 3 + 4.7 * k));
    }
  } else if (name == "properties") {
    const QColor swatches[4] = {QColor(230, 190, 40), QColor(190, 90, 40), QColor(120, 120, 140),
                                QColor(80, 140, 200)};
    for (int k = 0; k < 4; ++k) {
      p.setBrush(swatches[k]);
      p.drawRect(QRectF(2.5 + 8 * (k % 2), 2.5 + 8 * (k / 2), 7, 7));
    }
  } else if (name == "boundary") {
    p.setBrush(Qt::NoBrush);
    const QColor colours[4] = {Qt::red, QColor(0, 170, 0), QColor(0, 170, 170), Qt::magenta};
    const QLineF sides[4] = {{3, 3, 17, 3}, {3, 17, 17, 17}, {17, 3, 17, 17}, {3, 3, 3, 17}};
    for (int k = 0; k < 4; ++k) {
      p.setPen(QPen(colours[k], 2.5));
      p.drawLine(sides[k]);
    }
  } else if (name == "simulation") {
    QLinearGradient ramp(0, 17, 0, 3);
    ramp.setColorAt(0, Qt::blue);
    ramp.setColorAt(0.5, Qt::green);
    ramp.setColorAt(1, Qt::red);
    p.setBrush(ramp);
    p.drawRect(QRectF(3.5, 3.5, 6, 13));
    p.setBrush(ink);
    Triangle(p, 11, 18, true);
  } else if (name == "first") {
    p.drawRect(QRectF(3, 4, 2, 12));
    Triangle(p, 5, 16, false);
  } else if (name == "previous") {
    Triangle(p, 4, 15, false);
  } else if (name == "play") {
    p.setBrush(QColor(0, 140, 0));
    Triangle(p, 5, 16, true);
  } else if (name == "next") {
    Triangle(p, 5, 16, true);
  } else if (name == "last") {
    Triangle(p, 4, 15, true);
    p.drawRect(QRectF(15, 4, 2, 12));
  } else if (name == "pause") {
    p.drawRect(QRectF(5, 4, 3, 12));
    p.drawRect(QRectF(12, 4, 3, 12));
  } else if (name == "autoscale") {
    p.drawLine(QPointF(3, 17), QPointF(16, 4));
    QPolygonF head;
    head << QPointF(17, 3) << QPointF(10, 5) << QPointF(15, 10);
    p.drawPolygon(head);
  } else if (name == "history") {
    // T(t): axes and a curve that rises and levels off, with a marker on it.
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(3, 2.5), QPointF(3, 17));
    p.drawLine(QPointF(3, 17), QPointF(18, 17));
    QPainterPath curve(QPointF(4, 15));
    curve.cubicTo(QPointF(7, 6), QPointF(11, 5), QPointF(18, 4.5));
    p.setPen(QPen(QColor(220, 40, 60), 1.8));
    p.drawPath(curve);
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(0, 130, 200));
    p.drawEllipse(QPointF(8.5, 8), 2.2, 2.2);
  } else if (name == "legend") {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 2.5, 15, 15));
    p.setBrush(ink);
    for (int k = 0; k < 3; ++k)
      p.drawRect(QRectF(5, 5.5 + 4 * k, 10, 1.5));
  } else if (name == "help" || name == "whatsthis") {
    p.setBrush(name == "help" ? QColor(60, 110, 200) : QColor(230, 200, 60));
    p.drawEllipse(QRectF(2.5, 2.5, 15, 15));
    p.setPen(name == "help" ? Qt::white : ink);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(12);
    p.setFont(font);
    p.drawText(QRectF(2.5, 2.5, 15, 15), Qt::AlignCenter, "?");
  } else if (name == "undo" || name == "redo") {
    // The usual curved arrow: back to the left for undo, its mirror image for redo.
    if (name == "redo") {
      p.translate(side, 0);
      p.scale(-1, 1);
    }
    const QColor blue(40, 90, 170);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(blue, 2.2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath arc;
    arc.moveTo(7, 7.5);
    arc.cubicTo(12, 4.5, 17.5, 6.5, 17, 11);
    arc.cubicTo(16.5, 15, 13, 16.5, 9, 16.5);
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    QPolygonF head;
    head << QPointF(2, 9.5) << QPointF(8.5, 3) << QPointF(10, 12);
    p.drawPolygon(head);
  } else if (name == "save") {
    p.setBrush(QColor(60, 90, 160));
    p.drawRect(QRectF(2.5, 2.5, 15, 15));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 2.5, 9, 6));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(6, 11.5, 8, 6));
  } else if (name == "print") {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 2.5, 9, 6));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(2.5, 7.5, 15, 7));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 12.5, 9, 5));
  } else if (name == "cut") {
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(6, 2), QPointF(13, 13));
    p.drawLine(QPointF(14, 2), QPointF(7, 13));
    p.drawEllipse(QRectF(3, 12.5, 5, 5));
    p.drawEllipse(QRectF(12, 12.5, 5, 5));
  } else if (name == "copy" || name == "paste") {
    if (name == "paste") {
      p.setBrush(QColor(190, 140, 70));
      p.drawRect(QRectF(2.5, 3.5, 11, 14));
    } else {
      p.setBrush(Qt::white);
      p.drawRect(QRectF(2.5, 2.5, 9, 11));
    }
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 7.5, 10, 10));
    for (int k = 0; k < 3; ++k)
      p.drawLine(QPointF(9.5, 10.5 + 2.5 * k), QPointF(15.5, 10.5 + 2.5 * k));
  }
}

}  // namespace

QIcon ToolIcon(const QString& name) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  Draw(painter, name);
  painter.end();
  return QIcon(pixmap);
}

QCursor PaintingCursor() {
  constexpr int size = 32;
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn along the diagonal from the top right (handle) to the bottom left (tip); a white
  // rim keeps it visible over any material colour.
  p.translate(size, 0);
  p.rotate(45);
  const QColor ink(30, 30, 30);
  for (const auto& [pen, width] : {std::pair<QColor, double>{Qt::white, 3.0}, {ink, 1.0}}) {
    p.setPen(QPen(pen, width));
    p.setBrush(pen == ink ? QColor(160, 100, 40) : QColor(Qt::white));
    p.drawRoundedRect(QRectF(-2.5, 2, 5, 20), 2, 2);  // handle
    p.setBrush(pen == ink ? QColor(190, 190, 200) : QColor(Qt::white));
    p.drawRect(QRectF(-3.5, 22, 7, 6));  // ferrule
    p.setBrush(pen == ink ? QColor(200, 40, 40) : QColor(Qt::white));
    QPolygonF bristles;
    bristles << QPointF(-3.5, 28) << QPointF(3.5, 28) << QPointF(2, 38) << QPointF(0, 43)
             << QPointF(-2, 38);
    p.drawPolygon(bristles);
  }
  p.end();
  return QCursor(pixmap, 1, size - 2);
}
