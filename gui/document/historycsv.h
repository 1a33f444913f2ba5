#ifndef CALORIVECTRIX_GUI_DOCUMENT_HISTORYCSV_H
#define CALORIVECTRIX_GUI_DOCUMENT_HISTORYCSV_H

// The time history of the watched volumes, as the Time History window plots it and as a
// table for a spreadsheet:
//
//   time,T1,T2,...      T1 the volume watched first (marker 1), and so on
//
// one row per step the run recorded (every step, or every second, fourth... of a very long
// run, with every snapshot's step among them), or one per stored snapshot when the run
// recorded none. A volume watched after the run has values at the snapshots only; its cells
// of the other rows are empty. Numbers as in the other CSV files: a point as separator,
// every digit needed to read back the very same double.

#include <QByteArray>
#include <cstdint>
#include <vector>

#include "sim/geometry.h"
#include "sim/manager.h"

struct VolumeSeries {
  VolumeIndex volume{-1, -1};
  // Recorded by the run at its steps; false: read from the stored snapshots only.
  bool recorded = false;
  std::vector<int32_t> iterations;
  std::vector<double> times;
  std::vector<double> values;
};

// One series per watched volume, in their order. Without results every series is empty;
// a volume outside the results' grid has an empty series too.
std::vector<VolumeSeries> HistorySeries(const SimManager* run,
                                        const std::vector<VolumeIndex>& watched);

QByteArray HistoryCsv(const std::vector<VolumeSeries>& series);

#endif
