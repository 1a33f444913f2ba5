#include <gtest/gtest.h>
#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "gui/platform/surface.h"
#include "gui/plot/rcanvas.h"
#include "tests/gui/support.h"

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGrey = qRgb(128, 128, 128);

// World and pixels one to one, y flipped: (x, y) maps to column trunc(x), row trunc(100 - y).
struct UnitCanvas {
  UnitCanvas() { image.fill(kWhite); }
  QImage image{100, 100, QImage::Format_RGB32};
  Surface surface{&image};
  RCanvas canvas{surface, PixelRect{0, 0, 100, 100}, Point{0, 0}, Point{100, 100}, 0};
};

const Quad kSquare{Point{10, 10}, Point{50, 10}, Point{50, 50}, Point{10, 50}};

void ExpectPoint(const Point& p, double x, double y) {
  EXPECT_DOUBLE_EQ(p.x, x);
  EXPECT_DOUBLE_EQ(p.y, y);
}

TEST(EdgeCrossing, LevelMustLieFromTheLowerEndUpToButExcludingTheUpper) {
  const Point a{0, 0}, b{10, 20};
  ExpectPoint(*RCanvas::EdgeCrossing(a, b, 0, 10, 5), 5, 10);
  ExpectPoint(*RCanvas::EdgeCrossing(a, b, 10, 0, 2.5f), 7.5, 15);  // either direction
  ExpectPoint(*RCanvas::EdgeCrossing(a, b, 3, 7, 3), 0, 0);         // at the lower end
  ExpectPoint(*RCanvas::EdgeCrossing(a, b, 7, 3, 3), 10, 20);
  EXPECT_FALSE(RCanvas::EdgeCrossing(a, b, 3, 7, 7));  // the upper end does not cross
  EXPECT_FALSE(RCanvas::EdgeCrossing(a, b, 7, 3, 7));
  EXPECT_FALSE(RCanvas::EdgeCrossing(a, b, 5, 5, 5));  // equal ends never cross
  EXPECT_FALSE(RCanvas::EdgeCrossing(a, b, 3, 7, 2.9f));
  EXPECT_FALSE(RCanvas::EdgeCrossing(a, b, 3, 7, 7.1f));
}

TEST(EdgeCrossing, ParameterIsSinglePrecisionThePointDouble) {
  const auto c = RCanvas::EdgeCrossing(Point{0, 0}, Point{10, 0}, 0, 3, 1);
  ASSERT_TRUE(c);
  const float t = 1.0f / 3.0f;
  EXPECT_EQ(c->x, 10.0 * static_cast<double>(t));
  EXPECT_NE(c->x, 10.0 / 3.0);
}

TEST(ClassifyValue, CodesBelowOnLowerInsideOnUpperAbove) {
  EXPECT_EQ(RCanvas::ClassifyValue(-3, 0, 1), -2);
  EXPECT_EQ(RCanvas::ClassifyValue(0, 0, 1), -1);
  EXPECT_EQ(RCanvas::ClassifyValue(0.5f, 0, 1), 0);
  EXPECT_EQ(RCanvas::ClassifyValue(1, 0, 1), 1);
  EXPECT_EQ(RCanvas::ClassifyValue(1.5f, 0, 1), 2);
  // Below and above are tested before the levels.
  EXPECT_EQ(RCanvas::ClassifyValue(2, 2, 2), -1);
}

TEST(DrawIsoline, TwoCrossingsGiveOneLine) {
  UnitCanvas u;
  u.canvas.DrawIsoline(kSquare, QuadValues{0, 10, 10, 0}, 5, QColor(kRed));
  // Midpoints of (q0, q1) and (q2, q3): (30, 10) and (30, 50), rows 90 up to 50 exclusive.
  PixelSet expected;
  for (int row = 90; row > 50; --row)
    expected.insert({30, row});
  EXPECT_EQ(Painted(u.image), expected);
  EXPECT_EQ(u.image.pixel(30, 90), kRed);
}

TEST(DrawIsoline, LevelAtASingleCornerDrawsAZeroLengthLine) {
  const Point q0 = kSquare[0];
  ExpectPoint(*RCanvas::EdgeCrossing(q0, kSquare[1], 5, 10, 5), q0.x, q0.y);
  ExpectPoint(*RCanvas::EdgeCrossing(kSquare[3], q0, 10, 5, 5), q0.x, q0.y);
  EXPECT_FALSE(RCanvas::EdgeCrossing(kSquare[1], kSquare[2], 10, 7, 5));
  EXPECT_FALSE(RCanvas::EdgeCrossing(kSquare[2], kSquare[3], 7, 10, 5));
  UnitCanvas u;
  u.canvas.DrawIsoline(kSquare, QuadValues{5, 10, 7, 10}, 5, QColor(kRed));
  EXPECT_TRUE(Painted(u.image).empty());
}

