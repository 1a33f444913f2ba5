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
#include "gui/plot/volumeraster.h"
#include "gui/plot/watchmarkers.h"
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

// Below this many pixels across (the median volume, along either grid direction) a volume
// shows no shape of its own: its grey outline would cover nearly half of its pixels or more
// (7 of 16 at 4 pixels, 5 of 9 at 3), and a band or an arrow of its own would be a speck. The
// material map and the temperature bands are then drawn pixel by pixel, from the volume under each
// pixel, without outlines. Above it every volume is drawn as its own polygon, as it always was.
constexpr double kFinePixels = 4;
// Arrows and generation marks of volumes narrower than kFinePixels stand for blocks of
// volumes at least this many pixels across, so that they stay apart and readable.
constexpr double kCellPixels = 8;

// How a grid is drawn at its present size on screen.
struct Detail {
  bool fine;       // material map and bands pixel by pixel
  int32_t blockI;  // volumes per arrow or mark along I (1: one per volume)
  int32_t blockJ;
};

int32_t BlockFor(double pixels, int32_t volumes) {
  if (pixels >= kFinePixels)
    return 1;
  if (!(pixels > 0))
    return volumes;
  // A hair below the quotient, so that a cell of exactly five volumes takes five, not six.
  return static_cast<int32_t>(std::min<double>(std::ceil(kCellPixels / pixels - 1e-9), volumes));
}

Detail DetailFor(const Media& media, const RCanvas& canvas) {
  const VolumeExtent extent = VolumeExtentOnScreen(media, canvas);
  return Detail{!(std::min(extent.alongI, extent.alongJ) >= kFinePixels),
                BlockFor(extent.alongI, media.ni), BlockFor(extent.alongJ, media.nj)};
}

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

// Side's node k, in increasing index.
const Point& SideNode(const Media& media, Side side, int32_t k) {
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
}

int32_t SideCount(const Media& media, Side side) {
  return side == Side::North || side == Side::South ? media.ni : media.nj;
}

// A side as one polyline through its nodes, in increasing index.
void DrawSide(Surface& surface, const RCanvas& canvas, const Media& media, Side side) {
  const Point& first = SideNode(media, side, 0);
  surface.MoveTo(canvas.MapX(first.x), canvas.MapY(first.y));
  for (int32_t k = 1; k <= SideCount(media, side); ++k) {
    const Point& p = SideNode(media, side, k);
    surface.LineTo(canvas.MapX(p.x), canvas.MapY(p.y));
  }
}

