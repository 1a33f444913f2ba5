#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QMessageBox>
#include <csignal>

#include "gui/dialogs/About.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/commandline.h"
#include "gui/platform/help.h"
#include "sim/check.h"

namespace {

// A failed invariant is a bug of ours: say so in a window before the program stops, since a
// student will not see the terminal.
void ShowAssertion(const std::string& message) {
  static bool reporting = false;
  if (reporting || !QApplication::instance())
    return;
  reporting = true;
  QMessageBox::critical(nullptr, "Calorivectrix",
                        QString::fromStdString(message) + "\n\nThe program will now stop.");
}

// The icon of the menu entry, in every size it was rendered at.
QIcon ProgramIcon() {
  QIcon icon;
  QDirIterator pictures(":/icons", {"*.png"}, QDir::Files, QDirIterator::Subdirectories);
  while (pictures.hasNext())
    icon.addFile(pictures.next());
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  // A pipe whose reader has gone is a failed save to report, not a reason to end at once.
  std::signal(SIGPIPE, SIG_IGN);
  const CommandLine command = ParseCommandLine(argc, argv);
  if (command.action != CommandLine::Action::window)
    return RunWithoutWindow(command, argc, argv);

  QApplication app(argc, argv);
  // The desktop matches the windows to the program's menu entry by this name.
  QGuiApplication::setDesktopFileName(CALORIVECTRIX_APP_ID);
  QApplication::setWindowIcon(ProgramIcon());
  // The splash goes by itself after two seconds and never waits for the student.
  if (!qEnvironmentVariableIsSet("CALORIVECTRIX_NO_SPLASH"))
    TAboutBox::ShowSplash();
  QApplication::setApplicationName("Calorivectrix 1.1");
  check::SetReporter(ShowAssertion);
  HelpViewer::Instance().SetHelpFile("Help/heat.hlp");

  THeatForm form;
  form.show();
  TAboutBox::RaiseSplash();
  if (!command.problem.isEmpty())
    form.OpenProblemFile(command.problem);
  return app.exec();
}
