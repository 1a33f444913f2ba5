#include "gui/plot/graphbox.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>

#include "gui/platform/surface.h"
#include "sim/check.h"

namespace {

// Half away from zero, as every pixel position of the graph is taken. Values that do not
// fit an int (a wild data point, a degenerate range) are held far outside any box instead
// of overflowing the conversion.
int Round(float value) {
  if (std::isnan(value))
    return 0;
  constexpr float kLimit = 1e9f;
  return static_cast<int>(std::round(std::clamp(value, -kLimit, kLimit)));
}

// How many label intervals of `step` fit the range; never 0, which the label placement
// divides by.
int Divisions(float step, float min, float max) {
  const float d = std::fabs(max - min);
  if (step > d)
    return 1;
  const int divisions = Round(d / step);
  return divisions != 0 ? divisions : 1;
}

// "%.1e", independent of the C library's locale.
QString AxisLabel(float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                    std::chars_format::scientific, 1);
  return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

// The graph's clipping of one segment to the plot area, in screen coordinates (y grows
// downwards). The second point is cut first, then the first point is cut along the line
// through the cut second point. False when the segment lies wholly on the far side of one
// edge.
bool ClipSegment(float& x1, float& y1, float& x2, float& y2, float left, float right, float top,
                 float bottom) {
  const bool steep = std::fabs(x2 - x1) < 1e-5f;
  const float m = steep ? 1.0f : (y2 - y1) / (x2 - x1);

  if ((x1 > right && x2 > right) || (y1 > bottom && y2 > bottom) || (x1 < left && x2 < left) ||
      (y1 < top && y2 < top)) {
    return false;
  }

  if (x2 > right) {
    y2 = y1 + (right - x1) * m;
    x2 = right;
  } else if (x2 < left) {
    y2 = y1 + (left - x1) * m;
    x2 = left;
  }
  if (y2 > bottom) {
    x2 = steep ? x1 : x1 + (bottom - y1) / m;
    y2 = bottom;
  }
  if (y2 < top) {
    x2 = steep ? x1 : x1 + (top - y1) / m;
    y2 = top;
  }

  if (x1 > right) {
    y1 = y2 + (right - x2) * m;
    x1 = right;
  } else if (x1 < left) {
    y1 = y2 + (left - x2) * m;
    x1 = left;
  }
  if (y1 > bottom) {
    x1 = steep ? x2 : x2 + (bottom - y2) / m;
    y1 = bottom;
  }
  if (y1 < top) {
    x1 = steep ? x2 : x2 + (top - y2) / m;
    y1 = top;
  }
  return true;
}

// The characters of a text one by one, keeping surrogate pairs together.
std::vector<QString> Characters(const QString& text) {
  std::vector<QString> characters;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      characters.push_back(text.mid(i, 2));
      ++i;
    } else {
      characters.push_back(QString(text[i]));
    }
  }
  return characters;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Data

Data::Data(int32_t initialCapacity, int32_t initialGrowth, int32_t maximum) {
  INVARIANT(initialCapacity >= 0 && initialGrowth >= 0, "capacity>=0 && growth>=0");
  capacity = static_cast<uint32_t>(initialCapacity);
  growth = static_cast<uint32_t>(initialGrowth);
  // A bound of 0 would leave no slot to shift into.
  maxCapacity = std::max({capacity, static_cast<uint32_t>(maximum), 1u});
  points = std::make_unique<DataPoint[]>(capacity);
}

Data::~Data() {
  while (!boxes.empty()) {
    const int removed = boxes.front()->RemoveSeries(this, true);
    INVARIANT(removed == 1, "removed == 1");
  }
}

int32_t Data::Add(float x, float y) {
  if (static_cast<uint32_t>(count) == capacity) {
    if (capacity == maxCapacity) {
      std::copy(points.get() + 1, points.get() + count, points.get());
      --count;
    } else {
      // At least one slot, so that a growth of 0 still makes room.
      const uint64_t wanted = static_cast<uint64_t>(capacity) + std::max(growth, 1u);
      const uint32_t grown = static_cast<uint32_t>(std::min<uint64_t>(wanted, maxCapacity));
      auto larger = std::make_unique<DataPoint[]>(grown);
      std::copy(points.get(), points.get() + count, larger.get());
      points = std::move(larger);
      capacity = grown;
    }
  }
  points[count] = DataPoint{x, y};
  MarkBoxesStale();
  return count++;
}

void Data::SetPoint(int32_t index, float x, float y) {
  INVARIANT(index >= 0 && index < count, "index>=0 && index<count");
  points[index] = DataPoint{x, y};
  MarkBoxesStale();
}

