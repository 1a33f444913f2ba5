#ifndef CALORIVECTRIX_GUI_PLOT_STUDYPLOT_H
#define CALORIVECTRIX_GUI_PLOT_STUDYPLOT_H

// The refinement study's plot of one quantity against the grid spacing h, on a logarithmic
// h axis (finer grids to the left):
//
//   Value      the level's values (dots joined by a line) on a linear axis, the extrapolated
//              value as a dashed line with the Richardson curve f_ext + C h^p through the
//              dots drawn on to the smaller spacings, and the exact value, when the problem
//              carries one, as a dotted green line;
//   Distance   the distance of each value from the extrapolated one, on logarithmic axes:
//              the dots then lie on a straight line whose slope is the observed order, drawn
//              through them, with a short grey line of the expected order's slope beside it.
//
// What to draw is worked out without a window (MakeStudyPlot), in world coordinates that
// are already logarithmic where the axis is, so tests read positions and slopes directly.

#include <QPainter>
#include <QRect>
#include <QString>
#include <vector>

#include "sim/refinement.h"

enum class StudyPlotMode { Value, Distance };

struct StudyPlotSeries {
  std::vector<QPointF> points;
  bool valid = false;
};

struct StudyPlot {
  QString title;
  // Empty when there is nothing to draw, with the reason here.
  QString empty;
  bool logY = false;
  // World box: x is log10 h; y is the value, or log10 of the distance.
  double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
  std::vector<QPointF> levels;    // one per level
  StudyPlotSeries curve;          // the Richardson curve, or the line of slope p
  StudyPlotSeries extrapolated;   // a horizontal line (Value)
  StudyPlotSeries exact;          // a horizontal line (Value)
  StudyPlotSeries expectedSlope;  // a short line of the expected order's slope (Distance)
  // Tick values on each axis, in world coordinates, with their labels.
  std::vector<std::pair<double, QString>> xTicks, yTicks;
};

StudyPlot MakeStudyPlot(const study::Result& result, int32_t quantity, StudyPlotMode mode);

// World to pixel for the plot area of `rect` (margins left for the labels).
struct StudyPlotMapping {
  QRectF area;
  double xMin, xMax, yMin, yMax;
  QPointF Map(const QPointF& world) const;
};
StudyPlotMapping StudyPlotArea(const StudyPlot& plot, const QRect& rect);

void PaintStudyPlot(QPainter& painter, const QRect& rect, const StudyPlot& plot);

#endif
