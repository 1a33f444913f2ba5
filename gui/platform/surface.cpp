#include "gui/platform/surface.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPen>
#include <QPolygon>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "gui/platform/pixelline.h"
#include "sim/check.h"

namespace {

using pixelline::Clamp;

// Sorted, clamped bounds of a shape; false when it covers no pixel.
bool Normalise(int& left, int& top, int& right, int& bottom) {
  left = Clamp(left);
  top = Clamp(top);
  right = Clamp(right);
  bottom = Clamp(bottom);
  if (right < left)
    std::swap(left, right);
  if (bottom < top)
    std::swap(top, bottom);
  return right > left && bottom > top;
}

}  // namespace

Surface::Surface(QPaintDevice* device) : painter(&ownPainter) {
  INVARIANT(device != nullptr, "device != nullptr");
  ownPainter.begin(device);
  if (device->devType() == QInternal::Image)
    image = static_cast<QImage*>(device);
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setRenderHint(QPainter::TextAntialiasing, false);
  painter->setBackgroundMode(Qt::TransparentMode);
  SetFont(painter->font());
  ApplyPen();
  ApplyBrush();
}

Surface::Surface(QPainter& active) : painter(&active), borrowed(true) {
  // The painter belongs to a paint event: leave it as we found it.
  painter->save();
  QPaintDevice* device = painter->device();
  if (device && device->devType() == QInternal::Image)
    image = static_cast<QImage*>(device);
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setRenderHint(QPainter::TextAntialiasing, false);
  painter->setBackgroundMode(Qt::TransparentMode);
  SetFont(painter->font());
  ApplyPen();
  ApplyBrush();
}

Surface::~Surface() {
  if (borrowed) {
    painter->restore();
  } else if (ownPainter.isActive()) {
    ownPainter.end();
  }
}

void Surface::SetPenColor(const QColor& color) {
  penColor = color;
}

void Surface::SetPenWidth(int width) {
  penWidth = std::max(width, 0);
}

void Surface::SetPenStyle(PenStyle style) {
  penStyle = style;
}

void Surface::SetBrushColor(const QColor& color) {
  brushColor = color;
  brushHollow = false;
}

void Surface::SetBrushSolid() {
  brushHollow = false;
}

void Surface::SetBrushHollow() {
  brushHollow = true;
}

void Surface::SetFont(const QFont& font) {
  QFont aliased = font;
  aliased.setStyleStrategy(QFont::NoAntialias);
  painter->setFont(aliased);
}

void Surface::SetFontColor(const QColor& color) {
  fontColor = color;
}

void Surface::SetFontPixelHeight(int pixels) {
  QFont font = painter->font();
  font.setPixelSize(std::max(pixels, 1));
  SetFont(font);
}

