#ifndef CALORIVECTRIX_GUI_DIALOGS_TIMEHISTORY_H
#define CALORIVECTRIX_GUI_DIALOGS_TIMEHISTORY_H

// The Time History window: the temperature of every watched volume against time, one curve
// per volume in its marker's colour, with a line at the snapshot on show; below, a table of
// the watched volumes with their values at that snapshot; and the whole history saved as
// CSV (gui/document/historycsv).
//
// It reads a run in progress while there is one, so its curves grow as the run goes, and
// otherwise the results the main window holds. Shown without blocking the main window.

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "gui/dialogs/insighttarget.h"
#include "gui/document/historycsv.h"
#include "gui/plot/historyplot.h"

class QLabel;
class QPushButton;
class QShowEvent;
class QTableWidget;
class QTimer;
class TPaintBox;

class TTimeHistoryDlg : public QDialog {
  Q_OBJECT

 public:
  // The target must outlive the window.
  explicit TTimeHistoryDlg(InsightTarget& target, QWidget* parent = nullptr);

  // Reads the target afresh: curves, table, note. Called by the owner whenever the watched
  // volumes, the results or the snapshot on show change.
  void Update();
  // The history as CSV; false with the reason in `message` when there is nothing to save
  // or the file cannot be written.
  bool SaveCsv(const QString& fileName, QString* message);
  void SaveCsvClick();
  void HelpBtnClick();

  // What is plotted and tabled now.
  const HistoryPlot& Plotted() const { return plot; }
  const std::vector<VolumeSeries>& Series() const { return series; }

  // Asks for the CSV file's name; tests replace it. Empty means cancelled.
  std::function<QString()> askFileName;

  TPaintBox* Plot;
  QTableWidget* Volumes;
  QLabel* Note;
  QPushButton* SaveCsvBtn;
  QPushButton* CloseBtn;
  QPushButton* HelpBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The run read: the one going on, else the results.
  const SimManager* Run() const;
  // While a run goes on, its new rows are drawn a few times a second.
  void Poll();

  InsightTarget& target;
  HistoryPlot plot;
  std::vector<VolumeSeries> series;
  QTimer* liveTimer;
  std::size_t liveRows = 0;
};

#endif
