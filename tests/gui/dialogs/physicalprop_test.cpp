// The physical-properties dialog driven through its controls: names and swatches from the
// material table, the limits that enable the apply buttons, the paint tool's toggle, the
// database and "Apply all".

#include "gui/dialogs/PhysicalProp.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "gui/platform/widgets.h"
#include "gui/plot/fieldplot.h"
#include "sim/problem.h"
#include "tests/gui/dialogs/dialogsupport.h"

namespace {

class FakeWindow : public PropertiesTarget {
 public:
  void ShowPaintTool(PaintTool state, const QString& reason) override {
    tool = state;
    why = reason;
    painting = state == PaintTool::Engaged;
  }
  void PropertiesShown(bool shown) override { materialsShown = shown; }
  bool painting = false;
  PaintTool tool = PaintTool::Closed;
  QString why;
  bool materialsShown = false;
};

class PhysicalProp : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg = std::make_unique<TPhysicalPropDlg>(model, window);
    Find<QLineEdit>("Conductivity");  // every control by its name
  }
  template <class T>
  T* Find(const char* name) {
    T* control = dlg->findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  void Type(const char* field, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(field);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  void TypeProperties(const QString& k, const QString& rho, const QString& cp) {
    Type("Conductivity", k);
    Type("Density", rho);
    Type("SpecificHeat", cp);
  }
  QString Name() { return Find<QLabel>("MaterialName")->text(); }
  QColor Swatch() { return Find<TShape>("MaterialColor")->BrushColor(); }
  bool ApplyEnabled() {
    const bool apply = Find<QToolButton>("Apply")->isEnabled();
    EXPECT_EQ(apply, Find<QPushButton>("ApplyAll")->isEnabled());
    return apply;
  }

  ProblemRecord problem;
  ProblemModel model{problem};
  FakeWindow window;
  std::unique_ptr<TPhysicalPropDlg> dlg;
};

TEST_F(PhysicalProp, NamesTheMaterialOfTheFields) {
  EXPECT_EQ(dlg->windowTitle(), "Physical Properties Specification");
  EXPECT_EQ(Name(), "Gold");
  EXPECT_EQ(Find<QLineEdit>("Conductivity")->text(), "317");
  EXPECT_EQ(Find<QLineEdit>("Density")->text(), "19300");
  EXPECT_EQ(Find<QLineEdit>("SpecificHeat")->text(), "129");
  EXPECT_EQ(Find<QLineEdit>("HeatGen")->text(), "0");
  EXPECT_EQ(Swatch(), PropertyColor({317, 19300, 129, 0}));
  EXPECT_TRUE(ApplyEnabled());

  Type("SpecificHeat", "130");
  EXPECT_EQ(Name(), "Custom");
  EXPECT_EQ(Swatch(), PropertyColor({317, 19300, 130, 0}));
  Type("SpecificHeat", "129");
  EXPECT_EQ(Name(), "Gold");

  // Two rows share a conductivity; the density and specific heat tell them apart.
  TypeProperties("0.72", "1860", "780");
  EXPECT_EQ(Name(), "Cement board");
  TypeProperties("0.72", "1920", "835");
  EXPECT_EQ(Name(), "Brick, common");
}

TEST_F(PhysicalProp, ApplyButtonsNeedFourValidFields) {
  Type("Conductivity", "0.00001");
  EXPECT_EQ(Name(), "-");
  EXPECT_EQ(Swatch(), QColor(Qt::white));
  EXPECT_FALSE(ApplyEnabled());
  Type("Conductivity", "0.000011");
  EXPECT_EQ(Name(), "Custom");
  EXPECT_TRUE(ApplyEnabled());

  Type("Density", "1e");
  EXPECT_EQ(Name(), "-");
  EXPECT_FALSE(ApplyEnabled());
  Type("Density", "19300");
  EXPECT_TRUE(ApplyEnabled());

  // A sink is a material too; a generation that is no number is not.
  Type("HeatGen", "-2.5e3");
  EXPECT_TRUE(ApplyEnabled());
  ASSERT_TRUE(dlg->ReadProperties().has_value());
  EXPECT_EQ(dlg->ReadProperties()->heatGeneration, -2500);
  Type("HeatGen", "x");
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_FALSE(dlg->ReadProperties().has_value());
  EXPECT_NE(Name(), "-");  // the material itself is still valid

  // Past 1E+100 a property only overflows in the equations; up to it, it is taken.
  for (const char* field : {"Conductivity", "Density", "SpecificHeat", "HeatGen"}) {
    SCOPED_TRACE(field);
    Type("HeatGen", "0");
    Type(field, "1e100");
    EXPECT_TRUE(ApplyEnabled());
    Type(field, std::string(field) == "HeatGen" ? "-1.0000000000000002e100" : "1e308");
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_FALSE(dlg->ReadProperties().has_value());
    Type(field, "100");
  }
}

TEST_F(PhysicalProp, PaintToolFollowsShowingApplyAndTheChecks) {
  auto* apply = Find<QToolButton>("Apply");
  dlg->show();
  EXPECT_TRUE(apply->isChecked());
  EXPECT_TRUE(dlg->Painting());
  EXPECT_TRUE(window.painting);

  QTest::mouseClick(apply, Qt::LeftButton);
  EXPECT_FALSE(window.painting);
  QTest::mouseClick(apply, Qt::LeftButton);
  EXPECT_TRUE(window.painting);

  // A check that fails releases the tool; becoming valid again does not press it. The
  // window is told the tool is off, and why, at each moment of the typing.
  EXPECT_TRUE(window.materialsShown);
  Type("Density", "0");
  EXPECT_FALSE(apply->isChecked());
  EXPECT_FALSE(window.painting);
  EXPECT_EQ(window.tool, PaintTool::Off);
  EXPECT_EQ(window.why, "Density must be a number above 1E-5");
  EXPECT_EQ(apply->toolTip(), "Off: Density must be a number above 1E-5");
  Type("Density", "19300");
  EXPECT_FALSE(apply->isChecked());
  EXPECT_EQ(window.tool, PaintTool::Off);
  EXPECT_EQ(window.why, "press Apply to paint volumes");
  const struct {
    const char* field;
    const char* text;
    const char* why;
  } offs[] = {
      {"Conductivity", "-", "Conductivity must be a number above 1E-5"},
      {"SpecificHeat", "0.00001", "Specific heat must be a number above 1E-5"},
      {"HeatGen", "-", "Heat generation must be a number"},
  };
  for (const auto& off : offs) {
    const QString kept = Find<QLineEdit>(off.field)->text();
    Type(off.field, off.text);
    EXPECT_EQ(window.why, off.why) << off.field;
    Type(off.field, kept);
  }
  {
    // A point typed where the user's separator is a comma: the message says so.
    const DecimalCommaScope comma;
    Type("Conductivity", "0.72");
    EXPECT_EQ(window.why,
              "Conductivity must be a number above 1E-5: the decimal separator is \",\" (0,72 "
              "rather than 0.72)");
    Type("Conductivity", "0,72");
    EXPECT_EQ(window.why, "press Apply to paint volumes");
    Type("Conductivity", "317");
  }
  QTest::mouseClick(apply, Qt::LeftButton);
  EXPECT_TRUE(window.painting);
  EXPECT_EQ(window.tool, PaintTool::Engaged);

  QTest::mouseClick(Find<QPushButton>("CloseBtn"), Qt::LeftButton);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_FALSE(apply->isChecked());
  EXPECT_FALSE(window.painting);
  EXPECT_EQ(window.tool, PaintTool::Closed);
  EXPECT_FALSE(window.materialsShown);

  // Shown again with a field left invalid: nothing to paint with.
  Type("HeatGen", "");
  dlg->show();
  EXPECT_FALSE(apply->isChecked());
  EXPECT_FALSE(window.painting);
  dlg->close();
}

TEST_F(PhysicalProp, DatabaseWidensTheDialogAndFillsTheFields) {
  auto* more = Find<QPushButton>("MoreBtn");
  auto* grid = Find<QTableWidget>("DatabaseGrid");
  dlg->show();
  EXPECT_EQ(dlg->width(), 242);
  EXPECT_FALSE(grid->isVisible());
  QTest::mouseClick(more, Qt::LeftButton);
  EXPECT_EQ(dlg->width(), 555);
  EXPECT_EQ(more->text(), "<<");
  ASSERT_TRUE(grid->isVisible());
  ASSERT_EQ(grid->rowCount(), 19);
  EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "rho");
  EXPECT_EQ(grid->item(0, 0)->text(), "Polystyrene, expanded");
  EXPECT_EQ(grid->item(0, 1)->text(), "0.027");

  Type("HeatGen", "7");
  const int copper = 17;
  ASSERT_EQ(grid->item(copper, 0)->text(), "Copper");
  grid->scrollToItem(grid->item(copper, 0));
  const QPoint at = grid->visualItemRect(grid->item(copper, 1)).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(Find<QLineEdit>("Conductivity")->text(), "401");
  EXPECT_EQ(Find<QLineEdit>("Density")->text(), "8933");
  EXPECT_EQ(Find<QLineEdit>("SpecificHeat")->text(), "385");
  EXPECT_EQ(Find<QLineEdit>("HeatGen")->text(), "7");
  EXPECT_EQ(Name(), "Copper");
  EXPECT_EQ(Swatch(), PropertyColor({401, 8933, 385, 0}));

  QTest::mouseClick(more, Qt::LeftButton);
  EXPECT_EQ(dlg->width(), 242);
  EXPECT_EQ(more->text(), ">>");
  dlg->close();
}

