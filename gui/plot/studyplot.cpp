#include "gui/plot/studyplot.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

QString Short(double v) {
  return QString::number(v, 'g', 4);
}

// Round numbers spread over [lo, hi]: steps of 1, 2 or 5 times a power of ten, about
// `count` of them.
std::vector<double> NiceTicks(double lo, double hi, int count) {
  std::vector<double> ticks;
  const double span = hi - lo;
  if (!(span > 0) || !std::isfinite(span))
    return ticks;
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if (step >= raw)
      break;
  }
  for (double t = std::ceil(lo / step) * step; t <= hi + 1e-9 * span; t += step)
    ticks.push_back(std::abs(t) < 1e-12 * step ? 0.0 : t);
  return ticks;
}

void Include(StudyPlot& plot, double x, double y, bool& first) {
  if (!std::isfinite(x) || !std::isfinite(y))
    return;
  if (first) {
    plot.xMin = plot.xMax = x;
    plot.yMin = plot.yMax = y;
    first = false;
    return;
  }
  plot.xMin = std::min(plot.xMin, x);
  plot.xMax = std::max(plot.xMax, x);
  plot.yMin = std::min(plot.yMin, y);
  plot.yMax = std::max(plot.yMax, y);
}

}  // namespace

StudyPlot MakeStudyPlot(const study::Result& result, int32_t quantity, StudyPlotMode mode) {
  StudyPlot plot;
  const QString unit = study::QuantityUnit(quantity);
  plot.title = QString(study::QuantityName(quantity)) + (unit.isEmpty() ? "" : " (" + unit + ")");
  if (result.levels.empty()) {
    plot.empty = "Run the study to see how the answer changes with the grid.";
    return plot;
  }
  const study::Estimate& e = result.estimates[quantity];
  const bool converging = e.kind == study::Estimate::Kind::Converging;
  const double finest = result.levels.back().spacing;
  const double coarsest = result.levels.front().spacing;
  bool first = true;

  if (mode == StudyPlotMode::Value) {
    for (const study::Level& level : result.levels) {
      plot.levels.emplace_back(std::log10(level.spacing), level.values[quantity]);
      Include(plot, plot.levels.back().x(), plot.levels.back().y(), first);
    }
    // The Richardson curve and the extrapolated value reach two halvings beyond the finest
    // grid, where the curve has nearly met its limit.
    const double reach = std::log10(finest / 4);
    if (converging) {
      const double fine = result.levels.back().values[quantity];
      const double c = (fine - e.extrapolated) / std::pow(finest, e.order);
      for (int k = 0; k <= 40; ++k) {
        const double lx = reach + (std::log10(coarsest) - reach) * k / 40;
        plot.curve.points.emplace_back(lx, e.extrapolated + c * std::pow(10.0, e.order * lx));
      }
      plot.curve.valid = true;
      plot.extrapolated.points = {QPointF(reach, e.extrapolated),
                                  QPointF(std::log10(coarsest), e.extrapolated)};
      plot.extrapolated.valid = true;
      Include(plot, reach, e.extrapolated, first);
    }
    const double exact = result.exact[quantity];
    if (std::isfinite(exact)) {
      plot.exact.points = {QPointF(converging ? reach : std::log10(finest), exact),
                           QPointF(std::log10(coarsest), exact)};
      plot.exact.valid = true;
      Include(plot, plot.exact.points.front().x(), exact, first);
    }
  } else {
    plot.logY = true;
    if (!converging) {
      plot.empty = "No extrapolated value: there is nothing to measure the distance from.";
      return plot;
    }
    for (const study::Level& level : result.levels) {
      const double d = std::abs(level.values[quantity] - e.extrapolated);
      if (d > 0) {
        plot.levels.emplace_back(std::log10(level.spacing), std::log10(d));
        Include(plot, plot.levels.back().x(), plot.levels.back().y(), first);
      }
    }
    if (plot.levels.empty()) {
      plot.empty = "Every value equals the extrapolated one.";
      return plot;
    }
    // log d = log C + p log h through the finest level, over the levels' span.
    const QPointF anchor = plot.levels.back();
    auto along = [&anchor](double slope, double lx) {
      return QPointF(lx, anchor.y() + slope * (lx - anchor.x()));
    };
    plot.curve.points = {along(e.order, std::log10(finest)), along(e.order, std::log10(coarsest))};
    plot.curve.valid = true;
    // The expected slope, from the finest dot over half the span, shifted below it.
    const double half = (std::log10(coarsest) - std::log10(finest)) / 2;
    const double drop = 0.15 * std::max(plot.yMax - plot.yMin, 0.5);
    plot.expectedSlope.points = {
        QPointF(anchor.x(), anchor.y() - drop),
        QPointF(anchor.x() + half, anchor.y() - drop + e.expectedOrder * half)};
    plot.expectedSlope.valid = true;
    for (const QPointF& p : plot.curve.points)
      Include(plot, p.x(), p.y(), first);
    for (const QPointF& p : plot.expectedSlope.points)
      Include(plot, p.x(), p.y(), first);
  }

  // Room around the data, and a span for a flat quantity.
  if (plot.yMax - plot.yMin <= 1e-12 * std::max(std::abs(plot.yMax), 1.0)) {
    const double pad = std::max(std::abs(plot.yMax) * 1e-3, 1e-9);
    plot.yMin -= pad;
    plot.yMax += pad;
  }
  const double span = plot.yMax - plot.yMin;
  plot.yMin -= 0.08 * span;
  // Room above for the key of the lines.
  plot.yMax += 0.2 * span;
  const double xpad = 0.06 * std::max(plot.xMax - plot.xMin, 0.3);
  plot.xMin -= xpad;
  plot.xMax += xpad;

  for (const study::Level& level : result.levels)
    plot.xTicks.emplace_back(std::log10(level.spacing), Short(level.spacing));
  if (plot.logY) {
    // Decades when the distances span several; round numbers between when they do not.
    if (plot.yMax - plot.yMin >= 2) {
      for (double t = std::ceil(plot.yMin); t <= plot.yMax; t += 1)
        plot.yTicks.emplace_back(t, Short(std::pow(10.0, t)));
    } else {
      const double low = std::pow(10.0, plot.yMin);
      const double high = std::pow(10.0, plot.yMax);
      for (double decade = std::pow(10.0, std::floor(plot.yMin)); decade <= high; decade *= 10) {
        for (double m : {1.0, 2.0, 5.0}) {
          if (m * decade >= low && m * decade <= high)
            plot.yTicks.emplace_back(std::log10(m * decade), Short(m * decade));
        }
      }
    }
  } else {
    for (double t : NiceTicks(plot.yMin, plot.yMax, 4))
      plot.yTicks.emplace_back(t, Short(t));
  }
  return plot;
}

