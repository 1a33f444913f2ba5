#include "gui/plot/probe.h"

#include <QPainter>
#include <QPoint>
#include <algorithm>
#include <cmath>

#include "gui/plot/fieldplot.h"

QSize ScaleBitmapSize(QSize scaleBox) {
  return QSize(scaleBox.width() - 10, scaleBox.height() - 6);
}

void PaintScaleBitmap(QImage& bitmap) {
  if (bitmap.isNull())
    return;
  const int w = bitmap.width();
  const int h = bitmap.height();
  Surface surface(&bitmap);
  surface.SetPenWidth(1);
  surface.SetPenColor(Qt::black);
  surface.SetBrushColor(Qt::white);
  surface.Rectangle(0, 0, w, h);
  for (int y = 1; y <= h - 2; ++y) {
    surface.SetBrushColor(TemperatureColor(1 - (y - 1.0) / (h - 1), 0.5));
    surface.FillRect(1, y, w - 1, y + 1);
  }
}

void PaintScale(Surface& surface, QSize scaleBox, const QImage* scaleBitmap,
                std::optional<double> markerDepth) {
  const QSize bitmapSize = scaleBitmap ? scaleBitmap->size() : ScaleBitmapSize(scaleBox);
  const int w = bitmapSize.width();
  const int h = bitmapSize.height();
  const int x0 = scaleBox.width() - w;
  const int y0 = (scaleBox.height() - h) / 2;
  surface.SetPenWidth(1);
  surface.SetPenStyle(Surface::PenStyle::Solid);
  surface.SetPenColor(Qt::black);
  if (scaleBitmap == nullptr) {
    surface.SetBrushColor(Qt::white);
    surface.Rectangle(x0, y0, x0 + w, y0 + h);
    return;
  }
  surface.Painter().drawImage(QPoint(x0, y0), *scaleBitmap);
  if (!markerDepth || !std::isfinite(*markerDepth))
    return;
  const double d = std::clamp(*markerDepth, 0.0, 1.0);
  const int f = static_cast<int>((h - 2) * d);
  // Its tip, two pixels left of the bar, points at row f + 1 of the bar.
  const QPoint triangle[] = {{x0 - 2 - y0, f + 1},
                             {x0 - 2, f + 1 + y0},
                             {x0 - 2 - y0, f + 1 + 2 * y0},
                             {x0 - 2 - y0, f + 1}};
  surface.SetBrushColor(Qt::black);
  surface.Polygon(triangle, 4);
}

std::optional<double> MarkerDepth(const SimManager& manager, int32_t curSnapshot,
                                  VolumeIndex probe) {
  if (!probe.Valid() || curSnapshot < 0 || curSnapshot >= manager.Count())
    return std::nullopt;
  const NumMatrix<double>& T = manager.Snapshot(curSnapshot).T;
  if (probe.i >= T.N() || probe.j >= T.M())
    return std::nullopt;
  const std::optional<double> rate =
      TemperatureRate(T[probe.i][probe.j], manager.minT, manager.maxT);
  if (!rate)
    return std::nullopt;
  return 1 - *rate;
}