TEST(DrawIsoline, SaddleCutsOffCornersOneAndThree) {
  UnitCanvas u;
  u.canvas.DrawIsoline(kSquare, QuadValues{10, 0, 10, 0}, 5, QColor(kRed));
  const PixelSet pixels = Painted(u.image);
  // Pieces (30, 10)-(50, 30) around q1 and (30, 50)-(10, 30) around q3.
  EXPECT_TRUE(pixels.count({30, 90}));
  EXPECT_TRUE(pixels.count({40, 80}));
  EXPECT_TRUE(pixels.count({30, 50}));
  EXPECT_TRUE(pixels.count({20, 60}));
  // Not the other pairing, around q0 and q2.
  EXPECT_FALSE(pixels.count({20, 80}));
  EXPECT_FALSE(pixels.count({40, 60}));
  EXPECT_EQ(pixels.size(), 40u);
}

TEST(DrawIsoline, NoCrossingOrACornerWithoutValueDrawsNothing) {
  UnitCanvas u;
  u.canvas.DrawIsoline(kSquare, QuadValues{1, 2, 3, 4}, 7, QColor(kRed));
  u.canvas.DrawIsoline(kSquare, QuadValues{1, 2, 3, 4}, 4, QColor(kRed));  // upper end only
  u.canvas.DrawIsoline(kSquare, QuadValues{0, 10, std::nanf(""), 0}, 5, QColor(kRed));
  EXPECT_TRUE(Painted(u.image).empty());
}

TEST(DrawIsoline, PiecesOfNeighbouringQuadsJoin) {
  UnitCanvas u;
  // Three quads in a row on a field rising to the North-East; the isoline crosses them all.
  auto field = [](const Point& p) { return static_cast<float>(0.3 * p.x + 0.7 * p.y); };
  const double columns[] = {5, 35, 60, 95};
  for (int k = 0; k < 3; ++k) {
    const Quad quad{Point{columns[k], 5}, Point{columns[k + 1], 8}, Point{columns[k + 1], 90},
                    Point{columns[k], 95}};
    QuadValues values;
    for (int c = 0; c < 4; ++c)
      values[c] = field(quad[c]);
    u.canvas.DrawIsoline(quad, values, 40, QColor(kRed));
  }
  const PixelSet pixels = Painted(u.image);
  ASSERT_FALSE(pixels.empty());
  EXPECT_TRUE(Connected(pixels));
  // From the East edge at x = 95 to the West edge at x = 5, whose end pixel is left out.
  EXPECT_EQ(std::min_element(pixels.begin(), pixels.end())->first, 6);
  EXPECT_EQ(std::max_element(pixels.begin(), pixels.end())->first, 95);
}

std::vector<int> Codes(const BandNodeList& list) {
  std::vector<int> codes;
  for (int k = 0; k < list.count; ++k)
    codes.push_back(list.node[k].code);
  return codes;
}

TEST(BandNodes, OneCornerBelowGivesThePentagonNodesInEdgeOrder) {
  const BandNodeList list = RCanvas::BandNodes(kSquare, QuadValues{-1, 0.5f, 0.5f, 0.5f}, 0, 1);
  EXPECT_EQ(Codes(list), (std::vector<int>{-2, -1, 0, 0, 0, -1}));
  ExpectPoint(list.node[0].point, 10, 10);
  ExpectPoint(list.node[1].point, 10 + 40 * static_cast<double>(1.0f / 1.5f), 10);
  ExpectPoint(list.node[2].point, 50, 10);
  ExpectPoint(list.node[3].point, 50, 50);
  ExpectPoint(list.node[4].point, 10, 50);
  ExpectPoint(list.node[5].point, 10, 50 - 40 * static_cast<double>(-0.5f / -1.5f));

  UnitCanvas u;
  const auto polygons = u.canvas.BandPolygons(kSquare, QuadValues{-1, 0.5f, 0.5f, 0.5f}, 0, 1);
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].size(), 6);  // five corners and the closing repeat
  EXPECT_EQ(polygons[0].first(), polygons[0].last());
}

