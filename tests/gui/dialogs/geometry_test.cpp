// The geometry wizard driven page by page: validation per kind, the page flow, the grids it
// builds, and runs on them.

#include "gui/dialogs/Geometry.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

#include "sim/materials.h"
#include "tests/gui/dialogs/dialogsupport.h"
#include "tests/gui/support.h"

namespace {

class FakeWindow : public GeometryTarget {
 public:
  bool SetMedia(std::unique_ptr<Media> media) override {
    ++handOvers;
    grid = std::move(media);
    return true;
  }
  std::unique_ptr<Media> grid;
  int handOvers = 0;
};

bool EveryVolumeIsTheDefault(const Media& m) {
  const VolumeProperties d = DefaultMaterial();
  for (int i = 0; i < m.ni; ++i) {
    for (int j = 0; j < m.nj; ++j) {
      const VolumeProperties& v = m.volume(i, j);
      if (v.conductivity != d.conductivity || v.density != d.density ||
          v.specificHeat != d.specificHeat || v.heatGeneration != d.heatGeneration) {
        return false;
      }
    }
  }
  return true;
}

void ExpectOnFirstPage(const TGeometryDlg& dlg) {
  EXPECT_EQ(dlg.ActivePage(), "Default");
  EXPECT_FALSE(dlg.Back->isEnabled());
  EXPECT_TRUE(dlg.Next->isEnabled());
  EXPECT_EQ(dlg.Next->text(), "&Next >>");
}

TEST(GeometryDlg, OkAtOnceBuildsTheTenByTenUnitSquare) {
  FakeWindow window;
  TGeometryDlg dlg(window);
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "Automatic Geometry Generation");
  ExpectOnFirstPage(dlg);
  EXPECT_TRUE(dlg.Next->isDefault());
  EXPECT_TRUE(dlg.Cartesian->isChecked());
  EXPECT_TRUE(dlg.OKBtn->isEnabled());
  dlg.OKBtn->click();
  EXPECT_FALSE(dlg.isVisible());
  ASSERT_EQ(window.handOvers, 1);
  const Media& m = *window.grid;
  ASSERT_EQ(m.ni, 10);
  ASSERT_EQ(m.nj, 10);
  EXPECT_EQ(m.node(10, 10).x, 1);
  EXPECT_EQ(m.node(10, 10).y, 1);
  EXPECT_EQ(m.node(3, 0).x, 0.3);
  EXPECT_TRUE(EveryVolumeIsTheDefault(m));
}

TEST(GeometryDlg, PolarThroughNextAndFinish) {
  FakeWindow window;
  TGeometryDlg dlg(window);
  dlg.show();
  dlg.Polar->click();
  EXPECT_EQ(dlg.Kind(), GeometryKind::Polar);
  dlg.Next->click();
  EXPECT_EQ(dlg.ActivePage(), "Polar");
  EXPECT_TRUE(dlg.Back->isEnabled());
  EXPECT_EQ(dlg.Next->text(), "Finish");
  EXPECT_TRUE(dlg.Next->isEnabled());
  // Theta runs up to a full turn and no further.
  const struct {
    const char* angle;
    bool valid;
  } angles[] = {{"360", true}, {"360.5", false}, {"0", false}, {"-30", false}, {"3O", false}};
  for (const auto& a : angles) {
    Type(dlg, "pAngle", a.angle);
    EXPECT_EQ(dlg.Next->isEnabled(), a.valid) << a.angle;
    EXPECT_EQ(dlg.OKBtn->isEnabled(), a.valid) << a.angle;
  }
  Type(dlg, "pAngle", "30");
  Type(dlg, "pRi", "20");  // not inside Re
  EXPECT_FALSE(dlg.Next->isEnabled());
  Type(dlg, "pRi", "10");
  // I counts outwards and J around: counts that differ show which is which.
  Type(dlg, "pNI", "6");
  Type(dlg, "pNJ", "9");
  dlg.Next->click();
  ASSERT_EQ(window.handOvers, 1);
  const Media& m = *window.grid;
  ASSERT_EQ(m.ni, 6);
  ASSERT_EQ(m.nj, 9);
  EXPECT_EQ(m.node(0, 0).x, 10);
  EXPECT_NEAR(m.node(6, 0).x, 20, 1e-5);
  EXPECT_NEAR(m.node(0, 9).x, 10 * std::cos(3.141592653589793 / 6), 1e-5);
  EXPECT_NEAR(m.node(0, 9).y, 5, 1e-5);
  EXPECT_NEAR(m.node(1, 0).x, 10 + 10.0 / 6, 1e-5);

  // The next showing starts on the first page, with the kind and fields kept.
  dlg.show();
  ExpectOnFirstPage(dlg);
  EXPECT_TRUE(dlg.Polar->isChecked());
  EXPECT_EQ(TextOf(dlg, "pRi"), "10");
  Type(dlg, "pNI", "10");
  Type(dlg, "pNJ", "10");
}

