#ifndef CALORIVECTRIX_GUI_PLATFORM_HELPTOPICS_H
#define CALORIVECTRIX_GUI_PLATFORM_HELPTOPICS_H

// Every help topic the program can ask for, by name, and the one way a control declares
// its topic.
//
// A control (widget) or command (action) carries its topic with SetHelpTopic. Context help
// looks for a topic from the control under the pointer outwards through its parents, so the
// labels inside a group share the group's topic.
//
// Dialogs call InstallContextHelp once: the title-bar "?" button and Shift+F1 enter the
// toolkit's What's-this mode, in which a click on a control shows its topic in a popup, and
// F1 shows the dialog's own topic. The main window has a What-is-this mode of its own (its
// "?" tool button), which reads the same declarations.

#include <vector>

class QObject;
class QWidget;
class QDialog;

namespace topic {

// Pages shown by commands and Help buttons.
constexpr int kContents = 1;
constexpr int kProblemFiles = 190;
constexpr int kUndoRedo = 195;
constexpr int kGeometryDlg = 200;
constexpr int kPhysicalPropDlg = 300;
constexpr int kInitialTempDlg = 310;
constexpr int kBoundaryDlg = 320;
constexpr int kParametersDlg = 400;
constexpr int kTimeDlg = 410;
constexpr int kProcessDlg = 420;
constexpr int kGridConvergence = 135;
constexpr int kGraphicDlg = 550;
constexpr int kReferenceSolutions = 560;
constexpr int kRefinementDlg = 570;
constexpr int kHistoryDlg = 580;
constexpr int kEquationDlg = 590;
constexpr int kOutputsDlg = 600;
constexpr int kTutorialSlab = 700;
constexpr int kTutorialFin = 710;
constexpr int kTutorialResistance = 720;
constexpr int kTutorialShapeFactor = 730;

// Popups of the main window's controls and legend panels.
constexpr int kMouse = 1000;
constexpr int kVolumeIndex = 1010;
constexpr int kVolumeProperties = 1020;
constexpr int kAnimation = 1030;
constexpr int kOpenGeometry = 1040;
constexpr int kProblemCommands = 1045;
constexpr int kExportCommands = 1047;
constexpr int kEditCommands = 1048;
constexpr int kGeometry = 1050;
constexpr int kPhysicalProperties = 1060;
constexpr int kBoundary = 1070;
constexpr int kRun = 1080;
constexpr int kPlayback = 1090;
constexpr int kVolumeTemperature = 1110;
constexpr int kVolumeFlux = 1120;
constexpr int kTemperatureScale = 1130;
constexpr int kVectors = 1140;
constexpr int kWatchedVolumes = 1150;

// Popups shared by every dialog's buttons.
constexpr int kHelpButton = 1200;
constexpr int kCancelButton = 1210;
constexpr int kOkButton = 1220;
constexpr int kCloseButton = 1230;

// Geometry wizard.
constexpr int kGeometryPages = 1300;
constexpr int kGeometryDimensions = 1320;
constexpr int kGeometryVolumes = 1330;

// Physical properties.
constexpr int kPropertiesGroup = 1400;
constexpr int kGenerationGroup = 1420;
constexpr int kMaterialDatabase = 1430;

// Boundary editor, segment and function dialogs.
constexpr int kBoundaryPages = 1500;
constexpr int kBoundaryAdd = 1510;
constexpr int kBoundaryDel = 1520;
constexpr int kSegmentKind = 1600;
constexpr int kSegmentLimits = 1610;
constexpr int kSegmentFunction = 1620;
constexpr int kFunctionKind = 1700;
constexpr int kFunctionConstants = 1710;
constexpr int kFunctionPreview = 1720;

// Initial temperature.
constexpr int kInitialTempPanel = 1800;

// Run dialog.
constexpr int kRunTime = 1900;
constexpr int kRunSolver = 1910;
constexpr int kRunRestart = 1920;
constexpr int kRunPreview = 1930;
constexpr int kRunRun = 1940;
constexpr int kRunPause = 1950;
constexpr int kRunGraph = 1960;
constexpr int kRunCheck = 1970;

// Simulation parameters.
constexpr int kParametersTime = 2000;
constexpr int kParametersSolver = 2010;
constexpr int kTimeStepAdvice = 2020;

// Animation times.
constexpr int kTimesPages = 2200;
constexpr int kTimesSet = 2210;
constexpr int kTimesList = 2220;
constexpr int kTimesDel = 2230;
constexpr int kTimesPreview = 2240;
constexpr int kTimesSample = 2250;
constexpr int kTimesSteps = 2260;
constexpr int kTimesAdd = 2270;

// Refinement study window and the profile window's comparison with a reference.
constexpr int kStudyLevels = 2300;
constexpr int kStudyProbe = 2310;
constexpr int kStudyRun = 2320;
constexpr int kStudyTable = 2330;
constexpr int kStudyPlot = 2340;
constexpr int kStudyVerdict = 2350;
constexpr int kProfileReference = 2400;

// Profile window (Dynamic Plots).
constexpr int kProfileDirection = 2500;
constexpr int kProfileSliders = 2510;
constexpr int kProfilePlot = 2520;
constexpr int kProfilePosition = 2530;
constexpr int kProfileExtremes = 2540;
constexpr int kProfileStatistic = 2550;

// Report window (Simulation outputs).
constexpr int kReportText = 2600;
constexpr int kReportFile = 2610;
constexpr int kReportEdit = 2620;

// Time History window.
constexpr int kHistoryPlot = 2700;
constexpr int kHistoryTable = 2710;
constexpr int kHistorySave = 2720;

// Volume Equation window.
constexpr int kEquationFormula = 2800;
constexpr int kEquationTerms = 2810;

// Every number above, ascending: the help file must hold a topic for each.
const std::vector<int>& All();

}  // namespace topic

// How far a declared topic reaches.
enum class HelpReach {
  // The control and everything inside it that declares no topic of its own.
  WithChildren,
  // Only the control's own area: a tool bar's background, not the tools on it, which
  // act even in the What-is-this mode unless they declare a topic themselves.
  OwnArea,
  // Like WithChildren, and shown on any click, not only in a What-is-this mode.
  AnyClick,
};

// Declares the topic of a control or command; 0 removes it.
void SetHelpTopic(QObject* object, int topic, HelpReach reach = HelpReach::WithChildren);
// The topic declared on the object itself, or 0.
int HelpTopicOf(const QObject* object);
// The topic of the widget or of its nearest parent that declares one for it, not looking
// past `outermost` (which is itself included); 0 when none does. `anyClick`, when given,
// tells whether that topic is to be shown on any click.
int HelpTopicAt(const QWidget* widget, const QWidget* outermost, bool* anyClick = nullptr);

// Gives a dialog the toolkit's context help: the title-bar "?" button, Shift+F1 for the
// What's-this mode (a click then shows the topic of the control clicked in a popup), and
// F1 for the dialog's own topic (none when ownTopic is 0).
void InstallContextHelp(QDialog* dialog, int ownTopic);

#endif