TEST_F(PhysicalProp, ApplyAllWritesEveryVolumeOnTheCurrentGrid) {
  // The window may have replaced its grid since the dialog was made.
  problem.media = std::make_unique<CartesianMedia>(2, 1, 7, 3, DefaultMaterial());
  TypeProperties("0.16", "720", "1255");
  Type("HeatGen", "-40");
  // The dialog asks the model, which tells the window once, with one step to undo.
  int told = 0;
  QObject::connect(&model, &ProblemModel::Changed, [&told](ProblemModel::Parts parts) {
    told += (parts & ProblemModel::Materials) ? 1 : 0;
  });
  QTest::mouseClick(Find<QPushButton>("ApplyAll"), Qt::LeftButton);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(model.History().count(), 1);
  for (int i = 0; i < 7; ++i) {
    for (int j = 0; j < 3; ++j) {
      const VolumeProperties& p = problem.media->volume(i, j);
      EXPECT_EQ(p.conductivity, 0.16);
      EXPECT_EQ(p.density, 720);
      EXPECT_EQ(p.specificHeat, 1255);
      EXPECT_EQ(p.heatGeneration, -40);
    }
  }
  // Picking a volume up shows its material and keeps the generation typed.
  dlg->ShowProperties(VolumeProperties{401, 8933, 385, 99});
  EXPECT_EQ(Name(), "Copper");
  EXPECT_EQ(Find<QLineEdit>("HeatGen")->text(), "-40");

  // A new problem starts from gold without generation, whatever was typed before.
  Type("HeatGen", "1e308");
  dlg->Reset();
  EXPECT_EQ(Name(), "Gold");
  EXPECT_EQ(Find<QLineEdit>("HeatGen")->text(), "0");
  EXPECT_EQ(Find<QLineEdit>("Conductivity")->text(), "317");
  ExpectHelpTopic(*dlg->HelpBtn, 300);
}

}  // namespace