QPointF StudyPlotMapping::Map(const QPointF& world) const {
  const double fx = (world.x() - xMin) / (xMax - xMin);
  const double fy = (world.y() - yMin) / (yMax - yMin);
  return QPointF(area.left() + fx * area.width(), area.bottom() - fy * area.height());
}

StudyPlotMapping StudyPlotArea(const StudyPlot& plot, const QRect& rect) {
  // Left for the value labels, below for the spacings and the axis name, above the title.
  const QRectF area(rect.left() + 70.0, rect.top() + 24.0, std::max(rect.width() - 84.0, 10.0),
                    std::max(rect.height() - 64.0, 10.0));
  return StudyPlotMapping{area, plot.xMin, plot.xMax, plot.yMin, plot.yMax};
}

void PaintStudyPlot(QPainter& painter, const QRect& rect, const StudyPlot& plot) {
  painter.save();
  painter.fillRect(rect, Qt::white);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QFontMetrics metrics(painter.font());
  painter.setPen(Qt::black);
  painter.drawText(QRect(rect.left(), rect.top() + 2, rect.width(), 20), Qt::AlignCenter,
                   plot.title);
  if (!plot.empty.isEmpty()) {
    painter.setPen(Qt::darkGray);
    painter.drawText(rect.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                     plot.empty);
    painter.restore();
    return;
  }
  const StudyPlotMapping map = StudyPlotArea(plot, rect);
  painter.setPen(QPen(QColor(225, 225, 225), 1));
  for (const auto& tick : plot.xTicks) {
    const double x = map.Map(QPointF(tick.first, 0)).x();
    painter.drawLine(QPointF(x, map.area.top()), QPointF(x, map.area.bottom()));
  }
  for (const auto& tick : plot.yTicks) {
    const double y = map.Map(QPointF(0, tick.first)).y();
    painter.drawLine(QPointF(map.area.left(), y), QPointF(map.area.right(), y));
  }
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(map.area);
  for (const auto& tick : plot.xTicks) {
    const double x = map.Map(QPointF(tick.first, 0)).x();
    painter.drawText(QRectF(x - 40, map.area.bottom() + 3, 80, 16), Qt::AlignHCenter, tick.second);
  }
  for (const auto& tick : plot.yTicks) {
    const double y = map.Map(QPointF(0, tick.first)).y();
    painter.drawText(QRectF(rect.left(), y - 8, 66, 16), Qt::AlignRight | Qt::AlignVCenter,
                     tick.second);
  }
  painter.drawText(
      QRectF(map.area.left(), map.area.bottom() + 18, map.area.width(), 16), Qt::AlignHCenter,
      plot.logY ? "grid spacing h (m); both axes logarithmic" : "grid spacing h (m), logarithmic");

  // What each line is, along the top of the plot area.
  struct Key {
    QPen pen;
    QString text;
    bool shown;
  };
  const Key keys[] = {
      {QPen(QColor(200, 0, 0), 1.5), "levels", true},
      {QPen(QColor(0, 0, 200), 1), plot.logY ? "slope p" : "f + C h^p", plot.curve.valid},
      {QPen(QColor(0, 0, 200), 1, Qt::DashLine), "extrapolated", plot.extrapolated.valid},
      {QPen(QColor(0, 140, 0), 1.5, Qt::DotLine), "exact", plot.exact.valid},
      {QPen(QColor(150, 150, 150), 2), "expected slope", plot.expectedSlope.valid},
  };
  double keyX = map.area.left() + 6;
  const double keyY = map.area.top() + 10;
  for (const Key& key : keys) {
    if (!key.shown)
      continue;
    painter.setPen(key.pen);
    painter.drawLine(QPointF(keyX, keyY), QPointF(keyX + 18, keyY));
    painter.setPen(Qt::black);
    const double width = metrics.horizontalAdvance(key.text);
    painter.drawText(QRectF(keyX + 22, keyY - 8, width + 2, 16), Qt::AlignVCenter, key.text);
    keyX += 22 + width + 12;
  }

  painter.setClipRect(map.area);
  auto polyline = [&](const StudyPlotSeries& series, const QPen& pen) {
    if (!series.valid || series.points.size() < 2)
      return;
    QPainterPath path(map.Map(series.points.front()));
    for (std::size_t k = 1; k < series.points.size(); ++k)
      path.lineTo(map.Map(series.points[k]));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
  };
  polyline(plot.exact, QPen(QColor(0, 140, 0), 1.5, Qt::DotLine));
  polyline(plot.extrapolated, QPen(QColor(0, 0, 200), 1, Qt::DashLine));
  polyline(plot.curve, QPen(QColor(0, 0, 200), 1));
  polyline(plot.expectedSlope, QPen(QColor(150, 150, 150), 2));
  StudyPlotSeries joined;
  joined.points = plot.levels;
  joined.valid = true;
  polyline(joined, QPen(QColor(200, 0, 0), 1.5));
  painter.setPen(QPen(QColor(200, 0, 0), 1));
  painter.setBrush(QColor(200, 0, 0));
  for (const QPointF& p : plot.levels)
    painter.drawEllipse(map.Map(p), 3.5, 3.5);
  painter.restore();
}
