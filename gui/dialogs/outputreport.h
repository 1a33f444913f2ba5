#ifndef CALORIVECTRIX_GUI_OUTPUTREPORT_H
#define CALORIVECTRIX_GUI_OUTPUTREPORT_H

// The text report of one snapshot of a run, as the outputs dialog shows it: a header, the
// statistics, and three tables laid out like a map of the domain (North row on top, columns
// running West to East).
//
// Every real number is written as the C format %.8g would, right-aligned in 16 characters
// (ReportReal); heat rates are written negated, so that positive numbers flow West to East
// and South to North. Rows are built whole, however wide the grid.
//
// The report is a list of lines. Each section appends its lines to the list, so a further
// section is one more Append function called after the others in OutputReport.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/manager.h"
#include "sim/reference.h"

using ReportLines = std::vector<std::string>;

// What the report describes: the run and the snapshot on show (the time step is the run's
// own, which the problem's may no longer be); with the grid and the exact solution the
// problem carries, if any, also how far the run lies from that solution.
struct ReportSource {
  const SimManager& results;
  const SimSnapshot& shown;
  const Media* grid = nullptr;
  const ReferenceCase* reference = nullptr;
};

// The whole report.
ReportLines OutputReport(const ReportSource& source);

// Its sections, in order.
void AppendReportHeader(ReportLines& lines);
void AppendSnapshotSection(ReportLines& lines, const ReportSource& source);
void AppendStatisticsSection(ReportLines& lines, const ReportSource& source);
void AppendValuesSection(ReportLines& lines, const ReportSource& source);
// The energy ledger of the snapshot shown and the verdicts on it: heat in and out through
// each side, generated and stored, imbalance and residual in per cent of the largest;
// whether the field is a steady state, then whether its equations were solved.
void AppendConvergenceSection(ReportLines& lines, const ReportSource& source);
// The run against the problem's exact solution, when it has one: the largest difference of
// the volumes' temperatures and where it lies, the difference of their average, and the
// heat rate into each side, run and exact. Nothing without a reference or a grid that fits.
void AppendReferenceSection(ReportLines& lines, const ReportSource& source);

// A real as %.8g (the decimal point whatever the locale), right-aligned in `width`
// characters; width 0 writes it without padding. A zero never shows a sign.
std::string ReportReal(double value, int width = 16);
// An integer right-aligned in `width` characters.
std::string ReportInteger(long long value, int width);
// A heat rate as the report shows it: the flow reversed, without a negative zero.
inline double ReportedHeat(double stored) {
  return 0.0 - stored;
}

// The lines joined with line feeds, without a final one.
std::string JoinReport(const ReportLines& lines);

#endif
