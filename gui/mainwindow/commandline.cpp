#include "gui/mainwindow/commandline.h"

#include <unistd.h>
#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <cmath>
#include <memory>

#include "gui/document/problemfile.h"
#include "gui/document/resultcsv.h"
#include "gui/document/savefile.h"
#include "gui/platform/runverdict.h"
#include "gui/plot/fieldpicture.h"
#include "gui/plot/fieldplot.h"
#include "sim/geometry.h"
#include "sim/manager.h"

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
    if (a == "--help" || a == "-h")
      return CommandLine{CommandLine::Action::help, {}, {}, {}, {}};
    QString* value = a == "--run"   ? &command.problem
                     : a == "--csv" ? &command.csv
                     : a == "--png" ? &command.png
                                    : nullptr;
    if (value) {
      if (k + 1 >= arguments.size() || arguments[k + 1].isEmpty())
        return fail(a + " needs a file name.");
      if (!value->isEmpty())
        return fail(a + " is given twice.");
      *value = arguments[++k];
      run = run || a == "--run";
      continue;
    }
    if (a.startsWith("-"))
      return fail("unknown option " + a + ".");
    if (!command.problem.isEmpty())
      return fail("only one problem can be opened at a time.");
    command.problem = a;
  }
  if (run) {
    if (command.csv.isEmpty() && command.png.isEmpty())
      return fail("--run needs --csv or --png (or both) to say where the results go.");
    command.action = CommandLine::Action::run;
  } else if (!command.csv.isEmpty() || !command.png.isEmpty()) {
    return fail("--csv and --png go with --run.");
  }
  return command;
}

CommandLine ParseCommandLine(int argc, char** argv) {
  QStringList arguments;
  for (int k = 1; k < argc; ++k)
    arguments << QString::fromLocal8Bit(argv[k]);
  return ParseCommandLine(arguments);
}

QString UsageText() {
  return "Usage:\n"
         "  calorivectrix                    start with the default problem\n"
         "  calorivectrix PROBLEM.cvx        start with this problem\n"
         "  calorivectrix --run PROBLEM.cvx [--csv RESULTS.csv] [--png PICTURE.png]\n"
         "                                   run the problem to its end without a window and\n"
         "                                   write the last snapshot: a table of every volume\n"
         "                                   and boundary face, and/or the temperature field\n"
         "                                   as a picture\n"
         "  calorivectrix --help             show this text\n"
         "\n"
         "Exit status: 0 done, 1 the problem file cannot be read, 2 wrong arguments,\n"
         "3 the run failed, 4 the results cannot be written, 5 the results were written\n"
         "but are not converged or not at steady state (the messages say which).\n";
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
  NumMatrix<double> start(p.media->ni, p.media->nj);
  start.SetAll(p.initialTemp);

  Progress progress{out, isatty(fileno(out)) != 0, p.maxIterTime, {}, -1};
  progress.sinceLine.start();
  SimManager results(p.media.get(), p.northFace.get(), p.southFace.get(), p.eastFace.get(),
                     p.westFace.get(), p.tolTime, p.tolSpace, p.maxIterTime, p.maxIterSpace, p.dt,
                     start, OnProgress, &progress, p._marks.get(), p.solver);
  const bool complete = results.Run();
  const Simulator& sim = *results.Sim();
  PrintLine(progress, sim);
  if (progress.terminal)
    std::fprintf(out, "\n");
  if (!complete) {
    std::fprintf(out, "calorivectrix: the run failed. %s\n",
                 qPrintable(FailureText(sim.Failure(), sim.Iteration() + 1, p.maxIterSpace)));
    return 3;
  }
  const SolverKind solver = sim.Solver();
  results.TakeSnapshot();
  results.ReleaseSimulator();
  const SimSnapshot& last = results.LastSnapshot();
  if (!Finite(last.T) || !Finite(last.qx) || !Finite(last.qy)) {
    std::fprintf(out,
                 "calorivectrix: the run gave temperatures that are not finite numbers; check "
                 "the problem's materials and boundary values.\n");
    return 3;
  }
  std::fprintf(out, "Finished at step %d, time %.6g s, with %d snapshots.\n", last.Iteration(),
               last.Time(), results.Count());
  // The verdicts the run window would give: a loop over a class's files must be able to
  // tell a finished run from a right one.
  const QString steady = SteadyStateVerdict(results, last);
  std::fprintf(out, "%s\n%s\n", qPrintable(steady),
               qPrintable(ConvergenceVerdict(last.ledger, solver)));
  const bool trusted =
      last.ledger.Converged() && SteadyStateOf(results, last) == SteadyState::Reached;

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
  for (const QString& written : {command.csv, command.png}) {
    if (!written.isEmpty())
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