void Data::MarkBoxesStale() {
  for (TGraphBox* box : boxes)
    box->Changed(false);
}

const DataPoint& Data::Point(int32_t index) const {
  INVARIANT(index >= 0 && index < count, "index>=0 && index<count");
  return points[index];
}

void Data::NotifyBoxes() {
  for (TGraphBox* box : boxes)
    box->Repaint();
}

bool Data::ShownBy(const TGraphBox* box) const {
  return std::find(boxes.begin(), boxes.end(), box) != boxes.end();
}

void Data::Bounds(float& xmin, float& xmax, float& ymin, float& ymax) const {
  if (count == 0) {
    xmin = ymin = -1;
    xmax = ymax = 1;
    return;
  }
  xmin = xmax = points[0].x;
  ymin = ymax = points[0].y;
  for (int32_t i = 1; i < count; ++i) {
    xmin = std::min(xmin, points[i].x);
    xmax = std::max(xmax, points[i].x);
    ymin = std::min(ymin, points[i].y);
    ymax = std::max(ymax, points[i].y);
  }
}

void Data::AttachBox(TGraphBox* box) {
  boxes.push_back(box);
}

void Data::DetachBox(TGraphBox* box) {
  const auto it = std::find(boxes.begin(), boxes.end(), box);
  INVARIANT(it != boxes.end(), "it != boxes.end()");
  boxes.erase(it);
}

// ---------------------------------------------------------------------------------------
// TGraphBox: series

TGraphBox::TGraphBox(QWidget* parent) : QWidget(parent) {
  // Every pixel comes from the image.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TGraphBox::~TGraphBox() {
  for (const DataNode& node : series)
    node.data->DetachBox(this);
}

void TGraphBox::AddSeries(Data* data, const QString& name, const QColor& colour, bool repaint) {
  INVARIANT(data != nullptr, "data != NULL");
  series.push_back(DataNode{data, colour, name});
  data->AttachBox(this);
  Changed(repaint);
}

int TGraphBox::RemoveSeries(Data* data, bool repaint) {
  const auto it = std::find_if(series.begin(), series.end(),
                               [data](const DataNode& node) { return node.data == data; });
  if (it == series.end())
    return 0;
  series.erase(it);
  data->DetachBox(this);
  Changed(repaint);
  return 1;
}

const DataNode* TGraphBox::SeriesAt(int index) const {
  const int n = SeriesCount();
  if (index < 0 || index > n) {
    std::cerr << "Unable to find list element number: " << index << std::endl;
    return nullptr;
  }
  if (index == n)
    return nullptr;
  return &series[static_cast<size_t>(index)];
}

int TGraphBox::RemoveSeriesAt(int index, bool repaint) {
  const DataNode* node = SeriesAt(index);
  if (node == nullptr)
    return 0;
  return RemoveSeries(node->data, repaint);
}

// ---------------------------------------------------------------------------------------
// TGraphBox: settings

void TGraphBox::SetXRange(float min, float max) {
  fixedXmin = min;
  fixedXmax = max;
  autoXRange = false;
  Repaint();
}

void TGraphBox::SetYRange(float min, float max) {
  fixedYmin = min;
  fixedYmax = max;
  autoYRange = false;
  Repaint();
}

void TGraphBox::AutoXRange() {
  autoXRange = true;
  Repaint();
}

void TGraphBox::AutoYRange() {
  autoYRange = true;
  Repaint();
}

void TGraphBox::AutoRanges() {
  autoXRange = true;
  autoYRange = true;
  Repaint();
}

void TGraphBox::SetBackground(const QColor& colour) {
  background = colour;
  Repaint();
}

void TGraphBox::SetBackground(int red, int green, int blue) {
  background = QColor(red, green, blue);
  Changed(false);
}

void TGraphBox::SetFrameColour(const QColor& colour) {
  frameColour = colour;
  Repaint();
}

void TGraphBox::SetFrameColour(int red, int green, int blue) {
  frameColour = QColor(red, green, blue);
  Changed(false);
}

void TGraphBox::SetTextColour(const QColor& colour) {
  textColour = colour;
  Changed(false);
}

void TGraphBox::SetTextColour(int red, int green, int blue) {
  textColour = QColor(red, green, blue);
  Changed(false);
}

void TGraphBox::SetTitle(const QString& text, bool repaint) {
  title = text;
  titleShown = true;
  Changed(repaint);
}

void TGraphBox::SetXName(const QString& text, bool repaint) {
  xName = text;
  xNameShown = true;
  Changed(repaint);
}

void TGraphBox::SetYName(const QString& text, bool repaint) {
  yName = text;
  yNameShown = true;
  Changed(repaint);
}

