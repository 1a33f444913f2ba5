#ifndef CALORIVECTRIX_GUI_GRAPHICS_H
#define CALORIVECTRIX_GUI_GRAPHICS_H

// The profile window: the temperature of the volumes along one grid row or column of the
// snapshot on show, or the heat rates through one line of faces, with the value at a chosen
// position, the extremes and the average (temperatures) or sum (heat rates).
//
// Which profile follows the main window: heat-flux vectors shown give the flux profile,
// otherwise the Temperature and Isotherms views give the temperature profile, and other
// views nothing. Heat rates are shown negated, as the report shows them: positive flows
// West to East and South to North.
//
// When the problem carries an exact solution (a reference), it is drawn along the same line
// as a dotted green curve, with the largest difference between the run and it and the
// difference of their Average or Sum.
//
// The numbers and the world coordinates of a profile come from plain functions
// (ComputeProfile, ComputeReferenceProfile) and the drawing from PaintProfile, so both are
// tested without a window.

#include <QDialog>
#include <cstdint>
#include <vector>

#include "gui/dialogs/graphictarget.h"
#include "gui/platform/surface.h"
#include "gui/plot/rcanvas.h"
#include "sim/manager.h"
#include "sim/reference.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QShowEvent;
class QSlider;
class QToolButton;
class TPaintBox;

enum class ProfileKind { None, Temperature, Flux };
// WE runs along a row from West to East; SN along a column from South to North.
enum class ProfileDirection { WE, SN };

ProfileKind ProfileFor(ViewMode view, bool vectors, bool results);

// The largest index each track bar can pick for a profile of the snapshot: temperatures
// of ni x nj volumes; WE flux over the South-North faces (ni x (nj + 1)); SN flux over the
// West-East faces ((ni + 1) x nj). Both 0 without a profile.
struct BarMaxima {
  int32_t we = 0;
  int32_t ns = 0;
};
BarMaxima ProfileBarMaxima(const SimSnapshot& shown, ProfileKind kind, ProfileDirection direction);

// One profile, with i and j the indices along West-East and South-North.
struct Profile {
  // Run-wide and snapshot extremes of the profiled field, as shown.
  double globalMin = 0, globalMax = 0, localMin = 0, localMax = 0;
  double fieldValue = 0;  // at (i, j)
  // The mean of the temperatures along the line, or the net heat rate across it.
  double statistic = 0;
  // The plot: WE has the index across and the value up; SN the value across and the index
  // up, so it stands like the column it shows.
  Point worldMin{0, 0}, worldMax{1, 1};
  std::vector<Point> line;
  Point marker{0, 0};
};
// Needs a temperature or flux kind and indices within ProfileBarMaxima.
Profile ComputeProfile(const SimManager& run, const SimSnapshot& shown, ProfileKind kind,
                       ProfileDirection direction, int32_t i, int32_t j);

// The exact solution along the profile's line, in the profile's world coordinates and
// signs: temperatures at the volumes' centres, or heat rates through the faces. Points the
// reference does not reach are left out of the line and of the differences.
struct ReferenceProfile {
  std::vector<Point> line;
  // Run minus reference, at the point where they differ most (with its sign), and of the
  // Average or Sum; NaN when the reference reaches no point, or (the statistic) not all.
  double largestDifference;
  double statisticDifference;
};
ReferenceProfile ComputeReferenceProfile(const ExactSolution& exact, const Media& media,
                                         const SimSnapshot& shown, ProfileKind kind,
                                         ProfileDirection direction, int32_t i, int32_t j);

// The base line through value 0 (held inside the extents), then, with a profile, the
// marker from the base line to the chosen value in blue, the profile in red and the
// reference, if any, dotted in green over it; the world box maps onto `rect` with a margin
// of 4 pixels.
void PaintProfile(Surface& surface, const PixelRect& rect, const Point& worldMin,
                  const Point& worldMax, ProfileDirection direction, const Profile* profile,
                  const std::vector<Point>* reference = nullptr);

class TGraphicDlg : public QDialog {
  Q_OBJECT

 public:
  // The target holds the results; it must outlive the window.
  explicit TGraphicDlg(GraphicTarget& target, QWidget* parent = nullptr);

  // Chooses the profile from what the target shows and refreshes everything.
  void Update();
  // WEBtn / SNBtn: the extremes and track-bar ranges of the direction, then Refresh.
  void SetProfile();
  // The read-outs and extents at the track bars' positions, then a repaint.
  void Refresh();
  void HelpBtnClick();

  ProfileKind Kind() const { return kind; }
  ProfileDirection Direction() const;
  // The indices the track bars pick: i from the West, j from the South.
  int32_t IndexWE() const;
  int32_t IndexSN() const;
  Point WorldMin() const { return worldMin; }
  Point WorldMax() const { return worldMax; }
  // The profile on show, or null.
  const Profile* Shown() const { return hasProfile ? &profile : nullptr; }
  // The reference along it, or null when the problem has none.
  const ReferenceProfile* ShownReference() const { return hasReference ? &reference : nullptr; }

  QLabel* ProfileName;
  QToolButton* WEBtn;
  QToolButton* SNBtn;
  QSlider* WEBar;
  QSlider* NSBar;
  TPaintBox* Draw;
  QGroupBox* Unit;
  QLabel* WEUnit;
  QLabel* ValueWE;
  QLabel* SNUnit;
  QLabel* ValueSN;
  QLabel* FieldValue;
  QLabel* GlobalMin;
  QLabel* GlobalMax;
  QLabel* LocalMin;
  QLabel* LocalMax;
  QLabel* Statistic;
  QLabel* StatisticValue;
  // Shown only when the problem carries a reference.
  QGroupBox* ReferenceGroup;
  QLabel* ReferenceName;
  QLabel* LargestDifference;
  QLabel* StatisticDifferenceName;
  QLabel* StatisticDifference;
  QPushButton* OKBtn;
  QPushButton* HelpBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildForm();
  void FormPaint(QPainter& painter);
  void SetBarMaxima(const BarMaxima& maxima);
  void ShowExtremes(const Profile& extremes);
  // The reference along the profile on show, with its read-outs; hidden without one.
  void RefreshReference(const SimSnapshot& shown, int32_t i, int32_t j);

  GraphicTarget& target;
  ProfileKind kind = ProfileKind::None;
  Point worldMin{0, 0};
  Point worldMax{1, 1};
  Profile profile;
  bool hasProfile = false;
  ReferenceProfile reference;
  bool hasReference = false;
  // Changing a bar's range moves its position; the refresh waits until both are set.
  bool settingBars = false;
};

#endif
