#include "gui/mainwindow/commandline.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <cmath>
#include <memory>
#include <new>
#include <utility>

#include "gui/dialogs/runmemory.h"
#include "gui/document/historycsv.h"
#include "gui/document/nativefile.h"
#include "gui/document/problemfile.h"
#include "gui/document/resultcsv.h"
#include "gui/document/savefile.h"
#include "gui/platform/machine.h"
#include "gui/platform/runverdict.h"
#include "gui/plot/fieldpicture.h"
#include "gui/plot/fieldplot.h"
#include "sim/geometry.h"
#include "sim/manager.h"

namespace {

// Whether two names lead to one file: the same output the program holds open, the same
// path, or (for files that exist) the same file by another path or link.
bool SameFile(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty())
    return false;
  const int output = OpenOutputOf(a);
  if (output >= 0 || OpenOutputOf(b) >= 0)
    return output == OpenOutputOf(b);
  if (QDir::cleanPath(QDir::current().absoluteFilePath(a)) ==
      QDir::cleanPath(QDir::current().absoluteFilePath(b))) {
    return true;
  }
  struct stat first {};
  struct stat second {};
  return ::stat(nativefile::EncodeName(a).constData(), &first) == 0 &&
         ::stat(nativefile::EncodeName(b).constData(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine command;
  auto fail = [&command](const QString& error) {
    command.action = CommandLine::Action::error;
    command.error = error;
    return command;
  };
  bool run = false;
  for (int k = 0; k < arguments.size(); ++k) {
    const QString& a = arguments[k];
    if (a == "--help" || a == "-h") {
      CommandLine help;
      help.action = CommandLine::Action::help;
      return help;
    }
    if (a == "--refine" || a == "--probe") {
      if (k + 1 >= arguments.size() || arguments[k + 1].isEmpty())
        return fail(a + (a == "--refine" ? " needs a number of levels." : " needs a volume I,J."));
      if ((a == "--refine" && command.refineLevels != 0) || (a == "--probe" && command.probeI != 0))
        return fail(a + " is given twice.");
      const QString value = arguments[++k];
      if (a == "--refine") {
        bool ok = false;
        command.refineLevels = value.toInt(&ok);
        if (!ok || command.refineLevels < 3 || command.refineLevels > 12)
          return fail("--refine needs a number of levels from 3 to 12, found \"" + value + "\".");
      } else {
        const QStringList parts = value.split(',');
        bool okI = false, okJ = false;
        if (parts.size() == 2) {
          command.probeI = parts[0].trimmed().toInt(&okI);
          command.probeJ = parts[1].trimmed().toInt(&okJ);
        }
        if (!okI || !okJ || command.probeI < 1 || command.probeJ < 1)
          return fail("--probe needs a volume as I,J counted from 1, found \"" + value + "\".");
      }
      continue;
    }
    QString* value = a == "--run"       ? &command.problem
                     : a == "--csv"     ? &command.csv
                     : a == "--png"     ? &command.png
                     : a == "--history" ? &command.history
                                        : nullptr;
    if (value) {
      if (k + 1 >= arguments.size() || arguments[k + 1].isEmpty())
        return fail(a + " needs a file name.");
      if (!value->isEmpty())
        return fail(a + " is given twice.");
      // "--csv --png out.png" is a slip, not a file called "--png"; "-" alone is the
      // program's output.
      const QString& next = arguments[k + 1];
      if (next.startsWith("-") && !(next == "-" && value != &command.problem)) {
        return fail(a + " needs a file name, found the option " + next + " (for a file of that " +
                    "name, write ./" + next + ").");
      }
      *value = arguments[++k];
      run = run || a == "--run";
      continue;
    }
    if (a == "--steady") {
      command.steady = true;
      continue;
    }
    if (a.startsWith("-"))
      return fail("unknown option " + a + ".");
    if (!command.problem.isEmpty())
      return fail("only one problem can be opened at a time.");
    command.problem = a;
  }
  if (command.probeI != 0 && command.refineLevels == 0)
    return fail("--probe goes with --refine.");
  if (command.refineLevels != 0) {
    if (!run)
      return fail("--refine goes with --run.");
    if (command.csv.isEmpty())
      return fail("--refine needs --csv to say where the study's table goes.");
    if (!command.png.isEmpty())
      return fail("--png goes with a plain run, not with --refine.");
    if (!command.history.isEmpty())
      return fail("--history goes with a plain run, not with --refine.");
  }
  if (run) {
    if (command.csv.isEmpty() && command.png.isEmpty() && command.history.isEmpty())
      return fail("--run needs --csv, --png or --history to say where the results go.");
    // One output written over another, or over the problem, would lose it.
    const std::pair<const char*, QString> outputs[] = {
        {"--csv", command.csv}, {"--png", command.png}, {"--history", command.history}};
    for (std::size_t a = 0; a < 3; ++a) {
      for (std::size_t b = a + 1; b < 3; ++b) {
        if (!outputs[a].second.isEmpty() && SameFile(outputs[a].second, outputs[b].second)) {
          return fail(QString("%1 and %2 name the same file; each needs a file of its own.")
                          .arg(outputs[a].first, outputs[b].first));
        }
      }
    }
    for (const auto& [option, name] : outputs) {
      if (!name.isEmpty() && SameFile(name, command.problem))
        return fail(QString(option) + " names the problem file itself; it would be replaced.");
    }
    command.action = CommandLine::Action::run;
  } else if (!command.csv.isEmpty() || !command.png.isEmpty() || !command.history.isEmpty()) {
    return fail("--csv, --png and --history go with --run.");
  } else if (command.steady) {
    return fail("--steady goes with --run.");
  }
  return command;
}

CommandLine ParseCommandLine(int argc, char** argv) {
  QStringList arguments;
  // As file names, so that a name that is not valid UTF-8 still names its file.
  for (int k = 1; k < argc; ++k)
    arguments << nativefile::DecodeName(QByteArray(argv[k]));
  return ParseCommandLine(arguments);
}

QString UsageText() {
  return "Usage:\n"
         "  calorivectrix                    start with the default problem\n"
         "  calorivectrix PROBLEM.cvx        start with this problem\n"
         "  calorivectrix --run PROBLEM.cvx [--csv RESULTS.csv] [--png PICTURE.png]\n"
         "                      [--steady] [--history HISTORY.csv]\n"
         "                                   run the problem to its end without a window and\n"
         "                                   write the last snapshot: a table of every volume\n"
         "                                   and boundary face, and/or the temperature field\n"
         "                                   as a picture; with --steady, solve for the steady\n"
         "                                   state at once, whatever the file's run mode; with\n"
         "                                   --history, write the temperatures of the problem's\n"
         "                                   watched volumes after every time step\n"
         "  calorivectrix --run PROBLEM.cvx --refine LEVELS --csv STUDY.csv [--probe I,J]\n"
         "                                   a refinement study: the problem on its own grid\n"
         "                                   and on grids 2, 4, ... times finer (LEVELS grids\n"
         "                                   in all, 3 or more), the observed order of\n"
         "                                   convergence and the extrapolated values, written\n"
         "                                   as a table; temperatures are read at the centre\n"
         "                                   of volume I,J (the middle one if not given)\n"
         "  calorivectrix --help             show this text\n"
         "\n"
         "A file name of - writes to the standard output.\n"
         "\n"
         "Exit status: 0 done, 1 the problem file cannot be read, 2 wrong arguments,\n"
         "3 the run failed or cannot start, 4 the results cannot be written, 5 the results\n"
         "were written but are not converged or not at steady state (the messages say which).\n";
}

namespace {

struct Progress {
  std::FILE* out;
  bool terminal;
  int32_t steps;
  QElapsedTimer sinceLine;
  int lastPercent = -1;
};

void PrintLine(Progress& p, const Simulator& sim) {
  const int percent = static_cast<int>(100.0 * sim.Iteration() / p.steps);
  std::fprintf(p.out, "%sStep %d of %d, time %.6g s (%d%%)%s", p.terminal ? "\r" : "",
               sim.Iteration(), p.steps, sim.Time(), percent, p.terminal ? "" : "\n");
  std::fflush(p.out);
  p.lastPercent = percent;
  p.sinceLine.restart();
}

// A terminal gets one line rewritten a few times a second; a log gets a line per tenth of
// the run, so that it stays readable.
bool OnProgress(Simulator* sim, int32_t code, double, void* data) {
  auto& p = *static_cast<Progress*>(data);
  if (code != -1)
    return true;
  const int percent = static_cast<int>(100.0 * sim->Iteration() / p.steps);
  const bool due = p.terminal ? p.sinceLine.elapsed() >= 200 : percent / 10 != p.lastPercent / 10;
  if (due)
    PrintLine(p, *sim);
  return true;
}

bool Finite(const NumMatrix<double>& m) {
  for (int32_t i = 0; i < m.N(); ++i) {
    for (int32_t j = 0; j < m.M(); ++j) {
      if (!std::isfinite(m[i][j]))
        return false;
    }
  }
  return true;
}

QImage Picture(const ProblemRecord& problem, const SimManager& results) {
  FieldPlotState state;
  state.media = problem.media.get();
  state.manager = &results;
  state.curSnapshot = results.Count() - 1;
  state.viewMode = ViewMode::Temperature;
  ComputeBounds(*problem.media, state.boundsMin, state.boundsMax, state.cellSize);
  // The plot and, beside it, the colour scale with the time, within the picture's size.
  const QSize plotSize(headlessPictureSize.width() - kPictureScaleWidth,
                       headlessPictureSize.height());
  state.viewport =
      FittedViewport(state.boundsMin, state.boundsMax, plotSize.width(), plotSize.height());
  state.fluxScale = AutoFluxScale(results);
  state.watched = problem.watched;
  // The window's font, so the picture reads like the window.
  QFont font("Arial");
  font.setBold(true);
  font.setPixelSize(15);
  return RenderFieldPicture(state, plotSize, font, true);
}

}  // namespace

int RunHeadless(const CommandLine& command, std::FILE* out) {
  problemfile::ReadResult read = problemfile::Open(command.problem);
  if (!read.problem) {
    std::fprintf(out, "calorivectrix: cannot open the problem \"%s\": %s\n",
                 qPrintable(command.problem), qPrintable(read.message));
    return 1;
  }
  ProblemRecord& p = *read.problem;
  if (command.steady)
    p.runMode = RunMode::Steady;
  if (command.refineLevels > 0)
    return RunStudyHeadless(command, p, out);
  if (!command.history.isEmpty() && p.watched.empty()) {
    std::fprintf(out,
                 "calorivectrix: --history: the problem \"%s\" watches no volume. Watch volumes "
                 "in the program (Ctrl+click in the drawing area) and save the problem.\n",
                 qPrintable(command.problem));
    return 2;
  }
  // Nobody is there to be asked: a run whose snapshots might not fit does not start.
  const RunMemory memory = CheckRunMemory(p, MachineMemoryBytes());
  if (memory.verdict != RunMemory::Verdict::fits) {
    std::fprintf(out, "calorivectrix: the run cannot start. %s\n",
                 qPrintable(RunMemoryText(memory, true)));
    return 3;
  }

  const RunMode mode = p.runMode;
  Progress progress{out, isatty(fileno(out)) != 0, p.maxIterTime, {}, -1};
  progress.sinceLine.start();
  if (mode == RunMode::Steady)
    std::fprintf(out, "Solving for the steady state.\n");
  std::unique_ptr<SimManager> made;
  try {
    NumMatrix<double> start(p.media->ni, p.media->nj);
    start.SetAll(p.initialTemp);
    made = std::make_unique<SimManager>(
        p.media.get(), p.northFace.get(), p.southFace.get(), p.eastFace.get(), p.westFace.get(),
        p.tolTime, p.tolSpace, p.maxIterTime, p.maxIterSpace, p.dt, start,
        mode == RunMode::Steady ? nullptr : OnProgress, &progress, p._marks.get(), p.solver, mode);
    made->Watch(p.watched);
  } catch (const std::bad_alloc&) {
    std::fprintf(out, "calorivectrix: there is not enough memory to start this run.\n");
    return 3;
  }
  SimManager& results = *made;
  const bool complete = results.Run();
  const Simulator& sim = *results.Sim();
  if (mode == RunMode::Transient) {
    PrintLine(progress, sim);
    if (progress.terminal)
      std::fprintf(out, "\n");
  }
  if (!complete) {
    std::fprintf(out, "calorivectrix: the run failed. %s\n",
                 qPrintable(FailureText(results.Failure(), sim.Iteration() + 1, p.maxIterSpace)));
    return 3;
  }
  const SolverKind solver = sim.Solver();
  if (!results.TakeSnapshot() && results.Failure() == StepFailure::OutOfMemory) {
    std::fprintf(out, "calorivectrix: the run failed. %s\n",
                 qPrintable(FailureText(StepFailure::OutOfMemory, 0, 0)));
    return 3;
  }
  results.ReleaseSimulator();
  const SimSnapshot& last = results.LastSnapshot();
  // Every accepted step is checked for this; a last guard before numbers go out.
  const bool finiteT = Finite(last.T);
  if (!finiteT || !Finite(last.qx) || !Finite(last.qy) || !Finite(last.heatSN) ||
      !Finite(last.heatWE)) {
    std::fprintf(out,
                 "calorivectrix: the run gave %s that are not finite numbers; check the "
                 "problem's materials and boundary values.\n",
                 finiteT ? "heat rates" : "temperatures");
    return 3;
  }
  if (mode == RunMode::Steady) {
    std::fprintf(out, "Finished at the steady state, with %d snapshots.\n", results.Count());
  } else {
    std::fprintf(out, "Finished at step %d, time %.6g s, with %d snapshots.\n", last.Iteration(),
                 last.Time(), results.Count());
  }
  // The verdicts the run window would give: a loop over a class's files must be able to
  // tell a finished run from a right one.
  const QString steady = SteadyStateVerdict(results, last);
  std::fprintf(out, "%s\n%s\n", qPrintable(steady),
               qPrintable(ConvergenceVerdict(last.ledger, solver)));
  const SteadyState state = SteadyStateOf(results, last);
  const bool trusted =
      last.ledger.Converged() && (state == SteadyState::Reached || state == SteadyState::Solved);

  QString message;
  if (!command.csv.isEmpty() &&
      !WriteAtomically(command.csv, SnapshotCsv(*p.media, last), &message)) {
    std::fprintf(out, "calorivectrix: %s\n", qPrintable(message));
    return 4;
  }
  if (!command.png.isEmpty() && !SavePng(Picture(p, results), command.png, &message)) {
    std::fprintf(out, "calorivectrix: %s\n", qPrintable(message));
    return 4;
  }
  if (!command.history.isEmpty() &&
      !WriteAtomically(command.history, HistoryCsv(HistorySeries(&results, p.watched)), &message)) {
    std::fprintf(out, "calorivectrix: %s\n", qPrintable(message));
    return 4;
  }
  for (const QString& written : {command.csv, command.png, command.history}) {
    if (!written.isEmpty() && OpenOutputOf(written) < 0)
      std::fprintf(out, "Wrote %s\n", qPrintable(written));
  }
  return trusted ? 0 : 5;
}

int RunWithoutWindow(const CommandLine& command, int& argc, char** argv) {
  if (command.action == CommandLine::Action::help) {
    std::fputs(qPrintable(UsageText()), stdout);
    return 0;
  }
  if (command.action != CommandLine::Action::run) {
    std::fprintf(stderr, "calorivectrix: %s\n\n%s", qPrintable(command.error),
                 qPrintable(UsageText()));
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return RunHeadless(command, stderr);
}