void Surface::ApplyPen() {
  // Width 0 is QPainter's cosmetic one-pixel pen; only wider pens get round ends.
  QPen pen(penColor, penWidth > 1 ? penWidth : 0,
           penStyle == PenStyle::Dot ? Qt::DotLine : Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter->setPen(pen);
}

void Surface::ApplyBrush() {
  painter->setBrush(brushHollow ? QBrush(Qt::NoBrush) : QBrush(brushColor));
}

QRect Surface::VisibleBounds() const {
  QPaintDevice* device = painter->device();
  QRect bounds(0, 0, device ? device->width() : 0, device ? device->height() : 0);
  const QTransform transform = painter->combinedTransform();
  if (!transform.isIdentity()) {
    bool invertible = false;
    const QTransform inverse = transform.inverted(&invertible);
    if (!invertible)
      return QRect();
    bounds = inverse.mapRect(bounds).adjusted(-1, -1, 1, 1);
  }
  if (painter->hasClipping())
    bounds &= painter->clipBoundingRect().toAlignedRect();
  return bounds;
}

void Surface::PixelLine(QPoint from, QPoint to, int& phase) {
  // A line without length covers nothing; finding the visible area costs more than a
  // short line, and band outlines have many such edges.
  if (QPoint(Clamp(from.x()), Clamp(from.y())) == QPoint(Clamp(to.x()), Clamp(to.y())))
    return;
  const int startPhase = phase;
  const bool dotted = penStyle == PenStyle::Dot;
  // The buffer outlives the call: band fills draw hundreds of thousands of short edges.
  std::vector<QPoint>& pixels = pixelBuffer;
  pixels.clear();
  const int64_t n = pixelline::ForEach(from, to, VisibleBounds(), [&](int64_t k, QPoint pixel) {
    if (!dotted || (startPhase + k) % 2 == 0)
      pixels.push_back(pixel);
  });
  phase = static_cast<int>((phase + n) % 2);
  if (pixels.empty())
    return;
  painter->setPen(QPen(penColor, 0));
  painter->drawPoints(pixels.data(), static_cast<int>(pixels.size()));
}

void Surface::MoveTo(int x, int y) {
  position = QPoint(x, y);
  dotPhase = 0;
}

void Surface::LineTo(int x, int y) {
  const QPoint from = position;
  position = QPoint(x, y);
  if (penWidth <= 1) {
    PixelLine(from, position, dotPhase);
    return;
  }
  if (from == position)
    return;
  ApplyPen();
  painter->drawLine(QPoint(Clamp(from.x()), Clamp(from.y())), QPoint(Clamp(x), Clamp(y)));
}

void Surface::Rectangle(int left, int top, int right, int bottom) {
  if (!Normalise(left, top, right, bottom))
    return;
  if (!brushHollow)
    painter->fillRect(QRect(left, top, right - left, bottom - top), brushColor);
  if (penWidth > 1) {
    ApplyPen();
    QPen pen = painter->pen();
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
    return;
  }
  if (right - left == 1 && bottom - top == 1) {
    painter->setPen(QPen(penColor, 0));
    painter->drawPoint(left, top);
    return;
  }
  const QPoint corners[] = {
      {left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}, {left, top}};
  int phase = 0;
  for (int k = 0; k < 4; ++k)
    PixelLine(corners[k], corners[k + 1], phase);
}

void Surface::Ellipse(int left, int top, int right, int bottom) {
  if (!Normalise(left, top, right, bottom))
    return;
  if (right - left == 1 || bottom - top == 1) {
    // QPainter draws no ellipse of zero size; one this thin is all outline.
    painter->fillRect(QRect(left, top, right - left, bottom - top), penColor);
    return;
  }
  ApplyPen();
  ApplyBrush();
  painter->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void Surface::FillRect(int left, int top, int right, int bottom) {
  if (brushHollow)
    return;
  left = Clamp(left);
  top = Clamp(top);
  right = Clamp(right);
  bottom = Clamp(bottom);
  if (right <= left || bottom <= top)
    return;
  painter->fillRect(QRect(left, top, right - left, bottom - top), brushColor);
}

void Surface::Polygon(const QPoint* points, int count) {
  if (points == nullptr || count <= 0)
    return;
  QPolygon polygon(count);
  for (int k = 0; k < count; ++k)
    polygon[k] = QPoint(Clamp(points[k].x()), Clamp(points[k].y()));
  if (polygon.last() != polygon.first())
    polygon << polygon.first();

  if (!brushHollow && polygon.size() > 3) {
    // QPainter fills the pixels whose centres, at +0.5, lie inside; the outline below treats
    // a pixel as its integer point. Shifting the fill by half a pixel puts both on the same
    // footing, so the fill never pokes out past the outline.
    QPolygonF shifted(polygon);
    shifted.translate(0.5, 0.5);
    painter->setPen(Qt::NoPen);
    painter->setBrush(brushColor);
    painter->drawPolygon(shifted, Qt::OddEvenFill);
  }
  if (penWidth > 1) {
    ApplyPen();
    painter->setBrush(Qt::NoBrush);
    painter->drawPolygon(polygon, Qt::OddEvenFill);
    return;
  }
  int phase = 0;
  for (int k = 0; k + 1 < polygon.size(); ++k) {
    if (polygon[k] == polygon[k + 1]) {
      const QRect visible = VisibleBounds();
      if (visible.contains(polygon[k]) && (penStyle != PenStyle::Dot || phase == 0)) {
        painter->setPen(QPen(penColor, 0));
        painter->drawPoint(polygon[k]);
      }
      continue;
    }
    PixelLine(polygon[k], polygon[k + 1], phase);
  }
}

void Surface::TextOut(int x, int y, const QString& text) {
  painter->setPen(QPen(fontColor));
  const QFontMetrics metrics = painter->fontMetrics();
  painter->drawText(QPoint(x, y + metrics.ascent()), text);
}

QSize Surface::TextExtent(const QString& text) {
  const QFontMetrics metrics = painter->fontMetrics();
  return QSize(metrics.horizontalAdvance(text), metrics.height());
}

QColor Surface::Pixel(int x, int y) const {
  if (image == nullptr || !image->valid(x, y))
    return QColor();
  return QColor(image->pixel(x, y));
}
