#include "gui/plot/historyplot.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMostTicks = 7;

// The step of ticks from 1, 2 or 5 times a power of ten giving at most `most` ticks.
double TickStep(double lo, double hi, int most) {
  const double span = hi - lo;
  const double raw = span / std::max(1, most - 1);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0, 10.0}) {
    const double step = factor * power;
    if (std::floor(hi / step) - std::ceil(lo / step) + 1 <= most)
      return step;
  }
  return 20 * power;
}

}  // namespace

std::vector<double> NiceTicks(double lo, double hi, int most) {
  if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi) || most < 2)
    return {lo};
  const double step = TickStep(lo, hi, most);
  std::vector<double> ticks;
  for (double k = std::ceil(lo / step); k * step <= hi + 1e-9 * step; k += 1) {
    // Zero as zero, not as a rounding of it.
    ticks.push_back(std::fabs(k) < 0.5 ? 0.0 : k * step);
  }
  return ticks;
}

QString TickLabel(double value, double step) {
  if (std::fabs(value) < 1e-9 * step)
    return QStringLiteral("0");
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  if (decimals <= 6 && std::fabs(value) < 1e7)
    return QString::number(value, 'f', decimals);
  return QString::number(value, 'g', 4);
}

QPointF HistoryFrame::Map(double t, double v) const {
  const double x = area.left() + (t - t0) / (t1 - t0) * area.width();
  const double y = area.bottom() - (v - v0) / (v1 - v0) * area.height();
  return QPointF(x, y);
}

HistoryFrame FrameHistory(const HistoryPlot& plot, QSize size, const QFontMetrics& metrics) {
  HistoryFrame f;
  double tMax = 0;
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (const HistoryCurve& c : plot.curves) {
    for (std::size_t k = 0; k < c.times.size() && k < c.values.size(); ++k) {
      const double v = c.values[k];
      if (!std::isfinite(v))
        continue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      if (std::isfinite(c.times[k]))
        tMax = std::max(tMax, c.times[k]);
    }
  }
  if (plot.cursor && std::isfinite(*plot.cursor))
    tMax = std::max(tMax, *plot.cursor);
  if (!(lo <= hi)) {
    lo = 0;
    hi = 1;
  }
  if (hi - lo <= 1e-12 * std::max(std::fabs(lo), std::fabs(hi))) {
    const double half = std::max(0.5, 0.05 * std::fabs(hi));
    lo -= half;
    hi += half;
  }
  const double pad = 0.05 * (hi - lo);
  f.v0 = lo - pad;
  f.v1 = hi + pad;
  f.t0 = 0;
  f.t1 = tMax > 0 ? tMax : 1;
  f.timeTicks = NiceTicks(f.t0, f.t1, kMostTicks);
  f.valueTicks = NiceTicks(f.v0, f.v1, kMostTicks);

  // Room for the value labels and the rotated axis name on the left, a line of labels and
  // the time axis's name below.
  int labelWidth = 0;
  const double vStep = f.valueTicks.size() > 1 ? f.valueTicks[1] - f.valueTicks[0] : 1;
  for (double v : f.valueTicks)
    labelWidth = std::max(labelWidth, metrics.horizontalAdvance(TickLabel(v, vStep)));
  const int line = metrics.height();
  const double left = line + 6 + labelWidth + 6;
  const double bottom = 2 * line + 10;
  const double top = 10;
  const double right = 18;
  f.area = QRectF(left, top, std::max(10.0, size.width() - left - right),
                  std::max(10.0, size.height() - top - bottom));
  return f;
}

