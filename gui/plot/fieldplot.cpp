#include "gui/plot/fieldplot.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QPointF>
#include <QPolygon>
#include <QRect>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "gui/platform/pixelline.h"
#include "sim/check.h"
#include "sim/geometry.h"
#include "sim/numeric.h"

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kCyan(0, 255, 255);
const QColor kMagenta(255, 0, 255);
const QColor kYellow(255, 255, 0);
const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

enum class Side { North, South, East, West };

// Below this the run's extremes count as equal, and a flux scale as none.
constexpr double kTiny = 1e-5;

// Polygons and lines with a single-pixel solid pen, pixel for pixel as the surface draws
// them one by one, but at a fraction of the cost: the plot puts down tens of thousands of
// small polygons per frame. A polygon's fill is the painter's fill of its outline shifted by
// half a pixel, exactly the surface's call, and goes down at once. Outline pixels follow the
// surface's line rule (an edge covers its start and excludes its end; pixel k lies k steps
// along the major axis, its minor coordinate rounded from the exact line, halves upwards)
// and are held until Flush or the next change of colours: within one pen colour their order
// cannot show. Callers flush before anything that may overlap them in another colour.
class ShapeBatch {
 public:
  explicit ShapeBatch(QPainter& painter)
      : painter(painter), visible(VisibleArea(painter)), image(DirectTarget(painter)) {}
  ~ShapeBatch() { Flush(); }
  ShapeBatch(const ShapeBatch&) = delete;
  ShapeBatch& operator=(const ShapeBatch&) = delete;

  // Whether the batch draws what the surface would: on an untransformed painter with a pen
  // of at most one pixel.
  static bool Applies(Surface& surface) {
    return surface.Painter().isActive() && surface.PenWidth() <= 1 &&
           surface.Painter().combinedTransform().isIdentity();
  }

  void SetColours(const QColor& pen, const QColor& brush) {
    Flush();
    penColour = pen;
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
  }

  // points[count-1] repeats points[0].
  void Polygon(const QPoint* points, int count) {
    if (points == nullptr || count <= 0)
      return;
    ring.clear();
    for (int k = 0; k < count; ++k)
      ring.emplace_back(Clamp(points[k].x()), Clamp(points[k].y()));
    if (ring.back() != ring.front())
      ring.push_back(ring.front());
    if (ring.size() > 3) {
      shifted.clear();
      for (const QPoint& p : ring)
        shifted.emplace_back(p.x() + 0.5, p.y() + 0.5);
      painter.drawPolygon(shifted.data(), static_cast<int>(shifted.size()), Qt::OddEvenFill);
    }
    for (size_t k = 0; k + 1 < ring.size(); ++k) {
      if (ring[k] == ring[k + 1]) {
        if (visible.contains(ring[k]))
          outline.push_back(ring[k]);
        continue;
      }
      Line(ring[k], ring[k + 1]);
    }
  }

  void Line(QPoint from, QPoint to) {
    pixelline::ForEach(from, to, visible,
                       [this](int64_t, QPoint pixel) { outline.push_back(pixel); });
  }

  void Flush() {
    if (outline.empty())
      return;
    if (image != nullptr && penColour.alpha() == 255) {
      // The painter puts each point down through its whole blending machinery, which costs
      // more than the rest of a band together; an opaque pixel of a 32-bit image is one
      // store. The raster engine draws at once and keeps no copy, so storing beside it is
      // safe while the image is not shared.
      const QRgb value = penColour.rgb();
      uchar* bits = image->bits();
      const qsizetype stride = image->bytesPerLine();
      for (const QPoint& p : outline)
        reinterpret_cast<QRgb*>(bits + p.y() * stride)[p.x()] = value;
    } else {
      painter.setPen(QPen(penColour, 0));
      painter.drawPoints(outline.data(), static_cast<int>(outline.size()));
      painter.setPen(Qt::NoPen);
    }
    outline.clear();
  }

