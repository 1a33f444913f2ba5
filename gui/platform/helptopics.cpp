#include "gui/platform/helptopics.h"

#include <QDialog>
#include <QEvent>
#include <QHelpEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QVariant>
#include <QWhatsThis>
#include <algorithm>

#include "gui/platform/help.h"

namespace {

const char* const kTopicProperty = "helpTopic";
const char* const kReachProperty = "helpReach";

// Answers the toolkit's What's-this events that reach the dialog: the control under the
// pointer (or its group) shows its topic. Controls that answer for themselves never get here.
class DialogContextHelp : public QObject {
 public:
  explicit DialogContextHelp(QDialog* dialog) : QObject(dialog), dialog(dialog) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != dialog)
      return false;
    if (event->type() != QEvent::WhatsThis && event->type() != QEvent::QueryWhatsThis)
      return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    const QWidget* under = dialog->childAt(help->pos());
    const int topic = HelpTopicAt(under ? under : dialog, dialog);
    if (topic == 0)
      return false;
    if (event->type() == QEvent::WhatsThis)
      HelpViewer::Instance().ShowPopup(topic);
    event->accept();
    return true;
  }

 private:
  QDialog* dialog;
};

}  // namespace

namespace topic {

const std::vector<int>& All() {
  static const std::vector<int> all = [] {
    std::vector<int> numbers = {kContents,
                                kProblemFiles,
                                kUndoRedo,
                                kGeometryDlg,
                                kPhysicalPropDlg,
                                kInitialTempDlg,
                                kBoundaryDlg,
                                kParametersDlg,
                                kTimeDlg,
                                kProcessDlg,
                                kGraphicDlg,
                                kHistoryDlg,
                                kEquationDlg,
                                kOutputsDlg,
                                kTutorialSlab,
                                kTutorialFin,
                                kTutorialResistance,
                                kTutorialShapeFactor,
                                kMouse,
                                kVolumeIndex,
                                kVolumeProperties,
                                kAnimation,
                                kOpenGeometry,
                                kProblemCommands,
                                kExportCommands,
                                kEditCommands,
                                kGeometry,
                                kPhysicalProperties,
                                kBoundary,
                                kRun,
                                kPlayback,
                                kVolumeTemperature,
                                kVolumeFlux,
                                kTemperatureScale,
                                kVectors,
                                kWatchedVolumes,
                                kHelpButton,
                                kCancelButton,
                                kOkButton,
                                kCloseButton,
                                kGeometryPages,
                                kGeometryDimensions,
                                kGeometryVolumes,
                                kPropertiesGroup,
                                kGenerationGroup,
                                kMaterialDatabase,
                                kBoundaryPages,
                                kBoundaryAdd,
                                kBoundaryDel,
                                kSegmentKind,
                                kSegmentLimits,
                                kSegmentFunction,
                                kFunctionKind,
                                kFunctionConstants,
                                kFunctionPreview,
                                kInitialTempPanel,
                                kRunTime,
                                kRunSolver,
                                kRunRestart,
                                kRunPreview,
                                kRunRun,
                                kRunPause,
                                kRunGraph,
                                kRunCheck,
                                kParametersTime,
                                kParametersSolver,
                                kTimeStepAdvice,
                                kTimesPages,
                                kTimesSet,
                                kTimesList,
                                kTimesDel,
                                kTimesPreview,
                                kTimesSample,
                                kTimesSteps,
                                kTimesAdd,
                                kGridConvergence,
                                kReferenceSolutions,
                                kRefinementDlg,
                                kStudyLevels,
                                kStudyProbe,
                                kStudyRun,
                                kStudyTable,
                                kStudyPlot,
                                kStudyVerdict,
                                kProfileReference,
                                kProfileDirection,
                                kProfileSliders,
                                kProfilePlot,
                                kProfilePosition,
                                kProfileExtremes,
                                kProfileStatistic,
                                kReportText,
                                kReportFile,
                                kReportEdit,

                                kHistoryPlot,
                                kHistoryTable,
                                kHistorySave,
                                kEquationFormula,
                                kEquationTerms};
    std::sort(numbers.begin(), numbers.end());
    return numbers;
  }();
  return all;
}

}  // namespace topic

void SetHelpTopic(QObject* object, int topic, HelpReach reach) {
  object->setProperty(kTopicProperty, topic == 0 ? QVariant() : QVariant(topic));
  object->setProperty(kReachProperty, static_cast<int>(reach));
}

int HelpTopicOf(const QObject* object) {
  return object ? object->property(kTopicProperty).toInt() : 0;
}

int HelpTopicAt(const QWidget* widget, const QWidget* outermost, bool* anyClick) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    const int topic = HelpTopicOf(w);
    const auto reach = static_cast<HelpReach>(w->property(kReachProperty).toInt());
    if (topic != 0 && (reach != HelpReach::OwnArea || w == widget)) {
      if (anyClick)
        *anyClick = reach == HelpReach::AnyClick;
      return topic;
    }
    if (w == outermost)
      break;
  }
  if (anyClick)
    *anyClick = false;
  return 0;
}

void InstallContextHelp(QDialog* dialog, int ownTopic) {
  dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  dialog->installEventFilter(new DialogContextHelp(dialog));
  auto* whatsThis = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), dialog);
  QObject::connect(whatsThis, &QShortcut::activated, dialog,
                   [] { QWhatsThis::enterWhatsThisMode(); });
  if (ownTopic != 0) {
    auto* own = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    QObject::connect(own, &QShortcut::activated, dialog, [ownTopic] { ShowHelpTopic(ownTopic); });
  }
}
