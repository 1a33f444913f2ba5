#ifndef CALORIVECTRIX_GUI_PROBE_H
#define CALORIVECTRIX_GUI_PROBE_H

// The geometry behind the legend panel: which volume lies under the mouse, the colour bar
// of the temperature scale, and the marker that points at the probed volume's temperature
// on it. The main window owns the state; these functions only compute and draw.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <optional>

#include "gui/platform/surface.h"
#include "sim/geometry.h"
#include "sim/manager.h"
#include "sim/media.h"

// The size of the colour bar inside a scale box: 10 pixels narrower and 6 lower.
QSize ScaleBitmapSize(QSize scaleBox);

// The colour bar: a black frame on white, each inner row in the ramp's colour, hot at the
// top. Paints the whole image it is given.
void PaintScaleBitmap(QImage& bitmap);

// The scale box: the colour bar against its right edge, centred vertically, and, when a
// depth d in [0, 1] is given, a small black triangle to its left pointing at the bar's row
// for d (0 at the hot end, 1 at the cold end). Without results (no bitmap) an empty framed
// box stands in the bar's place, sized by ScaleBitmapSize.
void PaintScale(Surface& surface, QSize scaleBox, const QImage* scaleBitmap,
                std::optional<double> markerDepth);

// How far down the colour bar the probed volume's temperature in the shown snapshot lies:
// 0 at the run's highest temperature, 1 at its lowest. None when there is no volume, the
// snapshot index is out of range, or the temperature or the extremes are not numbers.
std::optional<double> MarkerDepth(const SimManager& manager, int32_t curSnapshot,
                                  VolumeIndex probe);

#endif
