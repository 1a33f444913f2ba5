// The window's problem under the operations that replace parts of it: grid files of any
// size, changes asked for while a run still reads the problem, and what a new grid or new
// results reset.

#include <gtest/gtest.h>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "gui/dialogs/Process.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "tests/gui/support.h"

namespace {

class Problem : public WindowTest {};

// The bytes this process has read from files and pipes so far, as the system counts them.
int64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:")
      return value;
  }
  return -1;
}

TEST_F(Problem, AGridFileIsReadAsFarAsNeededNotWhole) {
  // The bytes the program reads show how much of a file it takes: the old reading took all
  // of it (and a copy twice over) before looking at the first number. (A pipe, which showed
  // it before, is now refused unread.)
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("big.sdf");
  const int64_t size = int64_t{32} << 20;
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("xiso\n\n\nNI 2 NJ 2 NODES\n");
    const QByteArray chunk = QByteArray("zzzzzzz ").repeated(8192);
    for (int64_t written = 0; written < size; written += chunk.size())
      ASSERT_EQ(file.write(chunk), chunk.size());
  }
  const int64_t before = BytesRead();
  ASSERT_GE(before, 0);
  QString message;
  const bool opened = form->OpenGeometry(path, &message);
  const int64_t read = BytesRead() - before;

  EXPECT_FALSE(opened);
  EXPECT_NE(message.indexOf("x coordinate of node (0, 0)"), -1) << message.toStdString();
  EXPECT_EQ(form->media->ni, 10);
  EXPECT_LT(read, int64_t{4} << 20) << "of " << size;
}

TEST_F(Problem, ChangesThatWouldPullTheProblemFromARunAreRefusedUntilItIsHandedOver) {
  THeatForm& f = *form;
  TProcessDlg& dialog = *f.processDlg;
  f.tolTime = 0;  // never steady: the run goes on until its last mark
  ASSERT_TRUE(f.SetParameters(0, f.tolSpace, 40, f.maxIterSpace, f.dt));
  ASSERT_TRUE(f.SetMarks(std::make_unique<NumVector<int>>(Marks({0, 10, 20, 40}))));
  const NumVector<int>* marks = f._marks.get();
  const Media* grid = f.media.get();

  dialog.pumpIntervalMs = 0;
  dialog.show();
  QTimer pause;
  QObject::connect(&pause, &QTimer::timeout, [&] {
    if (dialog.Pause->isEnabled() && dialog.TIter->text().toInt() >= 15) {
      pause.stop();
      dialog.Pause->click();
    }
  });
  pause.start(0);
  dialog.Run->click();
  ASSERT_TRUE(dialog.Run->isEnabled()) << "paused";
  ASSERT_TRUE(f.HeldByRun());

  auto expectAllRefused = [&] {
    EXPECT_FALSE(f.SetMedia(std::make_unique<CartesianMedia>(1, 1, 2, 2, DefaultMaterial())));
    EXPECT_FALSE(f.SetParameters(0, f.tolSpace, 15, f.maxIterSpace, f.dt));
    EXPECT_FALSE(f.SetMarks(std::make_unique<NumVector<int>>(Marks({0, 40}))));
    QString message;
    QTemporaryDir dir;
    const QString file = dir.filePath("square.sdf");
    EXPECT_FALSE(f.OpenGeometry(file, &message));  // no such file, and a run holds the grid
    EXPECT_EQ(f.media.get(), grid);
    EXPECT_EQ(f._marks.get(), marks);
    EXPECT_EQ(f.maxIterTime, 40);
  };
  expectAllRefused();

  // A preview hands the run's manager over while the run can still go on: other results
  // may not replace it.
  bool looked = false;
  QTimer::singleShot(0, &dialog, [&] {
    looked = true;
    ASSERT_NE(f.manager, nullptr);
    EXPECT_EQ(f.manager.get(), dialog.Manager());
    expectAllRefused();
    auto other = RunToEnd(f, UniformStart(f));
    EXPECT_FALSE(f.SetManager(other.get()));
    EXPECT_EQ(f.manager.get(), dialog.Manager());
    dialog.PreviewWindow().Return->click();
  });
  dialog.Preview->click();
  EXPECT_TRUE(looked);

  // The run goes on undisturbed, and once handed over everything may change again.
  dialog.Run->click();
  dialog.Finish->click();
  EXPECT_FALSE(f.HeldByRun());
  ASSERT_NE(f.manager, nullptr);
  EXPECT_EQ(f.manager->LastSnapshot().Iteration(), 40);
  ExpectSameField(f.manager->LastSnapshot().T, RunToEnd(f, UniformStart(f))->LastSnapshot().T);
  EXPECT_TRUE(f.SetMarks(std::make_unique<NumVector<int>>(Marks({0, 40}))));
  EXPECT_TRUE(f.SetMedia(std::make_unique<CartesianMedia>(1, 1, 2, 2, DefaultMaterial())));
}

TEST_F(Problem, ANewGridForgetsTheProbedVolume) {
  THeatForm& f = *form;
  f.LegendBtn->click();
  const PixelRect& v = f.viewport;
  // The centre of volume (9, 9), the North-East corner volume of the default grid.
  f.MouseMove(static_cast<int>(v.left + 0.95 * (v.right - v.left)),
              static_cast<int>(v.bottom - 0.95 * (v.bottom - v.top)), Qt::NoButton);
  ASSERT_EQ(f.probeI, 9);
  ASSERT_EQ(f.probeJ, 9);
  ASSERT_TRUE(f.SetMedia(std::make_unique<CartesianMedia>(1, 1, 2, 2, DefaultMaterial())));
  EXPECT_EQ(f.probeI, -1);
  EXPECT_EQ(f.probeJ, -1);
  EXPECT_EQ(f.Legend->MediaI->text(), "-");
}

// The largest flux component anywhere in the given snapshots.
double LargestComponent(const SimManager& m, int first, int last) {
  double largest = 0;
  for (int k = first; k <= last; ++k) {
    const SimSnapshot& s = m.Snapshot(k);
    for (int i = 0; i < s.qx.N(); ++i) {
      for (int j = 0; j < s.qx.M(); ++j)
        largest = std::max({largest, std::fabs(s.qx[i][j]), std::fabs(s.qy[i][j])});
    }
  }
  return largest;
}

TEST_F(Problem, FluxScaleIsTheDiagonalOfTheLargestComponent) {
  // A vector whose components both reach the largest one is drawn at full length: the
  // scale is that vector's length, sqrt(2) times the component.
  THeatForm& f = *form;
  ASSERT_TRUE(f.SetMarks(std::make_unique<NumVector<int>>(Marks({0, 5, 1000}))));
  ASSERT_TRUE(f.SetManager(RunToEnd(f, UniformStart(f)).release()));
  const SimManager& m = *f.manager;
  ASSERT_GE(m.Count(), 3);
  const double runWide = LargestComponent(m, 0, m.Count() - 1);
  ASSERT_GT(runWide, 0);
  EXPECT_NEAR(f.fluxScale / (std::sqrt(2.0) * runWide), 1, 1e-15);

  // Auto scale takes the shown snapshot's own.
  f.ShowSnapshot(1);
  f.HeatFluxVectorsItem->trigger();
  QCoreApplication::processEvents();  // the tool bar shows the button in its next layout
  ASSERT_TRUE(f.AlphaNorm->isVisible());
  f.AlphaNorm->click();
  const double shown = LargestComponent(m, 1, 1);
  ASSERT_NE(shown, runWide);
  EXPECT_NEAR(f.fluxScale / (std::sqrt(2.0) * shown), 1, 1e-15);
}

}  // namespace
