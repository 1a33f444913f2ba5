#ifndef CALORIVECTRIX_GUI_DOCUMENT_RESULTCSV_H
#define CALORIVECTRIX_GUI_DOCUMENT_RESULTCSV_H

// One snapshot as comma-separated values, for a spreadsheet or a script. Two tables, each
// with a header line, separated by an empty line:
//
//   I,J,x,y,T,qx,qy            one row per volume, J outer and I inner, counted from 1 as the
//                              window shows them; x, y the volume's centre (the mean of its
//                              corners, where the simulator places its temperature); heat-flux
//                              density in W/m^2
//   Side,K,x,y,HeatIn          one row per boundary face, North, South, East, West, each
//                              along its side (K from 1); x, y the face's midpoint; HeatIn the
//                              heat rate per unit depth (W/m) into the domain through it
//
// Numbers carry a point as decimal separator whatever the user's locale, and as many digits
// as it takes to read back the very same double.

#include <QByteArray>

#include "sim/manager.h"
#include "sim/media.h"

QByteArray SnapshotCsv(const Media& media, const SimSnapshot& snapshot);

#endif