// The point of a side at `position` (a share of its length) and the piece of the side's
// polyline that holds it (`piece`: from node piece to node piece + 1).
Point PointAlongSide(const Media& media, Side side, double position, int32_t& piece) {
  const int32_t count = SideCount(media, side);
  double total = 0;
  for (int32_t k = 0; k < count; ++k) {
    const Point& a = SideNode(media, side, k);
    const Point& b = SideNode(media, side, k + 1);
    total += std::hypot(b.x - a.x, b.y - a.y);
  }
  const double target = std::clamp(position, 0.0, 1.0) * total;
  double run = 0;
  for (piece = 0; piece < count; ++piece) {
    const Point& a = SideNode(media, side, piece);
    const Point& b = SideNode(media, side, piece + 1);
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (run + length >= target && length > 0) {
      const double t = (target - run) / length;
      return Point{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
    }
    run += length;
  }
  piece = count - 1;
  return SideNode(media, side, count);
}

// A short stroke across the side at each place where one segment ends and the next begins:
// black under white, so it shows on the coloured sides, on the yellow highlight and on the
// black background alike.
void DrawSegmentEnds(Surface& surface, const RCanvas& canvas, const Media& media, Side side,
                     const Face& face) {
  // Mostly inwards, where the plot has room; the margin outside the sides is narrow.
  constexpr double outwards = 4;
  constexpr double inwards = 9;
  // The normal below turns left of the side's direction: into the domain on North and West,
  // out of it on South and East.
  const double in = side == Side::North || side == Side::West ? 1 : -1;
  for (int32_t s = 1; s < face.count; ++s) {
    const double position = face.bounds[s];
    int32_t piece = 0;
    const Point at = PointAlongSide(media, side, position, piece);
    const Point& a = SideNode(media, side, piece);
    const Point& b = SideNode(media, side, piece + 1);
    const double dx = canvas.MapX(b.x) - canvas.MapX(a.x);
    const double dy = canvas.MapY(b.y) - canvas.MapY(a.y);
    const double length = std::hypot(dx, dy);
    const double nx = length > 0 ? -dy / length : 1;
    const double ny = length > 0 ? dx / length : 0;
    const int x = canvas.MapX(at.x);
    const int y = canvas.MapY(at.y);
    const int x0 = x - static_cast<int>(std::lround(in * nx * outwards));
    const int y0 = y - static_cast<int>(std::lround(in * ny * outwards));
    const int x1 = x + static_cast<int>(std::lround(in * nx * inwards));
    const int y1 = y + static_cast<int>(std::lround(in * ny * inwards));
    for (const auto& [colour, width] : {std::pair{kBlack, 4}, std::pair{kWhite, 2}}) {
      surface.SetPenColor(colour);
      surface.SetPenWidth(width);
      surface.MoveTo(x0, y0);
      surface.LineTo(x1, y1);
    }
  }
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

// The mark of a volume that generates heat (a red dot with a white heart) or absorbs it (a
// blue dot crossed out), centred on the mapped point.
void DrawGenerationMark(Surface& surface, const RCanvas& canvas, const Point& at, bool source) {
  const int32_t x = canvas.MapX(at.x);
  const int32_t y = canvas.MapY(at.y);
  surface.SetPenColor(kWhite);
  if (source) {
    surface.SetBrushColor(kRed);
    surface.Ellipse(x - 3, y - 3, x + 4, y + 4);
    surface.SetBrushColor(kWhite);
    surface.Ellipse(x - 1, y - 1, x + 2, y + 2);
  } else {
    surface.SetBrushColor(kBlue);
    surface.Ellipse(x - 3, y - 3, x + 4, y + 4);
    surface.MoveTo(x - 3, y - 3);
    surface.LineTo(x + 4, y + 4);
    surface.MoveTo(x - 3, y + 3);
    surface.LineTo(x + 4, y - 4);
  }
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
      DrawGenerationMark(surface, canvas, QuadCentre(quad), properties.heatGeneration > 0);
    }
  }
}