 private:
  // The image whose pixels may be stored directly, with the result the painter would give.
  static QImage* DirectTarget(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (device == nullptr || device->devType() != QInternal::Image)
      return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    const bool plain32 = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                         format == QImage::Format_ARGB32_Premultiplied;
    // A shared image would be copied away from under the painter by the first store.
    if (!plain32 || !image->isDetached() || painter.hasClipping() || painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
      return nullptr;
    return image;
  }
  static QRect VisibleArea(QPainter& painter) {
    QPaintDevice* device = painter.device();
    QRect area(0, 0, device ? device->width() : 0, device ? device->height() : 0);
    if (painter.hasClipping())
      area &= painter.clipBoundingRect().toAlignedRect();
    return area;
  }
  static int Clamp(int v) { return pixelline::Clamp(v); }

  QPainter& painter;
  const QRect visible;
  QImage* const image;
  QColor penColour;
  std::vector<QPoint> ring;
  std::vector<QPointF> shifted;
  std::vector<QPoint> outline;
};

Quad VolumeQuad(const Media& media, int32_t i, int32_t j) {
  return Quad{media.node(i + 1, j + 1), media.node(i, j + 1), media.node(i, j),
              media.node(i + 1, j)};
}

Point QuadCentre(const Quad& q) {
  return Point{(q[0].x + q[1].x + q[2].x + q[3].x) * 0.25,
               (q[0].y + q[1].y + q[2].y + q[3].y) * 0.25};
}

Point Midpoint(const Point& a, const Point& b) {
  return Point{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}

// A side as one polyline through its nodes, in increasing index.
void DrawSide(Surface& surface, const RCanvas& canvas, const Media& media, Side side) {
  const bool alongI = side == Side::North || side == Side::South;
  const int32_t count = alongI ? media.ni : media.nj;
  auto node = [&](int32_t k) -> const Point& {
    switch (side) {
      case Side::North:
        return media.node(k, media.nj);
      case Side::South:
        return media.node(k, 0);
      case Side::East:
        return media.node(media.ni, k);
      case Side::West:
        break;
    }
    return media.node(0, k);
  };
  surface.MoveTo(canvas.MapX(node(0).x), canvas.MapY(node(0).y));
  for (int32_t k = 1; k <= count; ++k)
    surface.LineTo(canvas.MapX(node(k).x), canvas.MapY(node(k).y));
}

void DrawAllSides(Surface& surface, const RCanvas& canvas, const Media& media) {
  for (Side side : {Side::North, Side::South, Side::East, Side::West})
    DrawSide(surface, canvas, media, side);
}

// Where a side's letter is centred: two volumes in from the side where the grid allows, on
// the middle grid line (or in the middle volume when their count is odd). A grid two
// volumes deep has no row 2, so the label falls back to the last row.
Point LabelPoint(const Media& media, Side side) {
  const int32_t ni = media.ni;
  const int32_t nj = media.nj;
  if (side == Side::North || side == Side::South) {
    const int32_t i = ni / 2;
    int32_t j = side == Side::North ? std::max(nj - 2, 2) : std::min(nj - 2, 1);
    j = std::min(j, nj - 1);
    if (ni % 2 == 1)
      return QuadCentre(VolumeQuad(media, i, j));
    return Midpoint(media.node(i, j), media.node(i, j + 1));
  }
  int32_t i = side == Side::East ? std::max(ni - 2, 2) : std::min(ni - 2, 1);
  i = std::min(i, ni - 1);
  const int32_t j = nj / 2;
  if (nj % 2 == 1)
    return QuadCentre(VolumeQuad(media, i, j));
  return Midpoint(media.node(i, j), media.node(i + 1, j));
}

void PaintBounds(Surface& surface, const RCanvas& canvas, const Media& media) {
  struct Label {
    Side side;
    QColor colour;
    const char* letter;
  };
  const Label labels[] = {{Side::North, kRed, "N"},
                          {Side::South, kGreen, "S"},
                          {Side::East, kCyan, "E"},
                          {Side::West, kMagenta, "W"}};
  surface.SetPenWidth(4);
  for (const Label& label : labels) {
    surface.SetPenColor(label.colour);
    surface.SetFontColor(label.colour);
    DrawSide(surface, canvas, media, label.side);
    const QString text = QString::fromLatin1(label.letter);
    const QSize extent = surface.TextExtent(text);
    const Point at = LabelPoint(media, label.side);
    surface.TextOut(canvas.MapX(at.x) - extent.width() / 2, canvas.MapY(at.y) - extent.height() / 2,
                    text);
  }
  surface.SetPenWidth(1);
}

void MapQuad(const RCanvas& canvas, const Quad& quad, QPoint (&corners)[5]) {
  for (int k = 0; k < 4; ++k)
    corners[k] = QPoint(canvas.MapX(quad[k].x), canvas.MapY(quad[k].y));
  corners[4] = corners[0];
}

void PaintMedia(Surface& surface, RCanvas& canvas, const Media& media) {
  std::optional<ShapeBatch> batch;
  if (ShapeBatch::Applies(surface))
    batch.emplace(surface.Painter());
  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const VolumeProperties& properties = media.volume(i, j);
      const Quad quad = VolumeQuad(media, i, j);
      if (batch) {
        // The next volume's fill may cover this outline: each volume is put down whole.
        QPoint corners[5];
        MapQuad(canvas, quad, corners);
        batch->SetColours(kGrey, PropertyColor(properties));
        batch->Polygon(corners, 5);
        batch->Flush();
      } else {
        canvas.FillQuad(quad, kGrey, PropertyColor(properties));
      }
      if (!(properties.heatGeneration > 0) && !(properties.heatGeneration < 0))
        continue;
      const Point centre = QuadCentre(quad);
      const int32_t x = canvas.MapX(centre.x);
      const int32_t y = canvas.MapY(centre.y);
      surface.SetPenColor(kWhite);
      if (properties.heatGeneration > 0) {
        // A source: a red dot with a white heart.
        surface.SetBrushColor(kRed);
        surface.Ellipse(x - 3, y - 3, x + 4, y + 4);
        surface.SetBrushColor(kWhite);
        surface.Ellipse(x - 1, y - 1, x + 2, y + 2);
      } else {
        // A sink: a blue dot crossed out.
        surface.SetBrushColor(kBlue);
        surface.Ellipse(x - 3, y - 3, x + 4, y + 4);
        surface.MoveTo(x - 3, y - 3);
        surface.LineTo(x + 4, y + 4);
        surface.MoveTo(x - 3, y + 3);
        surface.LineTo(x + 4, y - 4);
      }
    }
  }
}

