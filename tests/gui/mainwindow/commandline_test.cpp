#include "gui/mainwindow/commandline.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>

#include "gui/document/nativefile.h"
#include "gui/document/problemfile.h"
#include "gui/document/resultcsv.h"
#include "gui/document/studycsv.h"
#include "gui/mainwindow/examples.h"
#include "sim/geometry.h"
#include "tests/gui/support.h"

namespace {

TEST(CommandLine, ArgumentsAreReadOrRefusedWithAReason) {
  using A = CommandLine::Action;
  const CommandLine none = ParseCommandLine(QStringList{});
  EXPECT_EQ(none.action, A::window);
  EXPECT_TRUE(none.problem.isEmpty());

  const CommandLine open = ParseCommandLine(QStringList{"wall.cvx"});
  EXPECT_EQ(open.action, A::window);
  EXPECT_EQ(open.problem, "wall.cvx");

  const CommandLine run =
      ParseCommandLine(QStringList{"--png", "p.png", "--run", "wall.cvx", "--csv", "out.csv"});
  EXPECT_EQ(run.action, A::run);
  EXPECT_EQ(run.problem, "wall.cvx");
  EXPECT_EQ(run.csv, "out.csv");
  EXPECT_EQ(run.png, "p.png");

  const CommandLine history =
      ParseCommandLine(QStringList{"--run", "wall.cvx", "--history", "h.csv"});
  EXPECT_EQ(history.action, A::run);
  EXPECT_EQ(history.history, "h.csv");
  EXPECT_TRUE(history.csv.isEmpty());

  EXPECT_EQ(ParseCommandLine(QStringList{"a.cvx", "--help"}).action, A::help);
  const CommandLine toTerminal =
      ParseCommandLine(QStringList{"--run", "a.cvx", "--csv", "-", "--png", "a.png"});
  EXPECT_EQ(toTerminal.action, A::run);
  EXPECT_EQ(toTerminal.csv, "-");
  EXPECT_FALSE(run.steady);
  const CommandLine steady =
      ParseCommandLine(QStringList{"--steady", "--run", "wall.cvx", "--csv", "out.csv"});
  EXPECT_EQ(steady.action, A::run);
  EXPECT_TRUE(steady.steady);
  const struct {
    QStringList arguments;
    const char* error;
  } refused[] = {
      {{"--run", "wall.cvx"}, "--run needs --csv, --png or --history to say where the results go."},
      {{"--run"}, "--run needs a file name."},
      {{"--run", "a.cvx", "--csv"}, "--csv needs a file name."},
      {{"--csv", "out.csv"}, "--csv, --png and --history go with --run."},
      {{"--history", "h.csv"}, "--csv, --png and --history go with --run."},
      {{"--run", "a.cvx", "--history", "out", "--csv", "./out"},
       "--csv and --history name the same file; each needs a file of its own."},
      {{"--run", "a.cvx", "--csv", "1", "--csv", "2"}, "--csv is given twice."},
      {{"a.cvx", "b.cvx"}, "only one problem can be opened at a time."},
      {{"--fast"}, "unknown option --fast."},
      // Outputs that would overwrite one another, or the problem, and options taken for
      // names.
      {{"--run", "a.cvx", "--csv", "--png", "p.png"},
       "--csv needs a file name, found the option --png (for a file of that name, write "
       "./--png)."},
      {{"--run", "-", "--csv", "out.csv"},
       "--run needs a file name, found the option - (for a "
       "file of that name, write ./-)."},
      {{"--run", "a.cvx", "--csv", "out", "--png", "./sub/../out"},
       "--csv and --png name the same file; each needs a file of its own."},
      {{"--run", "a.cvx", "--csv", "-", "--png", "/dev/stdout"},
       "--csv and --png name the same file; each needs a file of its own."},
      {{"--run", "a.cvx", "--png", "./a.cvx"},
       "--png names the problem file itself; it would be replaced."},
      {{"wall.cvx", "--steady"}, "--steady goes with --run."},
  };
  for (const auto& r : refused) {
    const CommandLine c = ParseCommandLine(r.arguments);
    EXPECT_EQ(c.action, A::error) << r.error;
    EXPECT_EQ(c.error, r.error);
  }
}

TEST(CommandLine, RefinementArgumentsAreReadOrRefusedWithAReason) {
  const CommandLine study = ParseCommandLine(
      QStringList{"--run", "t.cvx", "--probe", "3, 14", "--refine", "4", "--csv", "s.csv"});
  EXPECT_EQ(study.action, CommandLine::Action::run);
  EXPECT_EQ(study.refineLevels, 4);
  EXPECT_EQ(study.probeI, 3);
  EXPECT_EQ(study.probeJ, 14);
  EXPECT_EQ(ParseCommandLine(QStringList{"--run", "t.cvx", "--csv", "s.csv"}).refineLevels, 0);
  const struct {
    QStringList arguments;
    const char* error;
  } refused[] = {
      {{"--run", "t.cvx", "--refine", "2", "--csv", "s"},
       "--refine needs a number of levels from 3 to 12, found \"2\"."},
      {{"--run", "t.cvx", "--refine", "three", "--csv", "s"},
       "--refine needs a number of levels from 3 to 12, found \"three\"."},
      {{"--run", "t.cvx", "--csv", "s", "--refine"}, "--refine needs a number of levels."},
      {{"--refine", "3", "--csv", "s"}, "--refine goes with --run."},
      {{"--run", "t.cvx", "--refine", "3", "--png", "p"},
       "--refine needs --csv to say where the study's table goes."},
      {{"--run", "t.cvx", "--refine", "3", "--csv", "s", "--png", "p"},
       "--png goes with a plain run, not with --refine."},
      {{"--run", "t.cvx", "--refine", "3", "--csv", "s", "--history", "h"},
       "--history goes with a plain run, not with --refine."},
      {{"--run", "t.cvx", "--csv", "s", "--probe", "2,2"}, "--probe goes with --refine."},
      {{"--run", "t.cvx", "--refine", "3", "--csv", "s", "--probe", "0,2"},
       "--probe needs a volume as I,J counted from 1, found \"0,2\"."},
      {{"--run", "t.cvx", "--refine", "3", "--refine", "4", "--csv", "s"},
       "--refine is given twice."},
  };
  for (const auto& r : refused) {
    const CommandLine c = ParseCommandLine(r.arguments);
    EXPECT_EQ(c.action, CommandLine::Action::error) << r.error;
    EXPECT_EQ(c.error, r.error);
  }
}

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    log = std::tmpfile();
    ASSERT_TRUE(log);
  }
  void TearDown() override { std::fclose(log); }
  QString Log() {
    std::rewind(log);
    QByteArray text;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, log))
      text.append(buffer, static_cast<qsizetype>(n));
    return QString::fromLocal8Bit(text);
  }
  CommandLine Run(const QString& problem) {
    CommandLine c;
    c.action = CommandLine::Action::run;
    c.problem = problem;
    c.csv = dir.filePath("out.csv");
    c.png = dir.filePath("out.png");
    return c;
  }
  QTemporaryDir dir;
  std::FILE* log = nullptr;
};