void TGraphBox::ShowTitle(int flag, bool repaint) {
  if (flag == 0)
    titleShown = false;
  Changed(repaint);
}

void TGraphBox::ShowXName(int flag, bool repaint) {
  if (flag == 0)
    xNameShown = false;
  Changed(repaint);
}

void TGraphBox::ShowYName(int flag, bool repaint) {
  if (flag == 0)
    yNameShown = false;
  Changed(repaint);
}

void TGraphBox::SetXStep(float step, bool repaint) {
  if (step == 0) {
    std::cerr << " Invalid Value for x_step! ";
    return;
  }
  autoXStep = false;
  xStep = step;
  xDivisions = Divisions(step, xmin, xmax);
  Changed(repaint);
}

void TGraphBox::SetYStep(float step, bool repaint) {
  if (step == 0) {
    std::cerr << " Invalid Value for y_step! ";
    return;
  }
  autoYStep = false;
  yStep = step;
  yDivisions = Divisions(step, ymin, ymax);
  Changed(repaint);
}

void TGraphBox::AutoXStep() {
  autoXStep = true;
  xDivisions = 1;
  Repaint();
}

void TGraphBox::AutoYStep() {
  autoYStep = true;
  yDivisions = 1;
  Repaint();
}

void TGraphBox::ShowXLabels(int flag, bool repaint) {
  if (flag != 0 && flag != 1) {
    std::cerr << " Invalid Value\t for x text axis flag ";
    return;
  }
  xLabels = flag;
  Changed(repaint);
}

void TGraphBox::ShowYLabels(int flag, bool repaint) {
  if (flag != 0 && flag != 1) {
    std::cerr << " Invalid Value\t for y text axis flag ";
    return;
  }
  yLabels = flag;
  Changed(repaint);
}

void TGraphBox::SetGrid(int nx, int ny, const QColor& colour) {
  if (nx <= 0) {
    std::cerr << " Invalid Value for grid range x! ";
  } else {
    gridX = nx;
  }
  if (ny <= 0) {
    std::cerr << " Invalid Value for grid range y! ";
  } else {
    gridY = ny;
  }
  gridColour = colour;
  gridShown = true;
  Repaint();
}

void TGraphBox::HideGrid() {
  gridShown = false;
  Repaint();
}

// ---------------------------------------------------------------------------------------
// TGraphBox: drawing

void TGraphBox::Changed(bool repaint) {
  stale = true;
  if (repaint)
    Repaint();
}

void TGraphBox::Repaint() {
  Render();
  update();
}

// A paint that follows a repaint shows the image already drawn; only a change made without
// repainting, or a new size, draws it again here.
void TGraphBox::paintEvent(QPaintEvent*) {
  if (stale || image.size() != size())
    Render();
  QPainter painter(this);
  painter.drawImage(0, 0, image);
}

void TGraphBox::UpdateRanges() {
  if (!series.empty()) {
    series.front().data->Bounds(xmin, xmax, ymin, ymax);
    for (const DataNode& node : series) {
      float x0, x1, y0, y1;
      node.data->Bounds(x0, x1, y0, y1);
      xmin = std::min(xmin, x0);
      xmax = std::max(xmax, x1);
      ymin = std::min(ymin, y0);
      ymax = std::max(ymax, y1);
    }
  }
  if (!autoXRange) {
    xmax = fixedXmax;
    xmin = fixedXmin;
  }
  if (!autoYRange) {
    ymax = fixedYmax;
    ymin = fixedYmin;
  }
  if (xmin == xmax) {
    xmin -= 1;
    xmax += 1;
  }
  if (ymin == ymax) {
    ymin -= 1;
    ymax += 1;
  }
  if (!autoXStep)
    xDivisions = Divisions(xStep, xmin, xmax);
  if (!autoYStep)
    yDivisions = Divisions(yStep, ymin, ymax);
}

void TGraphBox::Render() {
  stale = false;
  const int w = width();
  const int h = height();
  if (w <= 0 || h <= 0) {
    // Nothing to draw on, but the ranges are state that callers read back.
    image = QImage();
    UpdateRanges();
    return;
  }
  if (image.size() != QSize(w, h))
    image = QImage(w, h, QImage::Format_RGB32);
  image.fill(background);

  Surface surface(&image);
  DrawTexts(surface, w, h);
  DrawFrame(surface, w, h);
  UpdateRanges();
  for (const DataNode& node : series) {
    if (node.data->Count() > 0)
      DrawSeries(surface, node, w, h);
  }
  DrawLabels(surface, w, h);
  if (gridShown)
    DrawGrid(surface, w, h);
}