// The corner values of every volume in quad order, and their range. A volume with a corner
// that is not a number gets an empty range, so no band or level ever reaches it, just as
// the contouring primitives would draw nothing for it.
struct CornerValues {
  std::vector<QuadValues> values;
  std::vector<float> lowest;
  std::vector<float> highest;
};

CornerValues GatherCorners(const Media& media, const SimSnapshot& snapshot) {
  const int32_t ni = media.ni;
  const int32_t nj = media.nj;
  const int32_t stride = ni + 1;
  std::vector<float> vertex(static_cast<size_t>(stride) * (nj + 1));
  for (int32_t j = 0; j <= nj; ++j) {
    for (int32_t i = 0; i <= ni; ++i)
      vertex[j * stride + i] = numeric::SinglePrecision(VertexTemperature(snapshot, i, j));
  }
  CornerValues corners;
  const size_t volumes = static_cast<size_t>(ni) * nj;
  corners.values.resize(volumes);
  corners.lowest.resize(volumes);
  corners.highest.resize(volumes);
  for (int32_t j = 0; j < nj; ++j) {
    for (int32_t i = 0; i < ni; ++i) {
      const size_t v = static_cast<size_t>(j) * ni + i;
      const QuadValues values{vertex[(j + 1) * stride + i + 1], vertex[(j + 1) * stride + i],
                              vertex[j * stride + i], vertex[j * stride + i + 1]};
      corners.values[v] = values;
      if (std::any_of(values.begin(), values.end(), [](float z) { return std::isnan(z); })) {
        corners.lowest[v] = std::numeric_limits<float>::infinity();
        corners.highest[v] = -std::numeric_limits<float>::infinity();
      } else {
        corners.lowest[v] = *std::min_element(values.begin(), values.end());
        corners.highest[v] = *std::max_element(values.begin(), values.end());
      }
    }
  }
  return corners;
}