// The file's run gives the very numbers of a run of the problem it was saved from.
TEST_F(Headless, WritesTheResultsOfTheSavedProblem) {
  ProblemRecord p;
  p.media = std::make_unique<PolarMedia>(2, 1, 120, 6, 8, DefaultMaterial());
  p.media->volume(2, 2).heatGeneration = 5e4;
  p.SetParameters(1e-6, 1e-7, 60, 1000, 50);
  const QString name = dir.filePath("sector.cvx");
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  const std::unique_ptr<SimManager> expected = RunToEnd(p, UniformStart(p));

  // Sixty steps of 50 s are still a transient: the results are written, and flagged.
  EXPECT_EQ(RunHeadless(Run(name), log), 5) << Log().toStdString();
  QFile csv(dir.filePath("out.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll(), SnapshotCsv(*p.media, expected->LastSnapshot()));
  const QImage picture(dir.filePath("out.png"));
  ASSERT_EQ(picture.size(), headlessPictureSize);
  // The temperature bands fill the middle of the picture.
  EXPECT_NE(picture.pixel(400, 300), qRgb(0, 0, 0));
  const QString text = Log();
  EXPECT_TRUE(text.contains("Step 60 of 60")) << text.toStdString();
  EXPECT_TRUE(text.contains("Not at steady state: the last step still changed the field by "));
  EXPECT_TRUE(text.contains("Equations solved: ")) << text.toStdString();
  EXPECT_TRUE(text.contains("Wrote " + dir.filePath("out.csv")));
}

TEST_F(Headless, FailuresEndWithAReasonAndAStatus) {
  // A file that cannot be read.
  QFile bad(dir.filePath("bad.cvx"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("xiso\n");
  bad.close();
  EXPECT_EQ(RunHeadless(Run(bad.fileName()), log), 1);
  EXPECT_TRUE(Log().contains("This is not a problem file")) << Log().toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("out.csv")));

  // A run whose first step cannot converge within its single sweep.
  ProblemRecord p;
  p.SetParameters(1e-6, 1e-15, 10, 1, 20);
  const QString name = dir.filePath("strict.cvx");
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  EXPECT_EQ(RunHeadless(Run(name), log), 3);
  EXPECT_TRUE(Log().contains("the run failed. Time step 1 was undone")) << Log().toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("out.csv")));

  // Results with nowhere to go.
  p.SetParameters(1e-6, 1e-6, 10, 1000, 20);
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  CommandLine c = Run(name);
  c.csv = dir.filePath("missing/out.csv");
  EXPECT_EQ(RunHeadless(c, log), 4);
  EXPECT_TRUE(Log().contains("Cannot save")) << Log().toStdString();

  // Results written but not to be trusted: a loop over a class's files sees status 5 and
  // the run window's verdict. Ten steps of the default problem are no steady state; an 80 x
  // 80 grid swept to a loose tolerance is no solution.
  const struct {
    int ni;
    double tolSpace;
    int steps;
    const char* says;
  } untrusted[] = {
      {10, 1e-6, 10, "Not at steady state: the last step still changed the field by "},
      {80, 1e-3, 1000, "Not converged: "},
  };
  for (const auto& u : untrusted) {
    ProblemRecord q;
    q.media = std::make_unique<CartesianMedia>(1, 1, u.ni, u.ni, DefaultMaterial());
    q.SetParameters(1e-5, u.tolSpace, u.steps, 10000, 20);
    ASSERT_TRUE(problemfile::Save(q, name, nullptr));
    QFile::remove(dir.filePath("out.csv"));
    EXPECT_EQ(RunHeadless(Run(name), log), 5) << u.says;
    EXPECT_TRUE(Log().contains(u.says)) << Log().toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("out.csv")));
  }
}

