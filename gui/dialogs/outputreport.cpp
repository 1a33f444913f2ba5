#include "gui/dialogs/outputreport.h"

#include <cmath>
#include <cstring>
#include <iomanip>
#include <locale>
#include <sstream>

#include "gui/platform/runverdict.h"

namespace {

const char* const kTitle = "Calorivectrix 1.1 simulation output";

// Labels of the header lines are 26 characters, of the statistics lines 22, so the numbers
// after them line up.
std::string Label(const char* text, std::size_t width) {
  std::string label(text);
  label.resize(width, ' ');
  return label;
}

std::string MinMaxLine(const char* label, double min, double max) {
  return Label(label, 22) + ReportReal(min) + ReportReal(max);
}

// A label, then the four sides' names right-aligned over the columns of numbers below.
std::string SidesHeading(const char* label) {
  std::string head = Label(label, 26);
  for (const char* side : {"North", "South", "East", "West"})
    head += std::string(16 - std::strlen(side), ' ') + side;
  return head;
}

// The row number before a table row: right-aligned in 3 characters, then a colon.
std::string RowStart(int32_t row) {
  return ReportInteger(row, 3) + ":";
}

}  // namespace

std::string ReportReal(double value, int width) {
  // The report is read back by other programs and people everywhere: it always uses the
  // classic notation, whatever the user's locale.
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << std::setprecision(8);
  if (width > 0)
    out << std::setw(width);
  out << (value == 0.0 ? 0.0 : value);
  return out.str();
}

std::string ReportInteger(long long value, int width) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << std::setw(width) << value;
  return out.str();
}

std::string JoinReport(const ReportLines& lines) {
  std::string text;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (k > 0)
      text += '\n';
    text += lines[k];
  }
  return text;
}

void AppendReportHeader(ReportLines& lines) {
  lines.emplace_back(kTitle);
  lines.emplace_back(std::string(lines.back().size(), '='));
  lines.emplace_back();
}

void AppendSnapshotSection(ReportLines& lines, const ReportSource& source) {
  const SimSnapshot& s = source.shown;
  lines.emplace_back("*** Snapshot:");
  lines.emplace_back();
  // A steady field is the limit of infinite time; the words take the number's place.
  const auto time = [](double t) {
    const std::string steady = "    steady state";
    return std::isfinite(t) ? ReportReal(t) : steady;
  };
  lines.push_back(Label("Current time:", 26) + time(s.Time()));
  lines.push_back(Label("Last simulated time:", 26) + time(source.results.LastSnapshot().Time()));
  lines.push_back(Label("Time steps performed:", 26) + ReportInteger(s.Iteration(), 16));
  lines.push_back(Label("Time interval (sec.):", 26) + ReportReal(source.results.TimeStep()));
  lines.push_back(Label("Number of volumes (WE/NS):", 26) + ReportInteger(s.T.N(), 16) +
                  ReportInteger(s.T.M(), 16));
  lines.emplace_back();
}

void AppendStatisticsSection(ReportLines& lines, const ReportSource& source) {
  const SimManager& run = source.results;
  const SimSnapshot& s = source.shown;
  lines.emplace_back("*** Statistics:");
  lines.emplace_back();
  lines.emplace_back("Temperature:");
  lines.push_back(MinMaxLine("    Global (min/max):", run.minT, run.maxT));
  lines.push_back(MinMaxLine("    Local (min/max):", s.minT, s.maxT));
  lines.emplace_back();
  // Reversing the flow swaps the extremes: the largest stored rate is the smallest shown.
  // The West-East face rates are listed under "Flux SN" and the South-North ones under
  // "Flux WE", as the tables below are.
  lines.emplace_back("Flux SN:");
  lines.push_back(MinMaxLine("    Global (min/max):", ReportedHeat(run.maxHeatWE),
                             ReportedHeat(run.minHeatWE)));
  lines.push_back(
      MinMaxLine("    Local (min/max):", ReportedHeat(s.maxHeatWE), ReportedHeat(s.minHeatWE)));
  lines.emplace_back();
  lines.emplace_back("Flux WE:");
  lines.push_back(MinMaxLine("    Global (min/max):", ReportedHeat(run.maxHeatSN),
                             ReportedHeat(run.minHeatSN)));
  lines.push_back(
      MinMaxLine("    Local (min/max):", ReportedHeat(s.maxHeatSN), ReportedHeat(s.minHeatSN)));
  lines.emplace_back();
}

void AppendValuesSection(ReportLines& lines, const ReportSource& source) {
  const SimSnapshot& s = source.shown;
  const int32_t ni = s.T.N();
  const int32_t nj = s.T.M();
  lines.emplace_back("*** Simulation values:");
  lines.emplace_back();

  lines.emplace_back("Temperature:");
  for (int32_t j = nj - 1; j >= 0; --j) {
    std::string row = RowStart(j + 1);
    for (int32_t i = 0; i < ni; ++i)
      row += ' ' + ReportReal(s.T[i][j]);
    lines.push_back(std::move(row));
  }
  lines.emplace_back();

  // West-East faces: ni + 1 per row, the boundary faces included; the sum of a column is
  // the net rate through that line of faces.
  lines.emplace_back("Flux SN (flux from West to East):");
  const NumMatrix<double>& we = s.heatWE;
  for (int32_t j = we.M() - 1; j >= 0; --j) {
    std::string row = RowStart(j + 1);
    for (int32_t i = 0; i < we.N(); ++i)
      row += ' ' + ReportReal(ReportedHeat(we[i][j]));
    lines.push_back(std::move(row));
  }
  std::string sums = "Sum:";
  for (int32_t i = 0; i < we.N(); ++i) {
    double sum = 0;
    for (int32_t j = 0; j < we.M(); ++j)
      sum += we[i][j];
    sums += ' ' + ReportReal(ReportedHeat(sum));
  }
  lines.push_back(std::move(sums));
  lines.emplace_back();

  // South-North faces: nj + 1 rows, each summed at its end.
  lines.emplace_back("Flux WE (flux from South to North):");
  const NumMatrix<double>& sn = s.heatSN;
  for (int32_t j = sn.M() - 1; j >= 0; --j) {
    std::string row = RowStart(j + 1);
    double sum = 0;
    for (int32_t i = 0; i < sn.N(); ++i) {
      row += ' ' + ReportReal(ReportedHeat(sn[i][j]));
      sum += sn[i][j];
    }
    row += "  Sum: " + ReportReal(ReportedHeat(sum), 0);
    lines.push_back(std::move(row));
  }
}