TEST(BandNodes, CrossingsBetweenFarApartCodesComeInTravelOrder) {
  // Below to above crosses lo then hi; above to below hi then lo.
  const BandNodeList list = RCanvas::BandNodes(kSquare, QuadValues{-1, 2, 2, -1}, 0, 1);
  EXPECT_EQ(Codes(list), (std::vector<int>{-2, -1, 1, 2, 2, 1, -1, -2}));
  EXPECT_EQ(list.corner, (std::array<int32_t, 4>{0, 3, 4, 7}));
  EXPECT_LT(list.node[1].point.x, list.node[2].point.x);
  EXPECT_GT(list.node[5].point.x, list.node[6].point.x);
  // Between a corner on a level and one strictly outside there is only the other level.
  EXPECT_EQ(Codes(RCanvas::BandNodes(kSquare, QuadValues{0, 2, 2, 0}, 0, 1)),
            (std::vector<int>{-1, 1, 2, 2, 1, -1}));
}

TEST(FillBand, WalkResultsForTheCommonCases) {
  UnitCanvas u;
  auto sizes = [&u](QuadValues values) {
    std::vector<int> result;
    for (const QPolygon& p : u.canvas.BandPolygons(kSquare, values, 0, 1)) {
      result.push_back(p.size() - 1);
    }
    return result;
  };
  EXPECT_EQ(sizes({0.2f, 0.4f, 0.6f, 0.8f}), std::vector<int>{4});  // all inside
  EXPECT_EQ(sizes({0, 1, 0, 1}), std::vector<int>{4});              // all on the levels
  EXPECT_TRUE(sizes({-1, -2, -3, -0.5f}).empty());                  // all below
  EXPECT_TRUE(sizes({2, 3, 1.5f, 9}).empty());                      // all above
  EXPECT_EQ(sizes({-1, 0.5f, 0.5f, 0.5f}), std::vector<int>{5});    // pentagon
  EXPECT_EQ(sizes({-1, -1, 0.5f, 0.5f}), std::vector<int>{4});      // two adjacent below
  EXPECT_EQ(sizes({-1, 0.5f, 2, 0.5f}), std::vector<int>{6});       // hexagon
  // One corner inside, its neighbours above and the opposite one below: a heptagon when the
  // outside neighbours are q1 and q3, which the far level cuts off one by one. When they are
  // q0 and q2 it joins them, as the isoline there does, and cuts the band in two.
  EXPECT_EQ(sizes({0.5f, 2, -1, 2}), std::vector<int>{7});
  EXPECT_EQ(sizes({-1, 2, 0.5f, 2}), std::vector<int>{7});
  EXPECT_EQ(sizes({0.5f, -1, 2, -1}), std::vector<int>{7});
  EXPECT_EQ(sizes({2, 0.5f, 2, -1}), (std::vector<int>{3, 4}));
  EXPECT_EQ(sizes({-1, 0.5f, -1, 2}), (std::vector<int>{3, 4}));
  // Across a saddle both levels cut off q1 and q3, as the isolines do: the band is two
  // strips, one round each of those corners.
  EXPECT_EQ(sizes({2, -1, 2, -1}), (std::vector<int>{4, 4}));
  EXPECT_EQ(sizes({-1, 2, -1, 2}), (std::vector<int>{4, 4}));
  for (const auto& strip : RCanvas::BandOutlines(kSquare, {2, -1, 2, -1}, 0, 1)) {
    const bool roundQ1 = std::all_of(strip.begin(), strip.end(),
                                     [](const Point& p) { return p.y == 10 || p.x == 50; });
    const bool roundQ3 = std::all_of(strip.begin(), strip.end(),
                                     [](const Point& p) { return p.y == 50 || p.x == 10; });
    EXPECT_TRUE(roundQ1 != roundQ3);
  }
  // The outside pair q0, q2 joins through the middle when the third corner is only on the
  // level: the strip round q3 and the lone point q1.
  EXPECT_EQ(sizes({2, 1, 2, -1}), (std::vector<int>{1, 4}));
}

