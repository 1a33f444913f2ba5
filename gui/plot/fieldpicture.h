#ifndef CALORIVECTRIX_GUI_FIELDPICTURE_H
#define CALORIVECTRIX_GUI_FIELDPICTURE_H

// The field plot as a picture to keep or hand in: the drawing area and, beside it, what
// makes its colours readable away from the program: the time of the field on show and the
// scale of its bands, one block per band with the temperatures where the bands meet.

#include <QFont>
#include <QImage>
#include <QSize>

#include "gui/plot/fieldplot.h"

// How wide the scale beside the plot is, in pixels.
constexpr int kPictureScaleWidth = 130;

// Whether a state shows temperatures whose colours need a scale: a snapshot in the
// Temperature or Isotherms view, or vectors (coloured by temperature) over any view.
bool PictureNeedsScale(const FieldPlotState& state);

// The plot of `plotSize`, drawn in `plotFont`, with the scale to its right when `withScale`
// and the state shows temperatures; otherwise the plot alone. The state's viewport must fit
// `plotSize`.
QImage RenderFieldPicture(const FieldPlotState& state, QSize plotSize, const QFont& plotFont,
                          bool withScale);

// The scale alone, painted on `image` in the column from `left`: black like the plot, the
// time at the top, then the bands from the hottest down, each in its colour, with the level
// between two bands written beside it (every second, third... level when they would crowd).
void PaintPictureScale(QImage& image, int left, const FieldPlotState& state);

#endif