// A name is the bytes it is: one that is not valid UTF-8 is opened, and the results are
// written, under that very name, and under no other.
TEST_F(Headless, NamesThatAreNotUtf8AreKeptByteForByte) {
  ProblemRecord p;
  p.SetParameters(1e-6, 1e-6, 10, 1000, 20);
  const QByteArray folder = QFile::encodeName(dir.path());
  const QByteArray problem = folder + "/W\xe4rme.cvx";
  const QByteArray csv = folder + "/r\xe9sultats \xff.csv";
  ASSERT_TRUE(problemfile::Save(p, nativefile::DecodeName(problem), nullptr));
  QByteArray arguments[] = {"calorivectrix", "--run", problem, "--csv", csv};
  char* argv[5];
  for (int k = 0; k < 5; ++k)
    argv[k] = arguments[k].data();
  const CommandLine c = ParseCommandLine(5, argv);
  ASSERT_EQ(c.action, CommandLine::Action::run) << c.error.toStdString();
  // Written, though ten steps are far from a steady state.
  EXPECT_EQ(RunHeadless(c, log), 5) << Log().toStdString();
  const std::unique_ptr<SimManager> expected = RunToEnd(p, UniformStart(p));
  QFile written;
  ASSERT_TRUE(nativefile::OpenForReading(written, nativefile::DecodeName(csv), nullptr));
  EXPECT_EQ(written.readAll(), SnapshotCsv(*p.media, expected->LastSnapshot()));
  // Nothing under another name; and the two files go as they came, Qt cannot name them.
  DIR* listing = opendir(folder.constData());
  ASSERT_TRUE(listing);
  std::set<QByteArray> names;
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] != '.')
      names.insert(folder + "/" + entry->d_name);
  }
  closedir(listing);
  EXPECT_EQ(names, (std::set<QByteArray>{problem, csv}));
  for (const QByteArray& name : names)
    ::unlink(name.constData());
}

