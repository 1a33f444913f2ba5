#ifndef CALORIVECTRIX_GUI_MAINWINDOW_COMMANDLINE_H
#define CALORIVECTRIX_GUI_MAINWINDOW_COMMANDLINE_H

// The program's command line:
//
//   calorivectrix                                        the window with the default problem
//   calorivectrix problem.cvx                            the window with that problem
//   calorivectrix --run problem.cvx --csv out.csv [--png out.png] [--steady]
//                 [--history h.csv]                     runs it without a window (with
//                                                        --steady: its steady state)
//   calorivectrix --run problem.cvx --refine LEVELS --csv study.csv [--probe I,J]
//                                                        a refinement study without a window
//   calorivectrix --help
//
// A run without a window needs no display: it draws its picture off screen.

#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdio>

class ProblemRecord;

struct CommandLine {
  enum class Action { window, run, help, error };
  Action action = Action::window;
  QString problem;  // the problem to open or run; empty for the default problem
  QString csv;
  QString png;
  QString history;  // the watched volumes' time history as CSV
  // Solve for the steady state whatever run mode the file holds.
  bool steady = false;
  QString error;  // what is wrong with the arguments, for Action::error
  // A refinement study of so many levels instead of a plain run; 0 for none. The probe
  // volume (counted from 1) the study reads temperatures at; 0 for the grid's middle.
  int refineLevels = 0;
  int probeI = 0;
  int probeJ = 0;
};

// The arguments after the program's name.
CommandLine ParseCommandLine(const QStringList& arguments);
// The same from main's own arguments, before any application object exists.
CommandLine ParseCommandLine(int argc, char** argv);

QString UsageText();

// The size of the picture a run without a window draws.
constexpr QSize headlessPictureSize{800, 600};

// Opens the problem, runs it to its end with a progress line on `progress`, and writes the
// last snapshot as CSV and/or PNG, then the verdicts of the run window on it (steady state,
// convergence). Returns the process's exit status: 0 on success, 1 for a problem file that
// cannot be read, 3 for a failed run, 4 for results that cannot be written, 5 for results
// written that are not converged or not at steady state (2 is for arguments that make no
// sense, and for --history on a problem that watches no volume). Messages go to `progress`
// too. Needs a QGuiApplication for the picture.
int RunHeadless(const CommandLine& command, std::FILE* progress);

// The refinement study without a window, of the problem RunHeadless has opened: the problem
// on its own grid and on finer ones, the table written as CSV to `command.csv` and the
// verdicts printed on `progress`. The exit status as for RunHeadless; 2 also for a grid the
// study cannot refine, or more levels or a probe than it has room for.
int RunStudyHeadless(const CommandLine& command, ProblemRecord& problem, std::FILE* progress);

// Everything but the window: the help text, a complaint about the arguments, or a run
// without a window (on the off-screen platform, so no display is needed). Returns the
// process's exit status.
int RunWithoutWindow(const CommandLine& command, int& argc, char** argv);

#endif
