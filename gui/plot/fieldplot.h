#ifndef CALORIVECTRIX_GUI_FIELDPLOT_H
#define CALORIVECTRIX_GUI_FIELDPLOT_H

// The field plot: the grid drawn one quadrilateral per volume through its four nodes, as
// the boundary layout (Bounds), the material map (Media), temperature bands (Temperature)
// or isotherms (Isotherms), with heat-flux vectors and the watched volumes' markers laid
// over any of them. The plot keeps no
// state; the main window gathers what a paint reads into a FieldPlotState.
//
// The colour functions live here because the scale, the read-outs and the material dialog
// show the same colours as the plot.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "gui/platform/surface.h"
#include "gui/plot/rcanvas.h"
#include "sim/face.h"
#include "sim/geometry.h"
#include "sim/manager.h"
#include "sim/media.h"

enum class ViewMode : int8_t { Bounds = 0, Media = 1, Temperature = 2, Isotherms = 3 };

struct FieldPlotState {
  const Media* media = nullptr;
  const SimManager* manager = nullptr;  // null without results
  int32_t curSnapshot = 0;
  ViewMode viewMode = ViewMode::Media;
  int32_t nLines = 20;  // number of levels, at least 2
  bool vectors = false;
  int vectorSize = 0;  // 0..20
  Point boundsMin{0, 0};
  Point boundsMax{1, 1};
  PixelRect viewport{0, 0, 0, 0};
  double cellSize = 1;
  double fluxScale = 1;
  bool boundaryDialogVisible = false;
  QString boundaryPage;  // "North", "South", "East"; anything else is West
  // Numbered markers over every view (gui/plot/watchmarkers).
  std::vector<VolumeIndex> watched;
  // The sides' segments, North, South, East, West (none: no segment ends are marked). Where
  // one segment ends and the next begins is marked on its side in the Bounds view and on
  // the highlighted side.
  const Face* faces[4] = {nullptr, nullptr, nullptr, nullptr};
};

// The point of a side at a position along it (0 at its first node, 1 at its last), measured
// by length along the side as the boundary conditions are; `side` 0 to 3 is North, South,
// East, West.
Point SidePoint(const Media& media, int side, double position);

// The temperature ramp blue - cyan - green - yellow - red over rate 0..1. Brightness 0.5
// gives the pure colours; below darkens and above lightens every component alike. Both
// arguments must lie in [0, 1].
QColor TemperatureColor(double rate, double brightness);

// A material's colour: red from conductivity (full at 401), green from density (10000),
// blue from specific heat (5000). Heat generation does not colour.
QColor PropertyColor(const VolumeProperties& properties);

// The temperature range colours are spread over: the run's extremes, widened to 1 when they
// (nearly) coincide so that a uniform field still has a scale.
double TemperatureRange(double minT, double maxT);

// Where t sits on the run's colour scale, held to [0, 1] against rounding; none when it or
// the extremes are not finite numbers, so the caller draws nothing for it.
std::optional<double> TemperatureRate(double t, double minT, double maxT);

// The flux magnitude drawn at full vector length (FieldPlotState::fluxScale) chosen from a
// run's or a snapshot's extremes: the length of a vector whose two components both reach
// the largest component magnitude, so that no vector outgrows its full length.
double AutoFluxScale(const FieldExtremes& extremes);

// The pixel rectangle of a width x height drawing area into which the bounding box fits with
// equal scales on both axes, centred along the axis that has room to spare.
PixelRect FittedViewport(const Point& boundsMin, const Point& boundsMax, int width, int height);

// Draws the whole plot on a surface whose background is already black. Where the median
// volume is narrower on screen than 4 pixels, the material map and the temperature bands
// are drawn pixel by pixel from the volume under each pixel (without the volumes' outlines,
// which would cover the colours), and arrows and generation marks stand for blocks of
// volumes at least 8 pixels across; isotherms and the boundary view are drawn alike at
// every size.
void Paint(Surface& surface, const FieldPlotState& state);

// The plot as an off-screen image of the given size: black, painted with `font` as the
// surface's font, ready to be copied to the window in one step.
QImage RenderFieldPlot(const FieldPlotState& state, QSize size, const QFont& font);

#endif