// A problem file that is a named pipe is refused at once rather than waited on; a run whose
// snapshots could never fit in memory (a 500 x 500 grid with a million animation times needs
// terabytes) does not start. Neither leaves an output behind.
TEST_F(Headless, ProblemsThatCannotRunAreRefusedBeforeTheyStart) {
  const QString pipe = dir.filePath("pipe.cvx");
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  EXPECT_EQ(RunHeadless(Run(pipe), log), 1);
  EXPECT_TRUE(Log().contains("It is not an ordinary file (a device, a pipe or a socket)."))
      << Log().toStdString();
  EXPECT_EQ(RunHeadless(Run(dir.path()), log), 1);
  EXPECT_TRUE(Log().contains("It is a folder, not a file.")) << Log().toStdString();

  ProblemRecord p;
  p.media = std::make_unique<CartesianMedia>(1, 1, 500, 500, DefaultMaterial());
  constexpr int times = 1000000;
  p.SetParameters(1e-6, 1e-6, times - 1, 1000, 20);
  auto marks = std::make_unique<NumVector<int>>(times);
  for (int k = 0; k < times; ++k)
    (*marks)[k] = k;
  ASSERT_TRUE(p.SetMarks(std::move(marks)));
  const QString name = dir.filePath("huge.cvx");
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  EXPECT_EQ(RunHeadless(Run(name), log), 3);
  EXPECT_TRUE(Log().contains("the run cannot start. The run would store up to 1000001 snapshots"))
      << Log().toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("out.csv")));
  EXPECT_FALSE(QFile::exists(dir.filePath("out.png")));
}

double SideInflow(const QByteArray& csv, const QByteArray& side);

// --steady solves for the steady field whatever mode the file holds, and so does a file that
// holds the steady mode; where no steady state exists the run fails with the reason.
TEST_F(Headless, SteadyRunsWriteTheSteadyField) {
  ProblemRecord p;
  p.media = std::make_unique<PolarMedia>(2, 1, 120, 6, 8, DefaultMaterial());
  p.media->volume(2, 2).heatGeneration = 5e4;
  const QString name = dir.filePath("sector.cvx");
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  ProblemRecord steady;
  steady.media = std::make_unique<PolarMedia>(2, 1, 120, 6, 8, DefaultMaterial());
  steady.media->volume(2, 2).heatGeneration = 5e4;
  steady.runMode = RunMode::Steady;
  const std::unique_ptr<SimManager> expected = RunToEnd(steady, UniformStart(steady));
  ASSERT_EQ(expected->Count(), 2);
  const QByteArray expectedCsv = SnapshotCsv(*steady.media, expected->LastSnapshot());

  CommandLine c = Run(name);
  c.steady = true;
  EXPECT_EQ(RunHeadless(c, log), 0) << Log().toStdString();
  QFile csv(dir.filePath("out.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QByteArray written = csv.readAll();
  csv.close();
  EXPECT_EQ(written, expectedCsv);
  // What the hole lets in and the generated heat leave through the outer arc.
  EXPECT_NEAR(
      SideInflow(written, "West") + SideInflow(written, "East") + 5e4 * AreaOf(*steady.media, 2, 2),
      0, 1e-9 * std::fabs(SideInflow(written, "East")));
  EXPECT_TRUE(Log().contains("Finished at the steady state, with 2 snapshots."))
      << Log().toStdString();

  ASSERT_TRUE(problemfile::Save(steady, name, nullptr));
  ASSERT_TRUE(QFile::remove(dir.filePath("out.csv")));
  EXPECT_EQ(RunHeadless(Run(name), log), 0) << Log().toStdString();
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll(), expectedCsv);
  csv.close();

  // Heat enters through every side and nothing holds the temperature.
  ProblemRecord flux;
  for (Face* side : {flux.westFace.get(), flux.eastFace.get()})
    side->Insert(Segment{0, 1, new FFlux(flux.functionList[1].get())});
  ASSERT_TRUE(problemfile::Save(flux, name, nullptr));
  ASSERT_TRUE(QFile::remove(dir.filePath("out.csv")));
  EXPECT_EQ(RunHeadless(c, log), 3);
  EXPECT_TRUE(Log().contains("the run failed. No steady state: no side")) << Log().toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("out.csv")));
}

// The total heat rate into the domain through one side, from a results file's second table.
double SideInflow(const QByteArray& csv, const QByteArray& side) {
  double sum = 0;
  int rows = 0;
  for (const QByteArray& line : csv.split('\n')) {
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() == 5 && fields[0] == side) {
      sum += fields[4].toDouble();
      ++rows;
    }
  }
  EXPECT_GT(rows, 0) << side.toStdString();
  return sum;
}

