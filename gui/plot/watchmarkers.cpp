#include "gui/plot/watchmarkers.h"

#include <QFont>
#include <QString>

namespace {

const QColor kColors[] = {
    QColor(230, 25, 75),  QColor(0, 130, 200), QColor(60, 160, 60), QColor(145, 30, 180),
    QColor(245, 130, 48), QColor(0, 128, 128), QColor(128, 0, 0),   QColor(0, 0, 128),
};
constexpr int kColorCount = sizeof kColors / sizeof kColors[0];

}  // namespace

QColor WatchColor(int k) {
  return kColors[((k % kColorCount) + kColorCount) % kColorCount];
}

QColor WatchNumberColor(int k) {
  const QColor c = WatchColor(k);
  const double luminance = 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue();
  return luminance < 150 ? QColor(Qt::white) : QColor(Qt::black);
}

QPoint WatchMarkerCentre(const RCanvas& canvas, const Media& media, const VolumeIndex& volume) {
  const Point c = GeometryOf(media, volume.i, volume.j).centre;
  return QPoint(canvas.MapX(c.x), canvas.MapY(c.y));
}

void PaintWatchMarkers(Surface& surface, const RCanvas& canvas, const Media& media,
                       const std::vector<VolumeIndex>& watched) {
  if (watched.empty())
    return;
  const QFont before = surface.Painter().font();
  QFont font = before;
  font.setBold(true);
  font.setPixelSize(11);
  surface.SetFont(font);
  surface.SetPenWidth(0);
  surface.SetPenStyle(Surface::PenStyle::Solid);
  const int r = kWatchMarkerRadius;
  for (std::size_t k = 0; k < watched.size(); ++k) {
    const VolumeIndex& v = watched[k];
    if (v.i < 0 || v.j < 0 || v.i >= media.ni || v.j >= media.nj)
      continue;
    const QPoint c = WatchMarkerCentre(canvas, media, v);
    const int n = static_cast<int>(k);
    // Black ring, white ring, the colour inside.
    const QColor rings[] = {Qt::black, Qt::white, WatchColor(n)};
    for (int ring = 0; ring < 3; ++ring) {
      const int radius = r - ring;
      surface.SetPenColor(rings[ring]);
      surface.SetBrushColor(rings[ring]);
      surface.Ellipse(c.x() - radius, c.y() - radius, c.x() + radius + 1, c.y() + radius + 1);
    }
    const QString number = QString::number(n + 1);
    const QSize extent = surface.TextExtent(number);
    surface.SetFontColor(WatchNumberColor(n));
    surface.TextOut(c.x() - extent.width() / 2 + 1, c.y() - extent.height() / 2 + 1, number);
  }
  surface.SetFont(before);
}