// The rectangle of pixels the plot may cover: its viewport, within what the painter reaches.
QRect RasterArea(Surface& surface, const RCanvas& canvas) {
  const PixelRect& r = canvas.Rect();
  QRect area(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
  QPainter& painter = surface.Painter();
  if (const QPaintDevice* device = painter.device()) {
    const QRect reach(0, 0, device->width(), device->height());
    area &= painter.combinedTransform().inverted().mapRect(reach);
  }
  if (painter.hasClipping())
    area &= painter.clipBoundingRect().toAlignedRect();
  return area;
}

// A layer the size of the area, transparent where nothing is drawn, put down in one step.
class PixelLayer {
 public:
  explicit PixelLayer(const QRect& area)
      : area(area), image(area.size(), QImage::Format_ARGB32_Premultiplied) {
    image.fill(Qt::transparent);
  }
  // An opaque colour at a pixel of the area.
  void Set(int32_t x, int32_t y, QRgb colour) {
    reinterpret_cast<QRgb*>(image.scanLine(y - area.top()))[x - area.left()] = colour;
  }
  void DrawOn(Surface& surface) const {
    if (!image.isNull())
      surface.Painter().drawImage(area.topLeft(), image);
  }

 private:
  QRect area;
  QImage image;
};

// Each volume's area, the weight of its values in a block's mean.
double VolumeArea(const Media& media, int32_t i, int32_t j) {
  const double area = AreaOf(media, i, j);
  return std::isfinite(area) ? area : 0.0;
}

// The material map of a grid too fine for outlines: each pixel in the colour of the volume
// under it, and one generation mark per block of volumes that generate or absorb heat, at
// the middle of those volumes, for their net generation.
void PaintMediaFine(Surface& surface, RCanvas& canvas, const Media& media, const Detail& detail) {
  const QRect area = RasterArea(surface, canvas);
  if (!area.isEmpty()) {
    std::vector<QRgb> colours(static_cast<size_t>(media.ni) * media.nj);
    for (int32_t j = 0; j < media.nj; ++j) {
      for (int32_t i = 0; i < media.ni; ++i)
        colours[static_cast<size_t>(j) * media.ni + i] = PropertyColor(media.volume(i, j)).rgb();
    }
    PixelLayer layer(area);
    ForEachPixelInVolumes(media, canvas, area,
                          [&](int32_t x, int32_t y, int32_t i, int32_t j, const TriangleWeights&) {
                            layer.Set(x, y, colours[static_cast<size_t>(j) * media.ni + i]);
                          });
    layer.DrawOn(surface);
  }
  for (int32_t j0 = 0; j0 < media.nj; j0 += detail.blockJ) {
    for (int32_t i0 = 0; i0 < media.ni; i0 += detail.blockI) {
      double generated = 0, weight = 0;
      Point middle{0, 0};
      for (int32_t j = j0; j < std::min(j0 + detail.blockJ, media.nj); ++j) {
        for (int32_t i = i0; i < std::min(i0 + detail.blockI, media.ni); ++i) {
          const double g = media.volume(i, j).heatGeneration;
          if (!(g > 0) && !(g < 0))
            continue;
          const double a = VolumeArea(media, i, j);
          const Point c = QuadCentre(VolumeQuad(media, i, j));
          generated += g * a;
          weight += a;
          middle.x += c.x * a;
          middle.y += c.y * a;
        }
      }
      if (!(weight > 0) || !std::isfinite(generated) || generated == 0)
        continue;
      DrawGenerationMark(surface, canvas, Point{middle.x / weight, middle.y / weight},
                         generated > 0);
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

// The single-precision temperature of every node, index j * (ni + 1) + i.
std::vector<float> NodeValues(const Media& media, const SimSnapshot& snapshot) {
  const int32_t stride = media.ni + 1;
  std::vector<float> vertex(static_cast<size_t>(stride) * (media.nj + 1));
  for (int32_t j = 0; j <= media.nj; ++j) {
    for (int32_t i = 0; i <= media.ni; ++i)
      vertex[static_cast<size_t>(j) * stride + i] =
          numeric::SinglePrecision(VertexTemperature(snapshot, i, j));
  }
  return vertex;
}

CornerValues GatherCorners(const Media& media, const SimSnapshot& snapshot) {
  const int32_t ni = media.ni;
  const int32_t nj = media.nj;
  const int32_t stride = ni + 1;
  const std::vector<float> vertex = NodeValues(media, snapshot);
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

// For every band (or level), the volumes it reaches, in volume order: a volume whose four
// corners all lie on one side of a band contributes no pixel to it, and on a fine grid most
// volumes reach one band or none, so the plot visits only these instead of every volume for
// every band.
struct BandVolumes {
  std::vector<int32_t> start;  // band k's volumes are volumes[start[k] .. start[k + 1])
  std::vector<int32_t> volumes;
};

BandVolumes VolumesOfBands(const CornerValues& corners, const std::vector<float>& lows,
                           const std::vector<float>& highs, bool bands) {
  const size_t count = corners.lowest.size();
  // The bands of one volume form a run [first, last): the levels rise with k.
  auto run = [&](size_t v) {
    const float lowest = corners.lowest[v];
    const float highest = corners.highest[v];
    size_t first, last;
    if (bands) {
      // Band k is reached unless highest < lows[k] or lowest > highs[k].
      first = std::lower_bound(highs.begin(), highs.end(), lowest) - highs.begin();
      last = std::upper_bound(lows.begin(), lows.end(), highest) - lows.begin();
    } else {
      // An edge crosses a level only when min <= level < max along it.
      first = std::lower_bound(lows.begin(), lows.end(), lowest) - lows.begin();
      last = std::lower_bound(lows.begin(), lows.end(), highest) - lows.begin();
    }
    return std::pair<size_t, size_t>(first, std::max(first, last));
  };
  BandVolumes result;
  result.start.assign(lows.size() + 1, 0);
  for (size_t v = 0; v < count; ++v) {
    const auto [first, last] = run(v);
    for (size_t k = first; k < last; ++k)
      ++result.start[k + 1];
  }
  for (size_t k = 0; k < lows.size(); ++k)
    result.start[k + 1] += result.start[k];
  result.volumes.resize(static_cast<size_t>(result.start.back()));
  std::vector<int32_t> next(result.start.begin(), result.start.end() - 1);
  for (size_t v = 0; v < count; ++v) {
    const auto [first, last] = run(v);
    for (size_t k = first; k < last; ++k)
      result.volumes[static_cast<size_t>(next[k]++)] = static_cast<int32_t>(v);
  }
  return result;
}

// Bands (or levels) k = 0 .. nLines-2, each over the volumes it reaches, so that later bands
// overdraw earlier ones along shared edges exactly as the plot has always looked.
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
    const size_t levels = static_cast<size_t>(state.nLines - 1);
    std::vector<float> lows(levels), highs(levels);
    for (size_t k = 0; k < levels; ++k) {
      const double lo = static_cast<double>(k) * step + minT;
      lows[k] = numeric::SinglePrecision(lo);
      highs[k] = numeric::SinglePrecision(step + lo);
    }
    const BandVolumes reached = VolumesOfBands(corners, lows, highs, bands);
    for (int32_t k = 0; k <= state.nLines - 2; ++k) {
      const double lo = k * step + minT;
      const double hi = step + lo;
      const std::optional<double> rate = TemperatureRate((lo + hi) / 2, minT, maxT);
      if (!rate)
        continue;
      const QColor colour = TemperatureColor(*rate, 0.5);
      const float low = lows[static_cast<size_t>(k)];
      const float high = highs[static_cast<size_t>(k)];
      // One colour for the whole band, so its outlines go down together at its end.
      if (batch)
        batch->SetColours(colour, colour);
      for (int32_t n = reached.start[static_cast<size_t>(k)];
           n < reached.start[static_cast<size_t>(k) + 1]; ++n) {
        const auto v = static_cast<size_t>(reached.volumes[static_cast<size_t>(n)]);
        const Quad quad = VolumeQuad(media, static_cast<int32_t>(v % media.ni),
                                     static_cast<int32_t>(v / media.ni));
        if (!bands) {
          canvas.DrawIsoline(quad, corners.values[v], low, colour);
        } else if (!batch) {
          canvas.FillBand(quad, corners.values[v], low, high, colour);
        } else {
          for (const QPolygon& polygon : canvas.BandPolygons(quad, corners.values[v], low, high))
            batch->Polygon(polygon.constData(), static_cast<int>(polygon.size()));
        }
      }
    }
  }
  if (batch)
    batch->Flush();
  surface.SetPenColor(kSilver);
  DrawAllSides(surface, canvas, media);
}

// The bands of a grid too fine for polygons: each pixel in the colour of the band its point
// falls in, the field interpolated linearly over the triangle holding the point from the
// same corner values and compared with the same single-precision levels as the polygons,
// so band edges cross every grid line where the polygons' edges do. Where bands meet, the
// later band wins, as it does when polygons overdraw.
void PaintFieldFine(Surface& surface, RCanvas& canvas, const FieldPlotState& state) {
  const Media& media = *state.media;
  const SimManager& manager = *state.manager;
  const double minT = manager.minT;
  const double maxT = manager.maxT;
  const double delta = TemperatureRange(minT, maxT);
  const QRect area = RasterArea(surface, canvas);
  if (std::isfinite(minT) && std::isfinite(maxT) && std::isfinite(delta) && !area.isEmpty()) {
    const std::vector<float> nodes = NodeValues(media, manager.Snapshot(state.curSnapshot));
    // A volume with a corner that is not a number gets no band, as with polygons.
    std::vector<uint8_t> blank(static_cast<size_t>(media.ni) * media.nj);
    const int32_t stride = media.ni + 1;
    for (int32_t j = 0; j < media.nj; ++j) {
      for (int32_t i = 0; i < media.ni; ++i) {
        const size_t sw = static_cast<size_t>(j) * stride + i;
        blank[static_cast<size_t>(j) * media.ni + i] =
            std::isnan(nodes[sw]) || std::isnan(nodes[sw + 1]) || std::isnan(nodes[sw + stride]) ||
            std::isnan(nodes[sw + stride + 1]);
      }
    }
    const double step = delta / (state.nLines - 1);
    const int32_t bands = state.nLines - 1;
    std::vector<float> lows(bands), highs(bands);
    std::vector<QRgb> colours(bands);
    std::vector<uint8_t> coloured(bands);
    for (int32_t k = 0; k < bands; ++k) {
      const double lo = k * step + minT;
      const double hi = step + lo;
      lows[k] = numeric::SinglePrecision(lo);
      highs[k] = numeric::SinglePrecision(hi);
      const std::optional<double> rate = TemperatureRate((lo + hi) / 2, minT, maxT);
      coloured[k] = rate.has_value();
      colours[k] = rate ? TemperatureColor(*rate, 0.5).rgb() : 0;
    }
    PixelLayer layer(area);
    ForEachPixelInVolumes(
        media, canvas, area,
        [&](int32_t x, int32_t y, int32_t i, int32_t j, const TriangleWeights& w) {
          if (blank[static_cast<size_t>(j) * media.ni + i])
            return;
          const double v = w.weight[0] * nodes[w.node[0]] + w.weight[1] * nodes[w.node[1]] +
                           w.weight[2] * nodes[w.node[2]];
          // The last band whose lower level the value reaches, if it is not above that band.
          const auto above = std::upper_bound(lows.begin(), lows.end(), v,
                                              [](double a, float b) { return a < b; });
          if (above == lows.begin())
            return;
          const auto k = static_cast<size_t>(above - lows.begin() - 1);
          if (k + 1 == lows.size() && !(v <= highs[k]))
            return;
          if (coloured[k])
            layer.Set(x, y, colours[k]);
        });
    layer.DrawOn(surface);
  }
  surface.SetPenColor(kSilver);
  DrawAllSides(surface, canvas, media);
}

// What one arrow stands for: a volume, or on a fine grid a block of volumes.
struct ArrowSource {
  Point centre;
  double qx;
  double qy;
  double t;
};

// The area-weighted means of a block's fluxes, temperatures and centres, over the volumes
// whose values are numbers. None when no volume of the block has them.
std::optional<ArrowSource> BlockMean(const Media& media, const SimSnapshot& snapshot, int32_t i0,
                                     int32_t j0, const Detail& detail) {
  double weight = 0;
  ArrowSource sum{Point{0, 0}, 0, 0, 0};
  for (int32_t j = j0; j < std::min(j0 + detail.blockJ, media.nj); ++j) {
    for (int32_t i = i0; i < std::min(i0 + detail.blockI, media.ni); ++i) {
      const double qx = snapshot.qx[i][j], qy = snapshot.qy[i][j], t = snapshot.T[i][j];
      if (!std::isfinite(qx) || !std::isfinite(qy) || !std::isfinite(t))
        continue;
      const double a = VolumeArea(media, i, j);
      const Point c = QuadCentre(VolumeQuad(media, i, j));
      weight += a;
      sum.centre.x += a * c.x;
      sum.centre.y += a * c.y;
      sum.qx += a * qx;
      sum.qy += a * qy;
      sum.t += a * t;
    }
  }
  if (!(weight > 0))
    return std::nullopt;
  return ArrowSource{Point{sum.centre.x / weight, sum.centre.y / weight}, sum.qx / weight,
                     sum.qy / weight, sum.t / weight};
}

// One arrow per volume; on a fine grid one per block of volumes, for the block's mean flux,
// scaled as the arrows of a grid with one volume per block would be.
void PaintVectors(Surface& surface, RCanvas& canvas, const FieldPlotState& state,
                  const Detail& detail) {
  const Media& media = *state.media;
  const SimManager& manager = *state.manager;
  const SimSnapshot& snapshot = manager.Snapshot(state.curSnapshot);
  const bool blocks = detail.blockI > 1 || detail.blockJ > 1;
  const double k = state.vectorSize / 20.0;
  double cellSize = state.cellSize;
  if (blocks) {
    // The reference length of the coarser grid: the box diagonal over that grid's counts.
    const double ni = media.ni, nj = media.nj;
    const double bi = ni / detail.blockI, bj = nj / detail.blockJ;
    cellSize *= std::sqrt(ni * ni + nj * nj) / std::sqrt(bi * bi + bj * bj);
  }
  double scale = (5 * k + 1) * cellSize;
  if (!(state.fluxScale > -kTiny && state.fluxScale < kTiny))
    scale /= state.fluxScale;
  // Darker on the bands, so the arrows stand out from the colours beneath them.
  const double brightness = state.viewMode == ViewMode::Temperature ? 0.25 : 0.5;
  std::optional<ShapeBatch> batch;
  if (ShapeBatch::Applies(surface))
    batch.emplace(surface.Painter());

  auto arrow = [&](const ArrowSource& source) {
    const double qx = source.qx;
    const double qy = source.qy;
    if (!(std::sqrt(qx * qx + qy * qy) > 0))
      return;
    const Point u{scale * qx, scale * qy};
    if (!std::isfinite(u.x) || !std::isfinite(u.y))
      return;
    const std::optional<double> rate = TemperatureRate(source.t, manager.minT, manager.maxT);
    if (!rate)
      return;
    const QColor colour = TemperatureColor(*rate, brightness);
    const Point c = source.centre;
    // A narrow head from the centre to the tip, its base 0.3 |u| wide across the centre.
    const Quad head{c, Point{c.x + 0.15 * u.y, c.y - 0.15 * u.x}, Point{c.x + u.x, c.y + u.y},
                    Point{c.x - 0.15 * u.y, c.y + 0.15 * u.x}};
    const QPoint tail(canvas.MapX(c.x - u.x), canvas.MapY(c.y - u.y));
    const QPoint tip(canvas.MapX(c.x + u.x), canvas.MapY(c.y + u.y));
    if (!batch) {
      canvas.FillQuad(head, colour, colour);
      surface.MoveTo(tail.x(), tail.y());
      surface.LineTo(tip.x(), tip.y());
      return;
    }
    // Head and line are one colour; changing colours at the next arrow puts this one
    // down whole, so arrows still overlap in their own order.
    QPoint corners[5];
    MapQuad(canvas, head, corners);
    batch->SetColours(colour, colour);
    batch->Polygon(corners, 5);
    batch->Line(tail, tip);
  };

  for (int32_t j = 0; j < media.nj; j += detail.blockJ) {
    for (int32_t i = 0; i < media.ni; i += detail.blockI) {
      if (!blocks) {
        arrow(ArrowSource{QuadCentre(VolumeQuad(media, i, j)), snapshot.qx[i][j], snapshot.qy[i][j],
                          snapshot.T[i][j]});
      } else if (const std::optional<ArrowSource> mean = BlockMean(media, snapshot, i, j, detail)) {
        arrow(*mean);
      }
    }
  }
}

bool HasSnapshot(const FieldPlotState& state) {
  return state.manager != nullptr && state.curSnapshot >= 0 &&
         state.curSnapshot < state.manager->Count();
}

Side HighlightedSide(const FieldPlotState& state) {
  if (state.boundaryPage == QLatin1String("North"))
    return Side::North;
  if (state.boundaryPage == QLatin1String("South"))
    return Side::South;
  if (state.boundaryPage == QLatin1String("East"))
    return Side::East;
  return Side::West;
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
    surface.SetPenWidth(8);
    surface.SetPenColor(kYellow);
    DrawSide(surface, canvas, media, HighlightedSide(state));
  }

  surface.SetPenColor(kBlack);
  surface.SetPenStyle(Surface::PenStyle::Solid);
  surface.SetBrushSolid();
  surface.SetPenWidth(0);

  const Detail detail = DetailFor(media, canvas);
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
      if (detail.fine)
        PaintMediaFine(surface, canvas, media, detail);
      else
        PaintMedia(surface, canvas, media);
      break;
    case ViewMode::Temperature:
    case ViewMode::Isotherms:
      // Isotherms stay lines at every size: a level is one pixel wide whatever the grid.
      if (haveSnapshot) {
        INVARIANT(state.nLines >= 2, "nLines>=2");
        if (detail.fine && state.viewMode == ViewMode::Temperature)
          PaintFieldFine(surface, canvas, state);
        else
          PaintField(surface, canvas, state);
      }
      break;
  }

  // The shown index is checked here too: a stale one must not read past the snapshots.
  if (state.vectors && haveSnapshot)
    PaintVectors(surface, canvas, state, detail);

  // Last, so that nothing covers them: the segments' ends on every side of the Bounds view,
  // and on the side the boundary dialog edits.
  for (Side side : {Side::North, Side::South, Side::East, Side::West}) {
    const Face* face = state.faces[static_cast<int>(side)];
    const bool edited = state.boundaryDialogVisible && side == HighlightedSide(state);
    if (face && (state.viewMode == ViewMode::Bounds || edited))
      DrawSegmentEnds(surface, canvas, media, side, *face);
  }
  surface.SetPenWidth(1);
  PaintWatchMarkers(surface, canvas, media, state.watched);
}

Point SidePoint(const Media& media, int side, double position) {
  int32_t piece = 0;
  return PointAlongSide(media, static_cast<Side>(side), position, piece);
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

PixelRect FittedViewport(const Point& boundsMin, const Point& boundsMax, int w, int h) {
  PixelRect viewport{0, 0, w - 1, h - 1};
  const double dx = boundsMax.x - boundsMin.x;
  const double dy = boundsMax.y - boundsMin.y;
  const double sx = (w - 1) / dx;
  const double sy = (h - 1) / dy;
  if (sy >= sx) {
    const int top = static_cast<int>(((h - 1) - sx * dy) * 0.5);
    viewport.top = top;
    viewport.bottom -= top;
  } else {
    const int left = static_cast<int>(((w - 1) - sy * dx) * 0.5);
    viewport.left = left;
    viewport.right -= left;
  }
  return viewport;
}
