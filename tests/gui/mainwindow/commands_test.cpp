// Every menu item and tool button of the main window acts: it opens its window, changes
// what is shown, or shows its help; none does nothing. Walked with and without results.

#include <gtest/gtest.h>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstdint>
#include <map>
#include <set>

#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/legend.h"
#include "gui/platform/help.h"
#include "gui/platform/messages.h"
#include "tests/gui/support.h"

namespace {

// What a student could see change after a command.
struct Seen {
  std::set<QString> windows;
  HelpViewer::Request help;
  std::string state;

  bool operator!=(const Seen& o) const {
    return windows != o.windows || help.command != o.help.command || help.topic != o.help.topic ||
           state != o.state;
  }
};

Seen Look(const THeatForm& f) {
  Seen seen;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != &f && w->isVisible())
      seen.windows.insert(w->windowTitle());
  }
  seen.help = HelpViewer::Instance().LastRequest();
  seen.state = std::to_string(static_cast<int>(f.viewMode)) + " " +
               std::to_string(f.Legend->isVisible()) + " " + std::to_string(f.curSnapshot) + " " +
               std::to_string(f.Playing()) + " " + std::to_string(f.fluxScale) + " " +
               std::to_string(f.HeatFluxVectorsItem->isChecked()) + " " +
               std::to_string(f.isVisible()) + " " +
               // A problem opened or made anew is a new grid object, even when it looks the same.
               std::to_string(reinterpret_cast<std::uintptr_t>(f.media.get())) + " " +
               std::to_string(f.manager != nullptr) + " " + std::to_string(f.Timer->interval()) +
               " " + std::to_string(f.ScaleInPicturesItem->isChecked());
  return seen;
}

// The caption of the window each command opens.
const std::map<QString, QString> kCaptions = {
    {"GeometryItem", "Automatic Geometry Generation"},
    {"PhysicalPropertiesItem", "Physical Properties Specification"},
    {"BoundaryItem", "Boundary Conditions"},
    {"InitialItem", "Temperature"},
    {"RunItem", "Simulation"},
    {"ParametersItem", "Simulation Parameters"},
    {"OutputsItem", "Simulation outputs"},
    {"AnimationTimesItem", "Animation Times"},
    {"DynamicPlotsItem", "Dynamic Plots"},
    {"AboutItem", "About"}};

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    HelpViewer::Instance().SetShowWindows(false);
    // A question (for example about unsaved work) is answered No, so nothing is kept open.
    messages::SetAnswerer([](const messages::Shown&) { return QMessageBox::No; });
    form = std::make_unique<THeatForm>();
    // Asking for a file is what Open Geometry visibly does; the student then cancels.
    form->askGridFileName = [this] {
      ++fileDialogs;
      return QString();
    };
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void TearDown() override {
    CloseOthers();
    form.reset();
    messages::SetAnswerer({});
    HelpViewer::Instance().SetShowWindows(true);
  }
  void CloseOthers() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w != form.get() && w->isVisible())
        w->close();
    }
  }

  // Triggers the command and tells what it changed. A modal window it opens is seen and
  // closed by a timer, since exec() does not return until then.
  bool Acts(const std::function<void()>& command, QString* opened) {
    HelpViewer::Instance().ShowTopic(-1);
    // Playback left running by an earlier command would hide what Play does.
    if (form->Playing())
      form->PauseBtnClick();
    const int asked = fileDialogs;
    const Seen before = Look(*form);
    QString modal;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (QWidget* m = QApplication::activeModalWidget()) {
        modal = m->windowTitle();
        m->close();
      }
    });
    closer.start();
    command();
    QCoreApplication::processEvents();
    closer.stop();
    const Seen after = Look(*form);
    *opened = modal;
    return !modal.isEmpty() || after != before || fileDialogs != asked;
  }

  void WalkEverything(const std::set<QString>& needResults) {
    THeatForm& f = *form;
    std::vector<QAction*> items;
    for (QAction* a : f.menuBar()->findChildren<QAction*>()) {
      if (!a->menu() && !a->isSeparator() && !a->objectName().isEmpty())
        items.push_back(a);
    }
    ASSERT_GE(items.size(), 25u);
    for (QAction* a : items) {
      const QString name = a->objectName();
      if (name == "ExitItem")
        continue;
      const bool hasResults = f.manager != nullptr;
      // Choosing again the option already chosen of a set changes nothing, rightly.
      if (a->isChecked() && a->actionGroup() && a->actionGroup()->isExclusive())
        continue;
      // Undo and Redo are greyed with nothing to take back; the undo tests drive them.
      if (!a->isEnabled() && (name == "UndoItem" || name == "RedoItem"))
        continue;
      if (!a->isEnabled()) {
        EXPECT_TRUE(!hasResults && needResults.count(name)) << name.toStdString() << " is disabled";
        continue;
      }
      QString opened;
      const Seen before = Look(f);
      EXPECT_TRUE(Acts([a] { a->trigger(); }, &opened)) << name.toStdString() << " did nothing";
      for (const QString& w : Look(f).windows) {
        if (before.windows.count(w) == 0) {
          opened = w;
        }
      }
      if (const auto expected = kCaptions.find(name); expected != kCaptions.end()) {
        EXPECT_EQ(opened, expected->second) << name.toStdString();
      }
      CloseOthers();
    }
    for (QToolButton* b : f.SpeedPanel->findChildren<QToolButton*>()) {
      const QString name = b->objectName();
      if (name.isEmpty() || name == "HelpBtnCPopup" || !b->isVisible())
        continue;
      if (!b->isEnabled())
        continue;  // the frame buttons follow the shown snapshot; their rules are tested apart
      QString opened;
      EXPECT_TRUE(Acts([b] { b->click(); }, &opened)) << name.toStdString() << " did nothing";
      CloseOthers();
    }
    QString opened;
    EXPECT_TRUE(Acts([&f] { f.ExitItem->trigger(); }, &opened));
    EXPECT_FALSE(f.isVisible());
  }

  std::unique_ptr<THeatForm> form;
  int fileDialogs = 0;
};

const std::set<QString> kNeedResults = {
    "OutputsItem",         "PlayAnimationItem", "TemperatureFieldItem", "IsothermsItem",
    "HeatFluxVectorsItem", "DynamicPlotsItem",  "ExportDataItem"};

TEST_F(Commands, EachActsWithoutResults) {
  WalkEverything(kNeedResults);
}

TEST_F(Commands, EachActsWithResults) {
  form->SetManager(RunToEnd(*form, UniformStart(*form)).release());
  form->ShowSnapshot(0);
  WalkEverything(kNeedResults);
}

}  // namespace