// Bands (or levels) k = 0 .. nLines-2, each over every volume, so that later bands overdraw
// earlier ones along shared edges exactly as the plot has always looked. A volume whose four
// corners all lie on one side of a band contributes no pixel to it and is passed over.
void PaintField(Surface& surface, RCanvas& canvas, const FieldPlotState& state) {
  const Media& media = *state.media;
  const SimManager& manager = *state.manager;
  const SimSnapshot& snapshot = manager.Snapshot(state.curSnapshot);
  const double minT = manager.minT;
  const double maxT = manager.maxT;
  const double delta = TemperatureRange(minT, maxT);
  const bool bands = state.viewMode == ViewMode::Temperature;
  std::optional<ShapeBatch> batch;
  if (bands && ShapeBatch::Applies(surface))
    batch.emplace(surface.Painter());

  if (std::isfinite(minT) && std::isfinite(maxT) && std::isfinite(delta)) {
    const CornerValues corners = GatherCorners(media, snapshot);
    const double step = delta / (state.nLines - 1);
    for (int32_t k = 0; k <= state.nLines - 2; ++k) {
      const double lo = k * step + minT;
      const double hi = step + lo;
      const std::optional<double> rate = TemperatureRate((lo + hi) / 2, minT, maxT);
      if (!rate)
        continue;
      const QColor colour = TemperatureColor(*rate, 0.5);
      const float low = numeric::SinglePrecision(lo);
      const float high = numeric::SinglePrecision(hi);
      // One colour for the whole band, so its outlines go down together at its end.
      if (batch)
        batch->SetColours(colour, colour);
      size_t v = 0;
      for (int32_t j = 0; j < media.nj; ++j) {
        for (int32_t i = 0; i < media.ni; ++i, ++v) {
          const float lowest = corners.lowest[v];
          const float highest = corners.highest[v];
          if (bands) {
            if (highest < low || lowest > high)
              continue;
            const Quad quad = VolumeQuad(media, i, j);
            if (!batch) {
              canvas.FillBand(quad, corners.values[v], low, high, colour);
              continue;
            }
            for (const QPolygon& polygon : canvas.BandPolygons(quad, corners.values[v], low, high))
              batch->Polygon(polygon.constData(), static_cast<int>(polygon.size()));
          } else {
            // An edge crosses a level only when min <= level < max along it.
            if (!(lowest <= low && low < highest))
              continue;
            canvas.DrawIsoline(VolumeQuad(media, i, j), corners.values[v], low, colour);
          }
        }
      }
    }
  }
  if (batch)
    batch->Flush();
  surface.SetPenColor(kSilver);
  DrawAllSides(surface, canvas, media);
}

void PaintVectors(Surface& surface, RCanvas& canvas, const FieldPlotState& state) {
  const Media& media = *state.media;
  const SimManager& manager = *state.manager;
  const SimSnapshot& snapshot = manager.Snapshot(state.curSnapshot);
  const double k = state.vectorSize / 20.0;
  double scale = (5 * k + 1) * state.cellSize;
  if (!(state.fluxScale > -kTiny && state.fluxScale < kTiny))
    scale /= state.fluxScale;
  // Darker on the bands, so the arrows stand out from the colours beneath them.
  const double brightness = state.viewMode == ViewMode::Temperature ? 0.25 : 0.5;
  std::optional<ShapeBatch> batch;
  if (ShapeBatch::Applies(surface))
    batch.emplace(surface.Painter());

  for (int32_t j = 0; j < media.nj; ++j) {
    for (int32_t i = 0; i < media.ni; ++i) {
      const double qx = snapshot.qx[i][j];
      const double qy = snapshot.qy[i][j];
      if (!(std::sqrt(qx * qx + qy * qy) > 0))
        continue;
      const Point u{scale * qx, scale * qy};
      if (!std::isfinite(u.x) || !std::isfinite(u.y))
        continue;
      const std::optional<double> rate =
          TemperatureRate(snapshot.T[i][j], manager.minT, manager.maxT);
      if (!rate)
        continue;
      const QColor colour = TemperatureColor(*rate, brightness);
      const Point c = QuadCentre(VolumeQuad(media, i, j));
      // A narrow head from the centre to the tip, its base 0.3 |u| wide across the centre.
      const Quad head{c, Point{c.x + 0.15 * u.y, c.y - 0.15 * u.x}, Point{c.x + u.x, c.y + u.y},
                      Point{c.x - 0.15 * u.y, c.y + 0.15 * u.x}};
      const QPoint tail(canvas.MapX(c.x - u.x), canvas.MapY(c.y - u.y));
      const QPoint tip(canvas.MapX(c.x + u.x), canvas.MapY(c.y + u.y));
      if (!batch) {
        canvas.FillQuad(head, colour, colour);
        surface.MoveTo(tail.x(), tail.y());
        surface.LineTo(tip.x(), tip.y());
        continue;
      }
      // Head and line are one colour; changing colours at the next arrow puts this one
      // down whole, so arrows still overlap in their own order.
      QPoint corners[5];
      MapQuad(canvas, head, corners);
      batch->SetColours(colour, colour);
      batch->Polygon(corners, 5);
      batch->Line(tail, tip);
    }
  }
}

