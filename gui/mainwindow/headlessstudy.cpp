// The refinement study from the command line: the same study the window runs, on this
// thread, with a line of progress per level and the verdicts printed at the end.

#include <unistd.h>
#include <QString>
#include <cmath>
#include <thread>

#include "gui/document/savefile.h"
#include "gui/document/studycsv.h"
#include "gui/mainwindow/commandline.h"
#include "sim/refinement.h"
#include "sim/streammedia.h"

namespace {

// The study runs on a thread of its own so that this one can report its progress; a log
// gets a line per level and per tenth of the whole.
study::Result RunWithProgress(ProblemRecord& problem, const study::Settings& settings,
                              std::FILE* out) {
  study::Progress progress;
  study::Result result;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = study::Run(problem, settings, progress);
    done.store(true);
  });
  const bool terminal = isatty(fileno(out)) != 0;
  int shownLevel = -1;
  int shownTenth = -1;
  auto levelLine = [&](int level) {
    std::fprintf(out, "Level %d of %d: %d x %d volumes", level + 1, settings.levels,
                 problem.media->ni << level, problem.media->nj << level);
  };
  for (;;) {
    const bool finished = done.load();
    const int level = progress.level.load();
    const double share = finished ? 1.0 : progress.done.load();
    // Every level gets its line, however quickly the small ones go by.
    while (shownLevel < level) {
      if (terminal && shownLevel >= 0)
        std::fprintf(out, "\n");
      ++shownLevel;
      levelLine(shownLevel);
      std::fprintf(out, terminal ? "" : "\n");
    }
    if (terminal) {
      std::fprintf(out, "\r");
      levelLine(level);
      std::fprintf(out, " (study %d%%)", static_cast<int>(100 * share));
    } else if (static_cast<int>(10 * share) != shownTenth) {
      shownTenth = static_cast<int>(10 * share);
      std::fprintf(out, "Study %d%% done\n", 10 * shownTenth);
    }
    std::fflush(out);
    if (finished)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  worker.join();
  if (terminal)
    std::fprintf(out, "\n");
  return result;
}

}  // namespace

int RunStudyHeadless(const CommandLine& command, ProblemRecord& p, std::FILE* out) {
  const Media& grid = *p.media;
  if (!Refinable(grid)) {
    std::fprintf(out,
                 "calorivectrix: the refinement study needs a grid the program generates "
                 "(rectangle, annular sector or rectangle with a hole); this problem's grid "
                 "lists its nodes and cannot be made finer.\n");
    return 2;
  }
  const int most = MaxStudyLevels(grid);
  if (command.refineLevels > most) {
    std::fprintf(out,
                 "calorivectrix: %d levels would need a grid of %d x %d volumes; a problem may "
                 "have at most %d volumes (%d in a row), so this grid allows %d levels%s.\n",
                 command.refineLevels, grid.ni << (command.refineLevels - 1),
                 grid.nj << (command.refineLevels - 1), maxGridFileVolumes,
                 maxGridFileVolumesPerDirection, most, most < 3 ? ", too few for a study" : "");
    return 2;
  }
  study::Settings settings;
  settings.levels = command.refineLevels;
  if (command.probeI != 0) {
    if (command.probeI > grid.ni || command.probeJ > grid.nj) {
      std::fprintf(out, "calorivectrix: the probe volume %d,%d lies outside the grid of %d x %d.\n",
                   command.probeI, command.probeJ, grid.ni, grid.nj);
      return 2;
    }
    settings.probe = VolumeIndex{command.probeI - 1, command.probeJ - 1};
  }

  const study::Result result = RunWithProgress(p, settings, out);
  if (result.status != study::Result::Status::Done) {
    std::fprintf(out, "calorivectrix: the study failed. %s\n", result.message.c_str());
    return 3;
  }

  std::fprintf(out,
               "\nProbe: volume %d,%d, at x = %.6g m, y = %.6g m. Scheme's order on this "
               "grid: %d.\n",
               result.probe.i + 1, result.probe.j + 1, result.probePoint.x, result.probePoint.y,
               result.schemeOrder);
  if (!result.referenceTitle.empty())
    std::fprintf(out, "Reference: %s.\n", result.referenceTitle.c_str());
  for (int32_t q = 0; q < study::quantityCount; ++q) {
    const std::string unit = study::QuantityUnit(q);
    std::fprintf(out, "\n%s%s:", study::QuantityName(q),
                 unit.empty() ? "" : (" (" + unit + ")").c_str());
    for (const study::Level& level : result.levels)
      std::fprintf(out, " %.10g", level.values[q]);
    if (std::isfinite(result.exact[q]))
      std::fprintf(out, "; exact %.10g", result.exact[q]);
    std::fprintf(out, "\n  %s\n", result.verdicts[q].c_str());
  }

  QString message;
  if (!WriteAtomically(command.csv, StudyCsv(result), &message)) {
    std::fprintf(out, "calorivectrix: %s\n", qPrintable(message));
    return 4;
  }
  std::fprintf(out, "\nWrote %s\n", qPrintable(command.csv));
  return 0;
}
