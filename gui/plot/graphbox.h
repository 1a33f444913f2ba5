#ifndef CALORIVECTRIX_GUI_GRAPHBOX_H
#define CALORIVECTRIX_GUI_GRAPHBOX_H

// A paint box drawing line graphs of one or more point series inside a framed plot area,
// with optional title, axis names, end-of-axis value labels and a dot grid.
//
// A series (`Data`) and the boxes showing it know each other: a producer appends points and
// asks every box showing the series to repaint; destroying either side unlinks it from the
// other, so the two may be destroyed in any order. Neither side owns the other.
//
// Problems with the settings (a zero step, a label flag other than 0 or 1, a grid count
// below 1, a series index out of range) are reported on std::cerr and otherwise ignored.

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class TGraphBox;
class QPaintEvent;
class Surface;

struct DataPoint {
  float x;
  float y;
};

// One series: a growable, optionally bounded list of points.
class Data {
 public:
  // maxCapacity is read as unsigned, so -1 means unlimited; it is never below capacity.
  // Once the bound is reached, each new point pushes out the oldest.
  Data(int32_t capacity, int32_t growth, int32_t maxCapacity);
  // Removes the series from every box showing it, repainting them.
  ~Data();
  Data(const Data&) = delete;
  Data& operator=(const Data&) = delete;

  // Appends a point and returns its index.
  int32_t Add(float x, float y);
  void SetPoint(int32_t index, float x, float y);
  // Repaints every box showing the series.
  void NotifyBoxes();

  int32_t Count() const { return count; }
  const DataPoint& Point(int32_t index) const;
  uint32_t Capacity() const { return capacity; }
  uint32_t Growth() const { return growth; }
  uint32_t MaxCapacity() const { return maxCapacity; }

  int32_t BoxCount() const { return static_cast<int32_t>(boxes.size()); }
  bool ShownBy(const TGraphBox* box) const;

  // The extremes of the points; an empty series spans [-1, 1] both ways.
  void Bounds(float& xmin, float& xmax, float& ymin, float& ymax) const;

 private:
  friend class TGraphBox;
  void AttachBox(TGraphBox* box);
  void DetachBox(TGraphBox* box);
  // A point changed without a repaint: the boxes' next paint draws it.
  void MarkBoxesStale();

  int32_t count = 0;
  std::unique_ptr<DataPoint[]> points;
  // One entry per time a box shows the series, in the order they were added.
  std::vector<TGraphBox*> boxes;
  uint32_t capacity;
  uint32_t growth;
  uint32_t maxCapacity;
};

// One series entry of a box. The name is kept but not drawn.
struct DataNode {
  Data* data;
  QColor colour;
  QString name;
};

class TGraphBox : public QWidget {
  Q_OBJECT

 public:
  explicit TGraphBox(QWidget* parent = nullptr);
  // Unlinks every series without repainting.
  ~TGraphBox() override;

  void AddSeries(Data* data, const QString& name, const QColor& colour, bool repaint);
  // 1 when the series was shown (its first entry is removed), 0 otherwise.
  int RemoveSeries(Data* data, bool repaint);
  // The entry at `index`, or none; valid until the series list changes.
  const DataNode* SeriesAt(int index) const;
  int RemoveSeriesAt(int index, bool repaint);
  int SeriesCount() const { return static_cast<int>(series.size()); }

  // Fixed ranges replace the ones taken from the data until the matching Auto call.
  void SetXRange(float min, float max);
  void SetYRange(float min, float max);
  void AutoXRange();
  void AutoYRange();
  void AutoRanges();

  // The three-component forms set without repainting.
  void SetBackground(const QColor& colour);
  void SetBackground(int red, int green, int blue);
  void SetFrameColour(const QColor& colour);
  void SetFrameColour(int red, int green, int blue);
  void SetTextColour(const QColor& colour);
  void SetTextColour(int red, int green, int blue);

  // Setting a text also shows it; flag 0 hides it, any other flag leaves it as it is.
  void SetTitle(const QString& text, bool repaint);
  void SetXName(const QString& text, bool repaint);
  void SetYName(const QString& text, bool repaint);
  void ShowTitle(int flag, bool repaint);
  void ShowXName(int flag, bool repaint);
  void ShowYName(int flag, bool repaint);

  // The label spacing along an axis; the labels are drawn at the ends of the axis only.
  void SetXStep(float step, bool repaint);
  void SetYStep(float step, bool repaint);
  void AutoXStep();
  void AutoYStep();
  // flag must be 0 or 1.
  void ShowXLabels(int flag, bool repaint);
  void ShowYLabels(int flag, bool repaint);

  // nx by ny dots across the plot area.
  void SetGrid(int nx, int ny, const QColor& colour);
  void HideGrid();
  bool GridShown() const { return gridShown; }

  // Redraws the off-screen image at the box's current size and schedules it for the
  // screen. Works on a box that has never been shown.
  void Repaint();
  const QImage& Image() const { return image; }

  // The ranges in use at the last repaint.
  float XMin() const { return xmin; }
  float XMax() const { return xmax; }
  float YMin() const { return ymin; }
  float YMax() const { return ymax; }
  int XDivisions() const { return xDivisions; }
  int YDivisions() const { return yDivisions; }
  int GridX() const { return gridX; }
  int GridY() const { return gridY; }

  QColor FrameColour() const { return frameColour; }
  QColor TextColour() const { return textColour; }
  QColor GridColour() const { return gridColour; }
  QColor Background() const { return background; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class Data;
  // Notes that the image no longer shows the box's state, and repaints when asked to.
  void Changed(bool repaint);
  void Render();
  void UpdateRanges();
  void DrawTexts(Surface& surface, int w, int h);
  void DrawFrame(Surface& surface, int w, int h);
  void DrawSeries(Surface& surface, const DataNode& node, int w, int h);
  void DrawLabels(Surface& surface, int w, int h);
  void DrawGrid(Surface& surface, int w, int h);

  QImage image;
  // Something shown has changed since the image was last drawn.
  bool stale = true;
  std::vector<DataNode> series;
  QColor frameColour = QColor(0, 0, 0);
  QColor textColour = QColor(0, 0, 0);
  QColor gridColour = QColor(255, 0, 0);
  QColor background = QColor(255, 255, 255);
  QString title, xName, yName;
  bool titleShown = false, xNameShown = false, yNameShown = false;
  bool autoXRange = true, autoYRange = true;
  bool autoXStep = true, autoYStep = true;
  int xLabels = 0, yLabels = 0;
  bool gridShown = false;
  float xmax = 0, xmin = 0, ymax = 0, ymin = 0;
  float fixedXmax = 0, fixedXmin = 0, fixedYmax = 0, fixedYmin = 0;
  int gridX = 0, gridY = 0;
  int xDivisions = 1, yDivisions = 1;
  float xStep = 0, yStep = 0;
};

#endif