// A band whose outline wraps round the start of the node list: corner q0 lies on the upper
// level, q1 and q3 below. It is one hexagon, q0 included, and the band below fills the rest.
TEST(FillBand, OutlineRoundTheFirstCornerIsFilledWhole) {
  const QuadValues values{5, 3.5f, 4.75f, 3.5f};
  const auto outlines = RCanvas::BandOutlines(kSquare, values, 4, 5);
  ASSERT_EQ(outlines.size(), 1u);
  EXPECT_EQ(outlines[0].size(), 6u);

  UnitCanvas u;
  u.canvas.FillBand(kSquare, values, 3, 4, QColor(kBlue));
  u.canvas.FillBand(kSquare, values, 4, 5, QColor(kRed));
  // Inside the hexagon near q0, where the lost piece used to leave the background.
  EXPECT_EQ(u.image.pixel(20, 80), kRed);
  EXPECT_EQ(u.image.pixel(15, 85), kRed);
  EXPECT_EQ(u.image.pixel(30, 70), kRed);
  // Beyond the chords (36.7, 10)-(50, 26) and (26, 50)-(10, 36.7) the field is below 4.
  EXPECT_EQ(u.image.pixel(47, 87), kBlue);
  EXPECT_EQ(u.image.pixel(13, 53), kBlue);
  for (int row = 51; row < 90; ++row) {
    for (int column = 11; column < 50; ++column)
      ASSERT_NE(u.image.pixel(column, row), kWhite) << column << "," << row;
  }
}

TEST(FillBand, EqualCornersOnALevelAreFilledByBothBands) {
  for (auto [lo, hi] : {std::pair<float, float>{2, 3}, std::pair<float, float>{1, 2}}) {
    UnitCanvas u;
    u.canvas.FillBand(kSquare, QuadValues{2, 2, 2, 2}, lo, hi, QColor(kRed));
    PixelSet expected;
    for (int y = 50; y <= 90; ++y) {
      for (int x = 10; x <= 50; ++x)
        expected.insert({x, y});
    }
    EXPECT_EQ(Painted(u.image), expected) << lo << ", " << hi;
  }
}

TEST(FillBand, NothingBelowNoWidthOrNoValue) {
  UnitCanvas u;
  u.canvas.FillBand(kSquare, QuadValues{-1, -1, -2, -3}, 0, 1, QColor(kRed));
  u.canvas.FillBand(kSquare, QuadValues{0, 1, 0, 1}, 1, 1, QColor(kRed));
  u.canvas.FillBand(kSquare, QuadValues{0, 1, 0, 1}, 1, 0, QColor(kRed));
  u.canvas.FillBand(kSquare, QuadValues{0.5f, std::nanf(""), 0.5f, 0.5f}, 0, 1, QColor(kRed));
  EXPECT_TRUE(Painted(u.image).empty());
}

// Every mix of corner positions relative to the band (below, on lo, inside, on hi, above)
// must walk without overflowing the polygon buffer and stay inside the quad.
TEST(FillBand, EveryCornerPatternStaysInsideTheQuad) {
  const float choices[] = {-1, 0, 0.5f, 1, 2};
  UnitCanvas u;
  for (int pattern = 0; pattern < 625; ++pattern) {
    QuadValues values;
    int rest = pattern;
    for (float& v : values) {
      v = choices[rest % 5];
      rest /= 5;
    }
    bool allInside = true;
    for (float v : values)
      allInside = allInside && v >= 0 && v <= 1;
    const auto polygons = u.canvas.BandPolygons(kSquare, values, 0, 1);
    int points = 0;
    for (const QPolygon& p : polygons) {
      EXPECT_LE(p.size(), 8) << pattern;
      points += p.size();
      for (const QPoint& q : p) {
        EXPECT_TRUE(q.x() >= 10 && q.x() <= 50 && q.y() >= 50 && q.y() <= 90) << pattern;
      }
    }
    if (allInside) {
      ASSERT_EQ(polygons.size(), 1u) << pattern;
      EXPECT_EQ(polygons[0].size(), 5) << pattern;
    }
    EXPECT_EQ(points == 0,
              std::all_of(values.begin(), values.end(), [](float v) { return v < 0; }) ||
                  std::all_of(values.begin(), values.end(), [](float v) { return v > 1; }))
        << pattern;
  }
}

