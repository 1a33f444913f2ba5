#ifndef CALORIVECTRIX_GUI_PLOT_HISTORYPLOT_H
#define CALORIVECTRIX_GUI_PLOT_HISTORYPLOT_H

// The plot of the Time History window: the temperature of each watched volume against time,
// in its marker's colour, with axes, their units, a legend and a line at the time of the
// snapshot on show. A curve the run recorded at its steps is a plain line; one read from
// the stored snapshots only (a volume watched after the run) is a line through dots, since
// nothing is known between them. A value at infinite time (the steady field of a steady
// run) is drawn as a dashed level across the plot.
//
// The layout (FrameHistory) is a plain function, so that where a value lands is tested
// without painting.

#include <QColor>
#include <QFontMetrics>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

struct HistoryCurve {
  QString label;  // "1 (4, 2)"
  QColor colour;
  bool recorded = true;
  std::vector<double> times;
  std::vector<double> values;
};

struct HistoryPlot {
  std::vector<HistoryCurve> curves;
  // The time of the snapshot on show, if it belongs to the run plotted.
  std::optional<double> cursor;
  // Shown in the middle when no curve has a point.
  QString emptyText;
};

// Ticks at multiples of 1, 2 or 5 times a power of ten, at most `most` of them, from the
// first at or above lo to the last at or below hi.
std::vector<double> NiceTicks(double lo, double hi, int most);

// Where the plot goes in a picture: the plot area in pixels, the ranges it shows (the
// curves' finite values, widened a little vertically and to a tick at each end), and the
// ticks along each axis.
struct HistoryFrame {
  QRectF area;
  double t0 = 0, t1 = 1, v0 = 0, v1 = 1;
  std::vector<double> timeTicks, valueTicks;

  QPointF Map(double t, double v) const;
};
HistoryFrame FrameHistory(const HistoryPlot& plot, QSize size, const QFontMetrics& metrics);

// A number on an axis, in as few characters as it reads correctly.
QString TickLabel(double value, double step);

void PaintHistory(QPainter& painter, QSize size, const HistoryPlot& plot);

#endif
