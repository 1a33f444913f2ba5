// The window's problem under the operations that replace parts of it: grid files of any
// size, changes asked for while a run still reads the problem, and what a new grid or new
// results reset.

#include <gtest/gtest.h>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>

#include "gui/dialogs/Process.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "tests/gui/support.h"

namespace {

class Problem : public WindowTest {};

// Writes a file that is not a grid into a pipe for as long as anyone reads it, up to
// `limit` bytes, and counts what went in.
struct PipeWriter {
  std::string path;
  int64_t limit;
  int64_t written = 0;

  void Run() {
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0)
      return;
    std::string chunk = "xiso\n\n\nNI 2 NJ 2 NODES\n";
    chunk.resize(64 * 1024, 'z');
    for (std::size_t k = 40; k < chunk.size(); k += 8)
      chunk[k] = ' ';
    while (written < limit) {
      const ssize_t n = ::write(fd, chunk.data(), chunk.size());
      if (n <= 0)
        break;  // the reader has gone
      written += n;
      chunk.assign(chunk.size(), 'z');
      for (std::size_t k = 0; k < chunk.size(); k += 8)
        chunk[k] = ' ';
    }
    ::close(fd);
  }
};

TEST_F(Problem, AGridFileIsReadAsFarAsNeededNotWhole) {
  // A pipe shows how much of a file is taken: the old reading took all of it (and a copy
  // twice over) before looking at the first number.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("big.sdf").toStdString();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
  struct sigaction ignore {};
  struct sigaction before {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &before);

  const int64_t limit = int64_t{64} << 20;
  PipeWriter writer{path, limit};
  std::thread thread([&writer] { writer.Run(); });
  QString message;
  const bool opened = form->OpenGeometry(QString::fromStdString(path), &message);
  thread.join();
  ::sigaction(SIGPIPE, &before, nullptr);

  EXPECT_FALSE(opened);
  EXPECT_NE(message.indexOf("x coordinate of node (0, 0)"), -1) << message.toStdString();
  EXPECT_EQ(form->media->ni, 10);
  EXPECT_LT(writer.written, int64_t{4} << 20) << "of " << limit;
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
    EXPECT_FALSE(f.OpenGeometry(file, &message));  // not a grid file: the unit square
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
