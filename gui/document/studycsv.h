#ifndef CALORIVECTRIX_GUI_DOCUMENT_STUDYCSV_H
#define CALORIVECTRIX_GUI_DOCUMENT_STUDYCSV_H

// A refinement study as comma-separated values. Three tables, each with a header line,
// separated by empty lines:
//
//   Level,NI,NJ,Spacing,Steps,Time,HeatInNorth,HeatInSouth,HeatInEast,HeatInWest,
//   ProbeTemperature,LargestTemperature
//                  one row per level, coarsest first; heat rates per unit depth (W/m) into
//                  the domain through each side; Spacing the square root of the mean volume
//                  area (m)
//   Quantity,ObservedOrder,ExpectedOrder,Extrapolated,GCI,Exact,Verdict
//                  one row per quantity; the order, extrapolated value and grid-convergence
//                  index (in the quantity's unit) where the differences shrink
//                  monotonically, Exact where the problem's reference gives it, empty
//                  otherwise; the verdict in words, quoted
//   ProbeI,ProbeJ,ProbeX,ProbeY,SchemeOrder
//                  the probe volume on the coarsest grid (counted from 1) and the point at
//                  its centre where every level is read; the scheme's order on this grid
//
// Numbers as in the snapshot tables: a point for the decimals whatever the locale, and
// enough digits to read back the same double.

#include <QByteArray>

#include "sim/refinement.h"

QByteArray StudyCsv(const study::Result& result);

#endif