TEST(GeometryDlg, MixedValidityLimits) {
  FakeWindow window;
  TGeometryDlg dlg(window);
  dlg.show();
  dlg.Mixed->click();
  dlg.Next->click();
  EXPECT_EQ(dlg.ActivePage(), "Mixed");
  EXPECT_EQ(TextOf(dlg, "mRadius"), "0.25");
  EXPECT_EQ(TextOf(dlg, "mU"), "0.5");
  EXPECT_TRUE(dlg.Next->isEnabled());
  EXPECT_EQ(dlg.Reason->text(), "");
  // Each refusal greys Finish and says why in the line under the fields.
  const struct {
    const char* field;
    const char* text;
    const char* why;
  } invalid[] = {
      {"mU", "0.25", "Radius must be smaller than U: the hole would cut the bottom edge."},
      {"mHeight", "0.75",
       "U + Radius must be smaller than Height: the hole would cut the top edge."},
      {"mNJ", "3", "J must be from 4 to 1000."},
      {"mNI", "1", "I must be from 2 to 1000."},
      {"mWidth", "0.25", "Radius must be smaller than Width."},
      {"mRadius", "0", "Radius must be greater than 0."},
      {"mU", "abc", "U must be a number."},
      {"mNJ", "30.0", "J must be a whole number."},
      {"mNI", "1001", "I must be from 2 to 1000."},
      {"mHeight", "", "Height must be a number."},
      // More volumes than a session can hold, even within the limit of each direction.
      {"mNI", "9000", "I must be from 2 to 1000."},
  };
  for (const auto& c : invalid) {
    const QString kept = TextOf(dlg, c.field);
    Type(dlg, c.field, c.text);
    EXPECT_FALSE(dlg.Next->isEnabled()) << c.field << " = " << c.text;
    EXPECT_FALSE(dlg.OKBtn->isEnabled()) << c.field << " = " << c.text;
    EXPECT_EQ(dlg.Reason->text(), c.why);
    Type(dlg, c.field, kept);
    EXPECT_TRUE(dlg.Next->isEnabled()) << "restoring " << c.field;
    EXPECT_EQ(dlg.Reason->text(), "");
  }
  Type(dlg, "mNI", "500");
  Type(dlg, "mNJ", "501");
  EXPECT_FALSE(dlg.OKBtn->isEnabled());
  EXPECT_EQ(dlg.Reason->text(), "I x J must be at most 250000 volumes; this grid has 250500.");

  // Back: the first page, Next an ordinary button again; a kind's picture with invalid
  // fields still leads on to its page, where Finish waits for valid values.
  dlg.Back->click();
  ExpectOnFirstPage(dlg);
  EXPECT_FALSE(dlg.OKBtn->isEnabled());
  dlg.Cartesian->click();
  EXPECT_TRUE(dlg.OKBtn->isEnabled());
  dlg.Mixed->click();
  EXPECT_FALSE(dlg.OKBtn->isEnabled());
  EXPECT_TRUE(dlg.Next->isEnabled());
  dlg.Next->click();
  EXPECT_FALSE(dlg.Next->isEnabled());
  Type(dlg, "mNI", "20");
  Type(dlg, "mNJ", "60");
  EXPECT_TRUE(dlg.Next->isEnabled());

  // Cancel and the close box build nothing, and come back to the first page.
  dlg.CancelBtn->click();
  EXPECT_EQ(window.handOvers, 0);
  dlg.show();
  ExpectOnFirstPage(dlg);
  dlg.Next->click();
  dlg.close();
  EXPECT_EQ(window.handOvers, 0);
  dlg.show();
  ExpectOnFirstPage(dlg);

  // Finish: the hole's edge is the West side, a half circle of radius 0.25 about (0, 0.5);
  // a run on it conducts heat from East to West through the whole 20 x 60 grid.
  dlg.Next->click();
  dlg.Next->click();
  ASSERT_EQ(window.handOvers, 1);
  const Media& m = *window.grid;
  ASSERT_EQ(m.ni, 20);
  ASSERT_EQ(m.nj, 60);
  for (int j = 0; j <= 60; j += 5) {
    const Point& p = m.node(0, j);
    EXPECT_NEAR(std::hypot(p.x, p.y - 0.5), 0.25, 1e-6) << "j = " << j;
  }
  EXPECT_TRUE(EveryVolumeIsTheDefault(m));
  ProblemRecord problem;
  problem.media = std::move(window.grid);
  problem.SetParameters(1e-300, 1e-9, 30, 10000, 2000);
  std::unique_ptr<SimManager> run = RunToEnd(problem, UniformStart(problem));
  const SimSnapshot& last = run->LastSnapshot();
  ASSERT_EQ(last.T.N(), 20);
  ASSERT_EQ(last.T.M(), 60);
  EXPECT_EQ(last.Iteration(), 30);
  EXPECT_GT(last.T[19][30], last.T[0][30]);
  EXPECT_GT(last.maxT, 0.5);
  EXPECT_LE(last.maxT, 1.0 + 1e-9);
  EXPECT_GE(last.minT, -1e-9);

  ExpectHelpTopic(*dlg.HelpBtn, 200);
}