bool HasSnapshot(const FieldPlotState& state) {
  return state.manager != nullptr && state.curSnapshot >= 0 &&
         state.curSnapshot < state.manager->Count();
}

}  // namespace

QColor TemperatureColor(double rate, double brightness) {
  INVARIANT(rate >= 0 && rate <= 1, "rate>=0 && rate <=1");
  INVARIANT(brightness >= 0 && brightness <= 1, "brightness>=0 && brightness<=1");
  const int a = static_cast<int>((brightness * 2 - 1) * 255);
  auto f = [a](double s) { return static_cast<int>(a + s * 4 * 255); };
  int r, g, b;
  if (rate <= 0.25) {
    r = a;
    g = f(rate);
    b = a + 255;
  } else if (rate <= 0.5) {
    r = a;
    g = a + 255;
    b = f(0.5 - rate);
  } else if (rate <= 0.75) {
    r = f(rate - 0.5);
    g = a + 255;
    b = a;
  } else {
    r = a + 255;
    g = f(1 - rate);
    b = a;
  }
  return QColor(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

QColor PropertyColor(const VolumeProperties& properties) {
  auto component = [](double value, double reference) {
    constexpr double kFloor = 1e-5;
    // Written so that a value that is not a number counts as none.
    if (!(value > kFloor))
      return 0;
    if (value >= reference)
      return 255;
    return static_cast<int>(255 * ((value - kFloor) / (reference - kFloor)));
  };
  return QColor(component(properties.conductivity, 401), component(properties.density, 10000),
                component(properties.specificHeat, 5000));
}

double TemperatureRange(double minT, double maxT) {
  const double delta = maxT - minT;
  if (delta > -kTiny && delta < kTiny)
    return 1;
  return delta;
}

double AutoFluxScale(const FieldExtremes& e) {
  const double largest = std::fmax(std::fmax(std::fabs(e.minQx), std::fabs(e.maxQx)),
                                   std::fmax(std::fabs(e.minQy), std::fabs(e.maxQy)));
  return std::sqrt(2.0) * largest;
}

std::optional<double> TemperatureRate(double t, double minT, double maxT) {
  const double rate = (t - minT) / TemperatureRange(minT, maxT);
  if (!std::isfinite(t) || !std::isfinite(minT) || !std::isfinite(maxT) || !std::isfinite(rate))
    return std::nullopt;
  return std::clamp(rate, 0.0, 1.0);
}

void Paint(Surface& surface, const FieldPlotState& state) {
  INVARIANT(state.media != nullptr, "media");
  const Media& media = *state.media;
  RCanvas canvas(surface, state.viewport, state.boundsMin, state.boundsMax, 4);

  if (state.boundaryDialogVisible) {
    Side side = Side::West;
    if (state.boundaryPage == QLatin1String("North"))
      side = Side::North;
    else if (state.boundaryPage == QLatin1String("South"))
      side = Side::South;
    else if (state.boundaryPage == QLatin1String("East"))
      side = Side::East;
    surface.SetPenWidth(8);
    surface.SetPenColor(kYellow);
    DrawSide(surface, canvas, media, side);
  }

  surface.SetPenColor(kBlack);
  surface.SetPenStyle(Surface::PenStyle::Solid);
  surface.SetBrushSolid();
  surface.SetPenWidth(0);

  const bool haveSnapshot = HasSnapshot(state);
  if (haveSnapshot) {
    const NumMatrix<double>& T = state.manager->Snapshot(state.curSnapshot).T;
    INVARIANT(T.N() == media.ni && T.M() == media.nj, "T.N()==media->ni && T.M()==media->nj");
  }
  switch (state.viewMode) {
    case ViewMode::Bounds:
      PaintBounds(surface, canvas, media);
      break;
    case ViewMode::Media:
      PaintMedia(surface, canvas, media);
      break;
    case ViewMode::Temperature:
    case ViewMode::Isotherms:
      if (haveSnapshot) {
        INVARIANT(state.nLines >= 2, "nLines>=2");
        PaintField(surface, canvas, state);
      }
      break;
  }

  // The shown index is checked here too: a stale one must not read past the snapshots.
  if (state.vectors && haveSnapshot)
    PaintVectors(surface, canvas, state);
}

QImage RenderFieldPlot(const FieldPlotState& state, QSize size, const QFont& font) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull())
    return image;
  image.fill(kBlack);
  {
    Surface surface(&image);
    surface.SetFont(font);
    Paint(surface, state);
  }
  return image;
}