double SignedArea(const std::vector<Point>& polygon) {
  double twice = 0;
  for (size_t k = 0; k < polygon.size(); ++k) {
    const Point& a = polygon[k];
    const Point& b = polygon[(k + 1) % polygon.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice / 2;
}

bool Contains(const std::vector<Point>& polygon, const Point& m) {
  bool inside = false;
  for (size_t k = 0, j = polygon.size() - 1; k < polygon.size(); j = k++) {
    const Point& a = polygon[k];
    const Point& b = polygon[j];
    if ((a.y > m.y) != (b.y > m.y) && m.x < (b.x - a.x) * (m.y - a.y) / (b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}

// A ladder of bands tiles every quad: their areas add up to the quad's, and each point of the
// quad lies in exactly one band. Half the quads take whole-number values with whole-number
// levels, so that corners sit on levels and saddles meet them; those with a flat piece on a
// level (an edge along it, or three corners on it) are left out, since both closed bands
// rightly claim that piece.
TEST(FillBand, LadderOfBandsTilesRandomQuads) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<double> unit(0, 1);
  int tiled = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    // A convex quad: corners at increasing angles round an ellipse.
    std::array<double, 4> angle;
    for (double& a : angle)
      a = unit(random) * 2 * M_PI;
    std::sort(angle.begin(), angle.end());
    const Point centre{unit(random) * 100, unit(random) * 100};
    Quad quad;
    for (int c = 0; c < 4; ++c)
      quad[c] = Point{centre.x + 30 * std::cos(angle[c]), centre.y + 12 * std::sin(angle[c])};
    const bool whole = trial % 2 == 1;
    QuadValues values;
    for (float& v : values)
      v = whole ? std::floor(static_cast<float>(unit(random) * 5))
                : static_cast<float>(unit(random) * 10 - 5);
    std::vector<float> levels;
    const float step = whole ? 1 : static_cast<float>(0.3 + 3 * unit(random));
    for (float level = -6; level < 6 + step; level += step)
      levels.push_back(level);
    bool flat = false;
    for (float level : levels) {
      flat = flat || std::count(values.begin(), values.end(), level) >= 3;
      for (int c = 0; c < 4; ++c)
        flat = flat || (values[c] == level && values[(c + 1) % 4] == level);
    }
    if (flat)
      continue;
    ++tiled;

    const double area = SignedArea(std::vector<Point>(quad.begin(), quad.end()));
    std::vector<std::vector<Point>> pieces;
    double sum = 0;
    for (size_t k = 0; k + 1 < levels.size(); ++k) {
      for (auto& piece : RCanvas::BandOutlines(quad, values, levels[k], levels[k + 1])) {
        // The walk runs round the quad backwards.
        const double a = -SignedArea(piece);
        EXPECT_GT(a, -1e-9 * std::abs(area)) << trial;
        sum += a;
        pieces.push_back(std::move(piece));
      }
    }
    ASSERT_NEAR(sum, area, 1e-9 * std::abs(area)) << trial;
    for (int sample = 0; sample < 20; ++sample) {
      std::array<double, 4> weight;
      for (double& w : weight)
        w = unit(random);
      const double total = weight[0] + weight[1] + weight[2] + weight[3];
      Point m{0, 0};
      for (int c = 0; c < 4; ++c) {
        m.x += weight[c] / total * quad[c].x;
        m.y += weight[c] / total * quad[c].y;
      }
      const auto cover = std::count_if(pieces.begin(), pieces.end(), [&m](const auto& piece) {
        return piece.size() >= 3 && Contains(piece, m);
      });
      ASSERT_EQ(cover, 1) << trial << " at " << m.x << ", " << m.y;
    }
  }
  EXPECT_GT(tiled, 2500);
}

TEST(FillBand, LinearFieldFillsExactlyTheStripBetweenTheLevels) {
  UnitCanvas u;
  const Quad quad{Point{10, 10}, Point{90, 10}, Point{90, 90}, Point{10, 90}};
  u.canvas.FillBand(quad, QuadValues{10, 90, 90, 10}, 30, 60, QColor(kRed));
  PixelSet expected;
  for (int y = 10; y <= 90; ++y) {
    for (int x = 30; x <= 60; ++x)
      expected.insert({x, y});
  }
  EXPECT_EQ(Painted(u.image), expected);
}

// Pixels of the image within one pixel of a painted one: a band's outline follows pieces of
// the quad's edges, which may step a pixel aside from the outline of the whole edge.
PixelSet Dilated(const QImage& image) {
  PixelSet near;
  for (const auto& [x, y] : Painted(image)) {
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy)
        near.insert({x + dx, y + dy});
    }
  }
  return near;
}

// The value of a linear field at pixel (column, row), and the quad corners sampled from it.
float DiagonalField(double x, double y) {
  return static_cast<float>(0.6 * x + 0.4 * y);
}

TEST(FillBand, SkewedQuadWithALinearFieldFillsWhereTheFieldIsInTheBand) {
  UnitCanvas u;
  const Quad quad{Point{8, 12}, Point{92, 4}, Point{80, 88}, Point{15, 95}};
  QuadValues values;
  for (int c = 0; c < 4; ++c)
    values[c] = DiagonalField(quad[c].x, quad[c].y);
  const float lo = 35, hi = 55;
  u.canvas.FillBand(quad, values, lo, hi, QColor(kRed));
  // Reference: the whole quad, drawn the same way, tells which pixels are inside it.
  QImage whole(100, 100, QImage::Format_RGB32);
  whole.fill(kWhite);
  {
    Surface surface(&whole);
    RCanvas canvas(surface, PixelRect{0, 0, 100, 100}, Point{0, 0}, Point{100, 100}, 0);
    canvas.FillQuad(quad, QColor(kGrey), QColor(kBlue));
  }
  const PixelSet nearQuad = Dilated(whole);
  int inside = 0, outside = 0;
  for (int row = 0; row < 100; ++row) {
    for (int column = 0; column < 100; ++column) {
      const float v = DiagonalField(column, 100 - row);
      const bool painted = u.image.pixel(column, row) != kWhite;
      // Truncation shifts a pixel by up to one unit in x and y, one unit of field at most.
      if (whole.pixel(column, row) == kBlue && v > lo + 1 && v < hi - 1) {
        EXPECT_TRUE(painted) << column << "," << row;
        ++inside;
      }
      if (!nearQuad.count({column, row}) || v < lo - 1 || v > hi + 1) {
        EXPECT_FALSE(painted) << column << "," << row;
        ++outside;
      }
    }
  }
  EXPECT_GT(inside, 1000);
  EXPECT_GT(outside, 1000);
}

// Bands of a run cover its volumes: every band drawn in turn over two quads sharing a
// slanted edge leaves no pixel of either quad unpainted, with a field that is not linear.
TEST(FillBand, BandsOfNeighbouringQuadsTileWithoutGaps) {
  const Quad left{Point{55, 6}, Point{62, 94}, Point{4, 90}, Point{7, 3}};
  const Quad right{Point{96, 8}, Point{93, 97}, Point{62, 94}, Point{55, 6}};
  auto field = [](const Point& p) { return static_cast<float>(0.01 * p.x * p.y + 0.2 * p.x); };

  UnitCanvas u;
  QImage whole(100, 100, QImage::Format_RGB32);
  whole.fill(kWhite);
  {
    Surface surface(&whole);
    RCanvas canvas(surface, PixelRect{0, 0, 100, 100}, Point{0, 0}, Point{100, 100}, 0);
    canvas.FillQuad(left, QColor(kGrey), QColor(kBlue));
    canvas.FillQuad(right, QColor(kGrey), QColor(kBlue));
  }
  // The outer boundary of the pair, where a band's outline may step a pixel aside.
  QImage border(100, 100, QImage::Format_RGB32);
  border.fill(kWhite);
  {
    Surface surface(&border);
    const QPoint outline[] = {{7, 97}, {55, 94}, {96, 92}, {93, 3}, {62, 6}, {4, 10}, {7, 97}};
    surface.SetBrushHollow();
    surface.Polygon(outline, 7);
  }
  const int nLines = 13;
  const float minT = 0, maxT = 110;
  for (int k = 0; k < nLines - 1; ++k) {
    const float lo = k * ((maxT - minT) / (nLines - 1)) + minT;
    const float hi = (maxT - minT) / (nLines - 1) + lo;
    const QColor colour = k % 2 ? QColor(kRed) : QColor(kGrey);
    for (const Quad* quad : {&left, &right}) {
      QuadValues values;
      for (int c = 0; c < 4; ++c)
        values[c] = field((*quad)[c]);
      u.canvas.FillBand(*quad, values, lo, hi, colour);
    }
  }
  const PixelSet nearQuads = Dilated(whole);
  const PixelSet nearBorder = Dilated(border);
  int checked = 0;
  for (int row = 0; row < 100; ++row) {
    for (int column = 0; column < 100; ++column) {
      if (!nearQuads.count({column, row})) {
        EXPECT_EQ(u.image.pixel(column, row), kWhite) << column << "," << row;
      } else if (whole.pixel(column, row) != kWhite && !nearBorder.count({column, row})) {
        EXPECT_NE(u.image.pixel(column, row), kWhite) << column << "," << row;
        ++checked;
      }
    }
  }
  // The shared edge runs through the checked pixels.
  EXPECT_GT(checked, 7000);
}

}  // namespace
