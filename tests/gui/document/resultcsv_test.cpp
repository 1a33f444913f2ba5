#include "gui/document/resultcsv.h"

#include <gtest/gtest.h>

#include <QList>
#include <QLocale>
#include <charconv>
#include <clocale>
#include <cmath>
#include <string>

#include "sim/geometry.h"
#include "tests/gui/support.h"

namespace {

double Parsed(const QByteArray& text) {
  double value = 0;
  const std::from_chars_result r =
      std::from_chars(text.constData(), text.constData() + text.size(), value);
  EXPECT_EQ(r.ptr, text.constData() + text.size()) << text.toStdString();
  return value;
}

// A skewed, non-uniform grid with heat generation, so that centres, face midpoints and the
// signs of the rates in and out all differ from side to side.
TEST(ResultCsv, ReadsBackAsTheSnapshot) {
  ProblemRecord p;
  p.media = std::make_unique<MixedMedia>(1.5, 1, 0.45, 0.2, 5, 7, DefaultMaterial());
  p.media->volume(2, 3).heatGeneration = 4e5;
  // Heat crosses every side, North and South too, so a sign turned on any of them shows.
  p.functionList.push_back(std::make_unique<FConstant>(3));
  p.functionList.push_back(std::make_unique<FConstant>(50));
  p.functionList.push_back(std::make_unique<FConstant>(-2));
  const auto& f = p.functionList;
  p.northFace->Insert(Segment{0, 1, new FTemperature(f[4].get())});
  p.southFace->Insert(Segment{0, 1, new FConvection(f[5].get(), f[6].get())});
  // Run to the steady state, where heat in through the sides balances what is generated.
  p.SetParameters(1e-12, 1e-13, 5000, 100000, 1e4);
  const std::unique_ptr<SimManager> m = RunToEnd(p, UniformStart(p));
  const SimSnapshot& s = m->LastSnapshot();
  const Media& media = *p.media;

  // The user's locale must not turn points into commas.
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German));
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  const QByteArray csv = SnapshotCsv(media, s);
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(saved);

  QList<QByteArray> lines = csv.split('\n');
  ASSERT_EQ(lines.takeLast(), "");
  const int volumes = media.ni * media.nj;
  const int faces = 2 * media.ni + 2 * media.nj;
  ASSERT_EQ(lines.size(), 1 + volumes + 1 + 1 + faces);
  EXPECT_EQ(lines[0], "I,J,x,y,T,qx,qy");
  for (int k = 0; k < volumes; ++k) {
    const QList<QByteArray> cells = lines[1 + k].split(',');
    ASSERT_EQ(cells.size(), 7);
    const int i = k % media.ni;
    const int j = k / media.ni;
    EXPECT_EQ(cells[0].toInt(), i + 1);
    EXPECT_EQ(cells[1].toInt(), j + 1);
    const Point c = GeometryOf(media, i, j).centre;
    EXPECT_EQ(Parsed(cells[2]), c.x);
    EXPECT_EQ(Parsed(cells[3]), c.y);
    EXPECT_EQ(Parsed(cells[4]), s.T[i][j]);
    EXPECT_EQ(Parsed(cells[5]), s.qx[i][j]);
    EXPECT_EQ(Parsed(cells[6]), s.qy[i][j]);
  }
  EXPECT_EQ(lines[1 + volumes], "");
  EXPECT_EQ(lines[2 + volumes], "Side,K,x,y,HeatIn");

  // Each side's rows in their order, with the sign that makes heat entering positive: a
  // sign turned at any side breaks the balance with the heat generated inside.
  double in = 0;
  double absolute = 0;
  int row = 3 + volumes;
  const struct {
    const char* side;
    int count;
  } sides[] = {{"North", media.ni}, {"South", media.ni}, {"East", media.nj}, {"West", media.nj}};
  for (const auto& side : sides) {
    double net = 0;
    for (int k = 0; k < side.count; ++k, ++row) {
      const QList<QByteArray> cells = lines[row].split(',');
      ASSERT_EQ(cells.size(), 5);
      EXPECT_EQ(cells[0], side.side);
      EXPECT_EQ(cells[1].toInt(), k + 1);
      const std::string name = side.side;
      const double value = Parsed(cells[4]);
      in += value;
      if (name == "North") {
        EXPECT_EQ(Parsed(cells[2]), GeometryOf(media, k, media.nj - 1).mn.x);
        EXPECT_EQ(value, s.heatSN[k][media.nj]);
      } else if (name == "South") {
        EXPECT_EQ(Parsed(cells[3]), GeometryOf(media, k, 0).ms.y);
        EXPECT_EQ(value, -s.heatSN[k][0]);
      } else if (name == "East") {
        EXPECT_EQ(Parsed(cells[3]), GeometryOf(media, media.ni - 1, k).me.y);
        EXPECT_EQ(value, s.heatWE[media.ni][k]);
      } else {
        EXPECT_EQ(Parsed(cells[2]), GeometryOf(media, 0, k).mw.x);
        EXPECT_EQ(value, -s.heatWE[0][k]);
      }
      absolute += std::fabs(value);
      net += value;
    }
    EXPECT_GT(std::fabs(net), 10) << side.side << " carries too little heat to test its sign";
  }
  const double generated = 4e5 * AreaOf(media, 2, 3);
  EXPECT_NEAR(in + generated, 0, 1e-6 * (absolute + generated));
}

}  // namespace