void PaintHistory(QPainter& painter, QSize size, const HistoryPlot& plot) {
  painter.save();
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  const QFontMetrics metrics = painter.fontMetrics();
  const HistoryFrame f = FrameHistory(plot, size, metrics);
  const QRectF& a = f.area;

  // Grid lines and labels at the ticks.
  const double tStep = f.timeTicks.size() > 1 ? f.timeTicks[1] - f.timeTicks[0] : 1;
  const double vStep = f.valueTicks.size() > 1 ? f.valueTicks[1] - f.valueTicks[0] : 1;
  painter.setPen(QPen(QColor(225, 225, 225), 1));
  for (double t : f.timeTicks) {
    const double x = f.Map(t, f.v0).x();
    painter.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
  }
  for (double v : f.valueTicks) {
    const double y = f.Map(f.t0, v).y();
    painter.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
  }
  painter.setPen(Qt::black);
  painter.drawRect(a);
  const int line = metrics.height();
  for (double t : f.timeTicks) {
    const double x = f.Map(t, f.v0).x();
    painter.drawLine(QPointF(x, a.bottom()), QPointF(x, a.bottom() + 4));
    const QString text = TickLabel(t, tStep);
    painter.drawText(QRectF(x - 60, a.bottom() + 5, 120, line), Qt::AlignHCenter | Qt::AlignTop,
                     text);
  }
  for (double v : f.valueTicks) {
    const double y = f.Map(f.t0, v).y();
    painter.drawLine(QPointF(a.left() - 4, y), QPointF(a.left(), y));
    const QString text = TickLabel(v, vStep);
    painter.drawText(QRectF(0, y - line / 2.0, a.left() - 7, line),
                     Qt::AlignRight | Qt::AlignVCenter, text);
  }
  painter.drawText(QRectF(a.left(), a.bottom() + 5 + line, a.width(), line + 4),
                   Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Time (s)"));
  painter.save();
  painter.translate(2, a.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-a.height() / 2, 0, a.height(), line), Qt::AlignCenter,
                   QStringLiteral("Temperature"));
  painter.restore();

  bool anyPoint = false;
  for (const HistoryCurve& c : plot.curves)
    anyPoint = anyPoint || !c.values.empty();
  if (!anyPoint) {
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(a.adjusted(10, 10, -10, -10), Qt::AlignCenter | Qt::TextWordWrap,
                     plot.emptyText);
    painter.restore();
    return;
  }

  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.save();
  painter.setClipRect(a.adjusted(-4, -4, 4, 4));
  for (const HistoryCurve& c : plot.curves) {
    QPolygonF points;
    std::vector<double> levels;
    for (std::size_t k = 0; k < c.times.size() && k < c.values.size(); ++k) {
      if (!std::isfinite(c.values[k]))
        continue;
      if (std::isfinite(c.times[k]))
        points << f.Map(c.times[k], c.values[k]);
      else
        levels.push_back(c.values[k]);
    }
    painter.setPen(QPen(c.colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(points);
    // Points known only where they are (the stored snapshots, a lone start) are dots.
    if (!c.recorded || points.size() == 1) {
      painter.setBrush(c.colour);
      for (const QPointF& p : points)
        painter.drawEllipse(p, 3, 3);
      painter.setBrush(Qt::NoBrush);
    }
    painter.setPen(QPen(c.colour, 2, Qt::DashLine));
    for (double v : levels) {
      const double y = f.Map(f.t0, v).y();
      painter.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
    }
  }
  painter.restore();

  // The snapshot on show.
  if (plot.cursor && std::isfinite(*plot.cursor) && *plot.cursor >= f.t0 && *plot.cursor <= f.t1) {
    const double x = f.Map(*plot.cursor, f.v0).x();
    painter.setPen(QPen(QColor(60, 60, 60), 1, Qt::DashLine));
    painter.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
  }

  // The legend, in the corner of the plot that covers the fewest points of the curves.
  int width = 0;
  for (const HistoryCurve& c : plot.curves)
    width = std::max(width, metrics.horizontalAdvance(c.label));
  const double rowHeight = line + 2;
  const QSizeF boxSize(width + 40, rowHeight * static_cast<double>(plot.curves.size()) + 6);
  const QRectF corners[] = {
      QRectF(QPointF(a.right() - boxSize.width() - 6, a.top() + 6), boxSize),
      QRectF(QPointF(a.right() - boxSize.width() - 6, a.bottom() - boxSize.height() - 6), boxSize),
      QRectF(QPointF(a.left() + 6, a.top() + 6), boxSize),
      QRectF(QPointF(a.left() + 6, a.bottom() - boxSize.height() - 6), boxSize),
  };
  QRectF box = corners[0];
  std::size_t fewest = static_cast<std::size_t>(-1);
  for (const QRectF& corner : corners) {
    std::size_t covered = 0;
    for (const HistoryCurve& c : plot.curves) {
      for (std::size_t k = 0; k < c.times.size() && k < c.values.size(); ++k) {
        const QPointF at = f.Map(std::isfinite(c.times[k]) ? c.times[k] : f.t0, c.values[k]);
        // A level at infinite time runs across the whole plot: a box on it hides it.
        if (!std::isfinite(c.times[k]))
          covered += at.y() >= corner.top() && at.y() <= corner.bottom() ? 1000 : 0;
        else if (corner.contains(at))
          ++covered;
      }
    }
    if (covered < fewest) {
      fewest = covered;
      box = corner;
    }
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QColor(160, 160, 160));
  painter.setBrush(QColor(255, 255, 255, 225));
  painter.drawRect(box);
  painter.setBrush(Qt::NoBrush);
  for (std::size_t k = 0; k < plot.curves.size(); ++k) {
    const HistoryCurve& c = plot.curves[k];
    const double y = box.top() + 3 + rowHeight * static_cast<double>(k) + rowHeight / 2;
    painter.setPen(QPen(c.colour, 2, c.recorded ? Qt::SolidLine : Qt::DotLine));
    painter.drawLine(QPointF(box.left() + 6, y), QPointF(box.left() + 28, y));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(box.left() + 34, y - rowHeight / 2, width + 4, rowHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, c.label);
  }
  painter.restore();
}
