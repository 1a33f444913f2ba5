#ifndef CALORIVECTRIX_GUI_PLOT_WATCHMARKERS_H
#define CALORIVECTRIX_GUI_PLOT_WATCHMARKERS_H

// The markers of the watched volumes: at each volume's centre a disc numbered from 1 in the
// order the volumes were watched, in the colour of its curve in the Time History window.
// A white ring inside a black one sets the disc apart from any colour under it: the
// temperature ramp, the materials and the black background alike.

#include <QColor>
#include <QPoint>
#include <vector>

#include "gui/platform/surface.h"
#include "gui/plot/rcanvas.h"
#include "sim/geometry.h"
#include "sim/media.h"

// The colour of watched volume k (from 0); eight that tell apart on white and on the plot.
QColor WatchColor(int k);
// The colour of the number on a disc of that colour: white on dark discs, black on light.
QColor WatchNumberColor(int k);

// Outer radius of a marker in pixels.
constexpr int kWatchMarkerRadius = 8;

// Where the marker of a volume stands: its centre mapped to pixels.
QPoint WatchMarkerCentre(const RCanvas& canvas, const Media& media, const VolumeIndex& volume);

// Draws every marker; volumes outside the grid are skipped. The surface's font is restored.
void PaintWatchMarkers(Surface& surface, const RCanvas& canvas, const Media& media,
                       const std::vector<VolumeIndex>& watched);

#endif