// A teacher runs the shipped tutorial files without a window and finds the numbers the help
// gives for them: the fin's base heat rate, the wall's heat rate and the hole's (as the
// profile window's Sum shows them), and the slab's insulated face at 200 s.
TEST_F(Headless, TutorialFilesGiveTheNumbersOfTheHelp) {
  const struct {
    const char* example;
    double westInflow;  // W/m, as the help writes it
    double digit;       // the last digit the help gives
  } tutorials[] = {
      {"FinTutorialExample", 759.943, 1e-3},
      {"ResistanceTutorialExample", 9.39131, 1e-5},
      {"ShapeFactorTutorialExample", -594.670, 1e-3},
  };
  const auto resourceOf = [](const char* name) {
    for (const Example& e : Examples()) {
      if (std::string(e.name) == name)
        return QString(e.resource);
    }
    return QString();
  };
  for (const auto& t : tutorials) {
    SCOPED_TRACE(t.example);
    const QString name = dir.filePath("tutorial.cvx");
    QFile::remove(name);
    ASSERT_TRUE(QFile::copy(resourceOf(t.example), name));
    ASSERT_EQ(RunHeadless(Run(name), log), 0) << Log().toStdString();
    QFile csv(dir.filePath("out.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_NEAR(SideInflow(csv.readAll(), "West"), t.westInflow, t.digit / 2);
  }

  problemfile::ReadResult slab = problemfile::Open(resourceOf("SlabTutorialExample"));
  ASSERT_TRUE(slab.problem) << slab.message.toStdString();
  const std::unique_ptr<SimManager> m = RunToEnd(*slab.problem, UniformStart(*slab.problem));
  ASSERT_GT(m->Count(), 2);
  ASSERT_EQ(m->Snapshot(2).Time(), 200);
  EXPECT_NEAR(m->Snapshot(2).T[0][0], 0.468913, 0.5e-6);
}

// The study without a window writes the very table the core's study of the file's problem
// makes, and prints each quantity's verdict; grids it cannot refine, more levels than fit
// and a probe off the grid end with status 2 and the reason.
TEST_F(Headless, RefinementStudyWritesItsTableOrSaysWhyNot) {
  ProblemRecord p;
  p.media = std::make_unique<CartesianMedia>(1.0, 0.7, 6, 4, VolumeProperties{45, 7800, 460, 0});
  p.eastFace->Insert(Segment{0, 1, new FTemperature(p.functionList[0].get())});
  p.northFace->Insert(Segment{0, 1, new FTemperature(p.functionList[2].get())});
  p.SetParameters(1e-12, 1e-12, 50, 100, 1e9);
  const QString name = dir.filePath("plate.cvx");
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  CommandLine c = Run(name);
  c.png.clear();
  c.refineLevels = 3;
  c.probeI = 2;
  c.probeJ = 3;
  ASSERT_EQ(RunHeadless(c, log), 0) << Log().toStdString();
  study::Progress progress;
  const study::Result expected = study::Run(p, study::Settings{3, VolumeIndex{1, 2}}, progress);
  QFile csv(dir.filePath("out.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_EQ(csv.readAll(), StudyCsv(expected));
  const QString text = Log();
  EXPECT_TRUE(text.contains("Level 3 of 3: 24 x 16 volumes")) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromStdString(expected.verdicts[study::HeatNorth])));
  EXPECT_TRUE(text.contains("Probe: volume 2,3")) << text.toStdString();

  c.refineLevels = 9;
  EXPECT_EQ(RunHeadless(c, log), 2);
  EXPECT_TRUE(Log().contains("this grid allows 7 levels")) << Log().toStdString();
  c.refineLevels = 3;
  c.probeI = 7;
  EXPECT_EQ(RunHeadless(c, log), 2);
  EXPECT_TRUE(Log().contains("the probe volume 7,3 lies outside the grid of 6 x 4"));

  auto nodes = std::make_unique<Media>(3, 3, DefaultMaterial());
  for (int i = 0; i <= 3; ++i) {
    for (int j = 0; j <= 3; ++j)
      nodes->node(i, j) = Point{i + 0.25 * j, 1.0 * j};
  }
  p.media = std::move(nodes);
  ASSERT_TRUE(problemfile::Save(p, name, nullptr));
  c.probeI = 0;
  EXPECT_EQ(RunHeadless(c, log), 2);
  EXPECT_TRUE(Log().contains("cannot be made finer")) << Log().toStdString();
}

}  // namespace
