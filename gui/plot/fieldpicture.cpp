#include "gui/plot/fieldpicture.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "gui/platform/numfmt.h"

bool PictureNeedsScale(const FieldPlotState& state) {
  if (!state.manager || state.curSnapshot < 0 || state.curSnapshot >= state.manager->Count())
    return false;
  return state.viewMode == ViewMode::Temperature || state.viewMode == ViewMode::Isotherms ||
         state.vectors;
}

QImage RenderFieldPicture(const FieldPlotState& state, QSize plotSize, const QFont& plotFont,
                          bool withScale) {
  const QImage plot = RenderFieldPlot(state, plotSize, plotFont);
  if (!withScale || !PictureNeedsScale(state) || plot.isNull())
    return plot;
  QImage picture(plotSize.width() + kPictureScaleWidth, plotSize.height(), QImage::Format_RGB32);
  if (picture.isNull())
    return plot;
  picture.fill(Qt::black);
  {
    QPainter painter(&picture);
    painter.drawImage(0, 0, plot);
  }
  PaintPictureScale(picture, plotSize.width(), state);
  return picture;
}

void PaintPictureScale(QImage& image, int left, const FieldPlotState& state) {
  const SimManager& run = *state.manager;
  const SimSnapshot& shown = run.Snapshot(state.curSnapshot);
  QPainter p(&image);
  QFont font = p.font();
  font.setPixelSize(12);
  p.setFont(font);
  const int line = p.fontMetrics().height();
  p.setPen(Qt::white);
  const int x = left + 8;
  p.drawText(QRect(x, 6, kPictureScaleWidth - 12, line), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("t = %1 s").arg(FormatGeneral(shown.Time(), 6)));

  // The bands of the plot: the run's range in nLines - 1 equal parts, hottest on top.
  const int bands = std::max(1, state.nLines - 1);
  const double minT = run.minT;
  const double range = TemperatureRange(run.minT, run.maxT);
  const int top = 6 + 2 * line;
  const int bottom = image.height() - 6 - line / 2;
  const int height = bottom - top;
  if (height < bands)
    return;
  // Levels far enough apart to be read: at least a line and a half between two labels.
  const int every = std::max(1, static_cast<int>(std::ceil(1.5 * line * bands / height)));
  const int barWidth = 18;
  for (int k = 0; k <= bands; ++k) {
    // Band k (from the coldest) spans y of level k + 1 to level k.
    const int y = bottom - height * k / bands;
    if (k < bands) {
      const int yTop = bottom - height * (k + 1) / bands;
      p.fillRect(QRect(x, yTop, barWidth, y - yTop), TemperatureColor((k + 0.5) / bands, 0.5));
    }
    // Both ends always; between them every `every`-th level, none crowding the top one.
    if (k == 0 || k == bands || (k % every == 0 && bands - k >= every)) {
      p.setPen(Qt::white);
      p.drawLine(x + barWidth, y, x + barWidth + 4, y);
      const double level = minT + range * k / bands;
      p.drawText(QRect(x + barWidth + 7, y - line / 2, kPictureScaleWidth - barWidth - 16, line),
                 Qt::AlignLeft | Qt::AlignVCenter, FormatGeneral(level, 4));
    }
  }
  p.setPen(Qt::white);
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(x, bottom - height, barWidth, height).adjusted(0, 0, -1, -1));
}