TEST(GeometryDlg, LettersAndLimitsDisableOkOnTheCartesianPage) {
  FakeWindow window;
  TGeometryDlg dlg(window);
  dlg.show();
  dlg.Next->click();
  EXPECT_EQ(dlg.ActivePage(), "Cartesian");
  for (const auto& [field, text] : std::vector<std::pair<const char*, const char*>>{
           {"cNI", "1"}, {"cNJ", "ten"}, {"cWidth", "0"}, {"cHeight", "-1"}, {"cWidth", "1m"}}) {
    const QString kept = TextOf(dlg, field);
    Type(dlg, field, text);
    EXPECT_FALSE(dlg.OKBtn->isEnabled()) << field << " = " << text;
    EXPECT_FALSE(dlg.Next->isEnabled()) << field << " = " << text;
    Type(dlg, field, kept);
  }
  // Each number valid, the grid not: beyond the range of squares, or squeezed flat.
  for (const char* width : {"1e-300", "1e300"}) {
    Type(dlg, "cWidth", width);
    EXPECT_FALSE(dlg.OKBtn->isEnabled()) << width;
    EXPECT_TRUE(dlg.Reason->text().startsWith("These sizes make volumes too thin")) << width;
  }
  dlg.Back->click();
  dlg.Polar->click();
  dlg.Next->click();
  Type(dlg, "pAngle", "1e-300");
  EXPECT_FALSE(dlg.OKBtn->isEnabled());
  Type(dlg, "pAngle", "30");
  Type(dlg, "pRi", "1");
  Type(dlg, "pRe", "1.0000000000000002");
  EXPECT_FALSE(dlg.OKBtn->isEnabled());
  Type(dlg, "pRe", "1.001");
  EXPECT_TRUE(dlg.OKBtn->isEnabled());
  dlg.Back->click();
  dlg.Cartesian->click();
  dlg.Next->click();

  Type(dlg, "cNI", "1000");
  Type(dlg, "cNJ", "2");
  Type(dlg, "cWidth", "2e-3");
  EXPECT_TRUE(dlg.OKBtn->isEnabled());
  dlg.OKBtn->click();
  ASSERT_EQ(window.handOvers, 1);
  EXPECT_EQ(window.grid->ni, 1000);
  EXPECT_DOUBLE_EQ(window.grid->node(1000, 2).x, 2e-3);
  ExpectOnFirstPage(dlg);
}

TEST(GeometryDlg, ReadsAndShowsTheDecimalComma) {
  DecimalCommaScope comma;
  FakeWindow window;
  TGeometryDlg dlg(window);
  dlg.show();
  dlg.Mixed->click();
  dlg.Next->click();
  EXPECT_EQ(TextOf(dlg, "mRadius"), "0,25");
  EXPECT_EQ(TextOf(dlg, "mU"), "0,5");
  EXPECT_TRUE(dlg.Next->isEnabled());
  Type(dlg, "mWidth", "2.5");
  EXPECT_FALSE(dlg.Next->isEnabled());
  EXPECT_EQ(dlg.Reason->text(),
            "Width must be a number: the decimal separator is \",\" (2,5 rather than 2.5).");
  Type(dlg, "mWidth", "2,5");
  Type(dlg, "mRadius", "0,125");
  dlg.Next->click();
  ASSERT_EQ(window.handOvers, 1);
  EXPECT_NEAR(window.grid->node(0, 0).y, 0.375, 1e-7);
  EXPECT_NEAR(window.grid->node(10, 15).x, 2.5, 1e-6);
}

}  // namespace