void TGraphBox::DrawTexts(Surface& surface, int w, int h) {
  surface.SetPenColor(textColour);
  surface.SetFontColor(textColour);
  surface.SetBrushColor(background);
  surface.SetFontPixelHeight(10);

  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  if (titleShown) {
    const int x = static_cast<int>((w - surface.TextExtent(title).width()) * 0.5);
    surface.TextOut(x, Round(0.03f * fh), title);
  }
  if (xNameShown) {
    const int x = static_cast<int>((w - surface.TextExtent(xName).width()) * 0.5);
    surface.TextOut(x, Round(fh - 0.09f * fh), xName);
  }
  if (yNameShown) {
    const std::vector<QString> characters = Characters(yName);
    int total = 0;
    for (const QString& c : characters)
      total += surface.TextExtent(c).height();
    int y = static_cast<int>((h - total) * 0.5);
    for (const QString& c : characters) {
      const QSize extent = surface.TextExtent(c);
      surface.TextOut(Round(0.08f * fw - extent.width() * 0.5f), y, c);
      y += extent.height();
    }
  }
}

void TGraphBox::DrawFrame(Surface& surface, int w, int h) {
  surface.SetPenColor(frameColour);
  surface.SetBrushColor(frameColour);
  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  const int left = Round(0.1f * fw), right = Round(0.9f * fw);
  const int top = Round(0.1f * fh), bottom = Round(0.9f * fh);
  surface.MoveTo(left, bottom);
  surface.LineTo(right, bottom);
  surface.MoveTo(left, top);
  surface.LineTo(right, top);
  surface.MoveTo(left, top);
  surface.LineTo(left, bottom);
  surface.MoveTo(right, top);
  surface.LineTo(right, bottom);
}

void TGraphBox::DrawSeries(Surface& surface, const DataNode& node, int w, int h) {
  surface.SetPenColor(node.colour);
  surface.SetBrushColor(node.colour);
  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  const float left = 0.1f * fw, right = 0.9f * fw;
  const float top = 0.1f * fh, bottom = 0.9f * fh;
  const float xSpan = xmax - xmin;
  const float ySpan = ymax - ymin;
  auto mapX = [&](float x) { return 0.1f * fw + 0.8f * fw * (x - xmin) / xSpan; };
  auto mapY = [&](float y) { return fh - (0.1f * fh + 0.8f * fh * (y - ymin) / ySpan); };

  const Data& data = *node.data;
  for (int32_t i = 0; i + 1 < data.Count(); ++i) {
    const DataPoint& p = data.Point(i);
    const DataPoint& q = data.Point(i + 1);
    float x1 = mapX(p.x), y1 = mapY(p.y);
    float x2 = mapX(q.x), y2 = mapY(q.y);
    if (!ClipSegment(x1, y1, x2, y2, left, right, top, bottom))
      continue;
    // A non-finite point (from the data or a range too wide for a float) has no place on
    // the graph.
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
      continue;
    }
    surface.MoveTo(Round(x1), Round(y1));
    surface.LineTo(Round(x2), Round(y2));
  }
}

void TGraphBox::DrawLabels(Surface& surface, int w, int h) {
  surface.SetPenColor(textColour);
  surface.SetFontColor(textColour);
  surface.SetBrushColor(background);
  surface.SetFontPixelHeight(1);

  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  if (xLabels == 1) {
    for (int i : {0, xDivisions}) {
      const float rate = static_cast<float>(i) / static_cast<float>(xDivisions);
      const QString text = AxisLabel(xmin + rate * (xmax - xmin));
      const int half = surface.TextExtent(text).width() / 2;
      const int x = Round(0.1f * fw + i * (0.8f * fw / xDivisions) - half);
      surface.TextOut(x, Round(fh - 0.09f * fh), text);
    }
  }
  if (yLabels == 1) {
    for (int i : {0, yDivisions}) {
      const float rate = static_cast<float>(yDivisions - i) / static_cast<float>(yDivisions);
      const QString text = AxisLabel(ymin + rate * (ymax - ymin));
      const int y = Round(0.1f * fh + i * (0.76f * fh / yDivisions));
      surface.TextOut(Round(0.097f * fw - surface.TextExtent(text).width()), y, text);
    }
  }
}

void TGraphBox::DrawGrid(Surface& surface, int w, int h) {
  surface.SetPenColor(gridColour);
  surface.SetBrushColor(gridColour);
  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  for (int i = 1; i <= gridX; ++i) {
    for (int k = 0; k < gridY; ++k) {
      const int cx = Round(0.1f * fw + i * 0.8f * fw / gridX);
      const int cy = Round(0.1f * fh + k * 0.8f * fh / gridY);
      surface.Rectangle(cx - 1, cy - 1, cx + 2, cy + 2);
    }
  }
}