void AppendConvergenceSection(ReportLines& lines, const ReportSource& source) {
  const EnergyLedger& ledger = source.shown.ledger;
  lines.emplace_back();
  lines.emplace_back("*** Convergence check:");
  lines.emplace_back();
  if (!ledger.valid) {
    lines.emplace_back("No time step led to this snapshot: there is nothing to check.");
    return;
  }
  lines.push_back(SidesHeading("Heat rate (W/m):"));
  std::string in = Label("    In:", 26);
  std::string out = Label("    Out:", 26);
  for (int k = 0; k < 4; ++k) {
    in += ReportReal(ledger.in[k]);
    out += ReportReal(ledger.out[k]);
  }
  lines.push_back(std::move(in));
  lines.push_back(std::move(out));
  lines.push_back(Label("Generated:", 26) + ReportReal(ledger.generation));
  lines.push_back(Label("Stored (last step):", 26) + ReportReal(ledger.storage));
  lines.push_back(Label("Imbalance (%):", 26) + ReportReal(100 * ledger.ImbalanceFraction()));
  lines.push_back(Label("Residual (%):", 26) + ReportReal(100 * ledger.ResidualFraction()));
  lines.emplace_back();
  const QString steady = SteadyStateVerdict(source.results, source.shown, QLatin1Char('.'));
  if (!steady.isEmpty())
    lines.push_back(steady.toStdString());
  lines.emplace_back(ledger.Converged()
                         ? "Equations solved: the heat balances to within 1 % of the largest heat "
                           "rate."
                         : "NOT CONVERGED: more than 1 % of the heat is unaccounted for. Tighten "
                           "the solver tolerance or choose the direct solver, and run again.");
}

void AppendReferenceSection(ReportLines& lines, const ReportSource& source) {
  if (!source.grid || !source.reference || !CheckReference(*source.reference).empty())
    return;
  const Media& grid = *source.grid;
  const SimSnapshot& s = source.shown;
  if (grid.ni != s.T.N() || grid.nj != s.T.M())
    return;
  const ExactSolution exact(*source.reference);
  const double time = s.Time();
  lines.emplace_back();
  lines.push_back("*** Reference solution: " + ReferenceTitle(*source.reference));
  lines.emplace_back();

  // Run minus reference, over the volumes the reference reaches.
  double largest = 0, runSum = 0, exactSum = 0;
  int32_t at_i = -1, at_j = -1;
  int64_t count = 0;
  for (int32_t j = 0; j < grid.nj; ++j) {
    for (int32_t i = 0; i < grid.ni; ++i) {
      const double e = ExactVolumeTemperature(exact, grid, i, j, time);
      if (!std::isfinite(e))
        continue;
      const double d = s.T[i][j] - e;
      if (at_i < 0 || std::abs(d) > std::abs(largest)) {
        largest = d;
        at_i = i;
        at_j = j;
      }
      runSum += s.T[i][j];
      exactSum += e;
      ++count;
    }
  }
  if (count == 0) {
    lines.emplace_back("The reference does not reach any volume of this grid.");
    return;
  }
  lines.emplace_back("Temperature (run - reference):");
  lines.push_back(Label("    Largest difference:", 26) + ReportReal(largest) + "  at volume (" +
                  std::to_string(at_i + 1) + ", " + std::to_string(at_j + 1) + ")");
  lines.push_back(Label("    Average difference:", 26) + ReportReal((runSum - exactSum) / count));
  lines.emplace_back();

  const SideHeat ref = ExactSideHeat(exact, grid, time);
  const SideHeat in = SideHeatIn(s.heatSN, s.heatWE);
  const double run[4] = {in.north, in.south, in.east, in.west};
  const double reference[4] = {ref.north, ref.south, ref.east, ref.west};
  lines.push_back(SidesHeading("Heat rate in (W/m):"));
  std::string runLine = Label("    Run:", 26);
  std::string refLine = Label("    Reference:", 26);
  std::string diffLine = Label("    Difference:", 26);
  for (int k = 0; k < 4; ++k) {
    runLine += ReportReal(run[k]);
    refLine += std::isfinite(reference[k]) ? ReportReal(reference[k]) : std::string(15, ' ') + "-";
    diffLine += std::isfinite(reference[k]) ? ReportReal(run[k] - reference[k])
                                            : std::string(15, ' ') + "-";
  }
  lines.push_back(std::move(runLine));
  lines.push_back(std::move(refLine));
  lines.push_back(std::move(diffLine));
}

ReportLines OutputReport(const ReportSource& source) {
  ReportLines lines;
  AppendReportHeader(lines);
  AppendSnapshotSection(lines, source);
  AppendStatisticsSection(lines, source);
  AppendValuesSection(lines, source);
  AppendConvergenceSection(lines, source);
  AppendReferenceSection(lines, source);
  return lines;
}
