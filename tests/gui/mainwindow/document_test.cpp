// The problem as a document in the window: opening, saving, asking before anything unsaved
// is lost, the recent list, the examples and the two exports.

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <functional>
#include <memory>
#include <utility>

#include "gui/dialogs/Outputs.h"
#include "gui/document/problemfile.h"
#include "gui/document/resultcsv.h"
#include "gui/mainwindow/SDIMain.h"
#include "gui/mainwindow/examples.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/messages.h"
#include "gui/platform/widgets.h"
#include "gui/plot/fieldpicture.h"
#include "tests/gui/support.h"

namespace {

class Document : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    messages::SetAnswerer([this](const messages::Shown& shown) {
      asked.push_back(shown);
      return answer;
    });
    // Each test starts with no recent problems.
    QSettings("Calorivectrix", "Calorivectrix").clear();
    form = std::make_unique<THeatForm>();
    form->askOpenFileName = [this](const QString&, const QString&) { return openName; };
    form->askSaveFileName = [this](const QString&, const QString&, const QString&) {
      return saveName;
    };
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void TearDown() override {
    form.reset();
    messages::SetAnswerer(nullptr);
  }

  QByteArray Saved() const { return problemfile::Serialize(*form); }
  // A change any editing window could make: a volume painted with another material.
  void Paint() {
    VolumeProperties copper = form->media->volume(3, 4);
    copper.conductivity = 401;
    form->Model().BeginStroke();
    ASSERT_TRUE(form->Model().PaintVolume(VolumeIndex{3, 4}, copper));
  }
  QByteArray FileBytes(const QString& name) const {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir dir;
  std::unique_ptr<THeatForm> form;
  QString openName;
  QString saveName;
  QMessageBox::StandardButton answer = QMessageBox::Cancel;
  std::vector<messages::Shown> asked;
};

QAction* Item(QMenu* menu, const char* name) {
  for (QAction* action : menu->actions()) {
    if (action->objectName() == name)
      return action;
  }
  return nullptr;
}

TEST_F(Document, FileMenuKeepsItsItemsAndAddsTheDocumentCommands) {
  auto* file = form->menuBar()->findChild<QMenu*>("FileMenu");
  ASSERT_TRUE(file);
  QStringList texts;
  for (QAction* a : file->actions())
    texts << (a->menu() ? a->menu()->title() : a->text());
  EXPECT_EQ(texts, (QStringList{"&New Problem", "Open &Problem...", "&Save Problem",
                                "Save Problem &As...", "&Recent Problems", "E&xamples", "",
                                "&Open Geometry...", "", "Export &Picture...",
                                "Colour &Scale in Pictures", "Export &Data...", "", "E&xit"}));
  EXPECT_EQ(form->OpenProblemItem->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(form->SaveProblemItem->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_FALSE(form->ExportDataItem->isEnabled());
  EXPECT_FALSE(form->RecentProblemsMenu->isEnabled());
}

TEST_F(Document, SavedProblemOpensAsItWas) {
  THeatForm& f = *form;
  f.SetMedia(std::make_unique<MixedMedia>(1, 1, 0.5, 0.25, 6, 12, DefaultMaterial()));
  Paint();
  ASSERT_TRUE(f.Model().AddSegment(Side::West, 0.25, 0.5,
                                   std::make_unique<FFlux>(f.functionList[1].get())));
  ASSERT_TRUE(f.Model().SetParameters(
      ProblemModel::Parameters{1e-6, 1e-6, 40, 500, 3, f.solver, f.runMode}));
  EXPECT_TRUE(f.ProblemModified());
  const QByteArray before = Saved();

  saveName = dir.filePath("pipe.cvx");
  f.SaveProblemAsItem->trigger();
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(f.problemFileName, saveName);
  EXPECT_FALSE(f.ProblemModified());
  EXPECT_EQ(FileBytes(saveName), before);

  // Start again: the default problem, then the saved one back, into the same faces.
  f.NewProblemItem->trigger();
  EXPECT_EQ(f.media->ni, 10);
  EXPECT_TRUE(f.problemFileName.isEmpty());
  const Face* west = f.westFace.get();
  f.SetManager(RunToEnd(f, UniformStart(f)).release());
  openName = saveName;
  f.OpenProblemItem->trigger();
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(Saved(), before);
  EXPECT_EQ(f.westFace.get(), west);
  EXPECT_EQ(f.westFace->count, 3);
  EXPECT_FALSE(f.manager);
  EXPECT_FALSE(f.ExportDataItem->isEnabled());
  EXPECT_FALSE(f.ProblemModified());
  ASSERT_EQ(f.recentProblems.size(), 1);
  EXPECT_EQ(f.RecentProblemsMenu->actions().value(0)->text(), "&1 pipe.cvx");
}

TEST_F(Document, UnsavedChangesAreNeverLostSilently) {
  THeatForm& f = *form;
  Paint();
  const QByteArray painted = Saved();

  // New: Cancel keeps everything, No discards.
  f.NewProblemItem->trigger();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].caption, "Confirmation");
  EXPECT_EQ(asked[0].text, "The problem was modified. Save Changes?");
  EXPECT_EQ(Saved(), painted);

  // Exit: Cancel keeps the window open.
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(Saved(), painted);

  // Yes on an untitled problem asks for a name; cancelling that keeps the window too.
  answer = QMessageBox::Yes;
  saveName.clear();
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(f.isVisible());

  // Yes with a name saves, then the program may end.
  saveName = dir.filePath("painted.cvx");
  EXPECT_TRUE(f.close());
  EXPECT_EQ(FileBytes(saveName), painted);
}

// Unsaved changes follow the history: a problem undone back to its last save is unchanged
// (no star in the title, no question), one redone past it or undone before it is changed,
// and a problem opened, new or from the examples starts a history of its own.
TEST_F(Document, UnsavedChangesFollowTheHistory) {
  THeatForm& f = *form;
  const auto changed = [&f] {
    const bool starred = f.windowTitle().endsWith('*');
    EXPECT_EQ(starred, f.ProblemModified()) << "the title says what the question says";
    return f.ProblemModified();
  };
  EXPECT_FALSE(changed());
  Paint();
  ASSERT_TRUE(f.Model().SetInitialTemperature(21.5));
  EXPECT_TRUE(changed());
  f.UndoItem->trigger();
  f.UndoItem->trigger();
  EXPECT_FALSE(changed()) << "undone back to the problem as it started";
  f.RedoItem->trigger();
  EXPECT_TRUE(changed());

  saveName = dir.filePath("saved.cvx");
  f.SaveProblemAsItem->trigger();
  const QByteArray saved = FileBytes(saveName);
  EXPECT_FALSE(changed());
  f.RedoItem->trigger();
  EXPECT_TRUE(changed());
  f.UndoItem->trigger();
  EXPECT_FALSE(changed());
  f.NewProblemItem->trigger();
  EXPECT_TRUE(asked.empty()) << "nothing to ask about";
  EXPECT_FALSE(f.UndoItem->isEnabled()) << "a new problem starts a fresh history";

  openName = saveName;
  f.OpenProblemItem->trigger();
  EXPECT_EQ(Saved(), saved);
  EXPECT_FALSE(f.UndoItem->isEnabled());
  EXPECT_FALSE(changed());
  // Undone before the save: changed, and the question comes before anything is lost.
  ASSERT_TRUE(f.Model().SetInitialTemperature(-4.25));
  ASSERT_TRUE(f.Model().Undo());
  EXPECT_FALSE(changed());
  ASSERT_TRUE(f.Model().SetInitialTemperature(99.5));
  answer = QMessageBox::Cancel;
  QAction* example = Item(f.ExamplesMenu, Examples().front().name);
  ASSERT_NE(example, nullptr);
  example->trigger();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(changed());
  answer = QMessageBox::No;
  example->trigger();
  EXPECT_FALSE(changed());
  EXPECT_FALSE(f.UndoItem->isEnabled());
  EXPECT_FALSE(f.RedoItem->isEnabled());
}

// Notes typed into the report go with its window when a command replaces the problem or
// ends the program, although the problem itself is unchanged: each such command asks first,
// as the report's own Exit does. Cancel keeps everything; Yes saves the notes, then goes on.
TEST_F(Document, NotesInTheReportAreNeverLostSilently) {
  THeatForm& f = *form;
  f.SetManager(RunToEnd(f, UniformStart(f)).release());
  f.OutputsItem->trigger();
  TOutputsDlg& report = *f.outputsDlg;
  ASSERT_TRUE(report.isVisible());
  QTest::keyClicks(report.Editor, "my notes");
  const QString notes = report.Text();
  ASSERT_TRUE(notes.contains("my notes"));
  ASSERT_FALSE(f.ProblemModified());

  QAction* example = Item(f.ExamplesMenu, Examples().front().name);
  ASSERT_NE(example, nullptr);
  openName = dir.filePath("never.cvx");
  const std::pair<const char*, std::function<void()>> commands[] = {
      {"New", [&] { f.NewProblemItem->trigger(); }},
      {"Open", [&] { f.OpenProblemItem->trigger(); }},
      {"Example", [&] { example->trigger(); }},
      {"Exit", [&] { f.ExitItem->trigger(); }},
  };
  answer = QMessageBox::Cancel;
  for (const auto& [name, command] : commands) {
    SCOPED_TRACE(name);
    asked.clear();
    command();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, "Confimation");
    EXPECT_EQ(asked[0].text, "Simulation Output text was modified. Save Changes?");
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(report.isVisible());
    EXPECT_EQ(report.Text(), notes);
    EXPECT_NE(f.manager, nullptr);
  }

  answer = QMessageBox::Yes;
  report.askSaveFileName = [&] { return dir.filePath("notes.rtf"); };
  asked.clear();
  f.NewProblemItem->trigger();
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_TRUE(FileBytes(dir.filePath("notes.rtf")).contains("my notes"));
  EXPECT_FALSE(report.isVisible());
  EXPECT_EQ(f.manager, nullptr) << "the new problem came";
  // A closed report holds no notes: nothing more is asked.
  asked.clear();
  f.NewProblemItem->trigger();
  EXPECT_TRUE(asked.empty());
}

TEST_F(Document, ABadFileChangesNothing) {
  THeatForm& f = *form;
  Paint();
  f.SetManager(RunToEnd(f, UniformStart(f)).release());
  const QByteArray before = Saved();
  QFile bad(dir.filePath("bad.cvx"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  QByteArray text = before;
  text.replace("\"ni\": 10", "\"ni\": 0");
  bad.write(text);
  bad.close();

  answer = QMessageBox::No;
  openName = bad.fileName();
  f.OpenProblemItem->trigger();
  ASSERT_EQ(asked.size(), 2u);  // whether to save the painted problem, then the refusal
  EXPECT_EQ(asked[1].caption, "Error");
  EXPECT_TRUE(asked[1].text.contains("grid.ni: expected a whole number from 2 to 1000, found 0."))
      << asked[1].text.toStdString();
  EXPECT_EQ(Saved(), before);
  EXPECT_TRUE(f.manager);
  EXPECT_TRUE(f.ProblemModified());

  // Saving where nothing can be written says so and leaves the problem unsaved.
  saveName = dir.filePath("no/such/folder.cvx");
  f.SaveProblemItem->trigger();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_TRUE(asked[2].text.startsWith("Cannot save")) << asked[2].text.toStdString();
  EXPECT_TRUE(f.ProblemModified());
  EXPECT_TRUE(f.problemFileName.isEmpty());
}

TEST_F(Document, RecentProblemsOpenAndForgetFilesThatWent) {
  THeatForm& f = *form;
  ASSERT_TRUE(f.SaveProblem(dir.filePath("a.cvx")));
  Paint();
  ASSERT_TRUE(f.SaveProblem(dir.filePath("b.cvx")));
  const QStringList both{dir.filePath("b.cvx"), dir.filePath("a.cvx")};
  EXPECT_EQ(f.recentProblems, both);
  // The list outlives the window.
  EXPECT_EQ(QSettings("Calorivectrix", "Calorivectrix").value("recentProblems").toStringList(),
            both);

  f.RecentProblemsMenu->actions().value(1)->trigger();
  EXPECT_EQ(f.problemFileName, dir.filePath("a.cvx"));
  EXPECT_EQ(f.media->volume(3, 4).conductivity, 317);
  EXPECT_EQ(f.recentProblems.first(), dir.filePath("a.cvx"));

  ASSERT_TRUE(QFile::remove(dir.filePath("b.cvx")));
  f.RecentProblemsMenu->actions().value(1)->trigger();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text.left(25), "Cannot open the problem \"");
  EXPECT_EQ(f.recentProblems, QStringList{dir.filePath("a.cvx")});
  EXPECT_EQ(f.RecentProblemsMenu->actions().size(), 1);
}

TEST_F(Document, ExportsAreWhatTheStudentSees) {
  THeatForm& f = *form;
  f.SetManager(RunToEnd(f, UniformStart(f)).release());
  f.IsothermsItem->trigger();
  saveName = dir.filePath("field.png");
  // The drawing area alone, when the student asks for it.
  ASSERT_TRUE(f.ScaleInPicturesItem->isChecked());
  f.ScaleInPicturesItem->trigger();
  f.ExportPictureItem->trigger();
  const QImage picture(saveName);
  const QImage shown = f.Draw->grab().toImage().convertToFormat(picture.format());
  ASSERT_EQ(picture.size(), f.Draw->size());
  EXPECT_TRUE(picture == shown);

  // By default the scale stands beside it: the plot unchanged, then a column holding every
  // band's colour once, hottest at the top, in equal blocks, and the time above them.
  f.ScaleInPicturesItem->trigger();
  f.ExportPictureItem->trigger();
  const QImage scaled(saveName);
  ASSERT_EQ(scaled.size(), QSize(f.Draw->width() + kPictureScaleWidth, f.Draw->height()));
  EXPECT_TRUE(scaled.copy(QRect(QPoint(0, 0), f.Draw->size())) == picture);
  const int bands = f.nLines - 1;
  std::vector<std::pair<QRgb, int>> runs;
  const int column = f.Draw->width() + 16;
  for (int y = 0; y < scaled.height(); ++y) {
    const QRgb c = scaled.pixel(column, y);
    if (c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255))
      continue;
    if (runs.empty() || runs.back().first != c)
      runs.push_back({c, 0});
    ++runs.back().second;
  }
  ASSERT_EQ(static_cast<int>(runs.size()), bands);
  for (int k = 0; k < bands; ++k) {
    EXPECT_EQ(runs[k].first, TemperatureColor((bands - k - 0.5) / bands, 0.5).rgb()) << k;
    EXPECT_NEAR(runs[k].second, runs[0].second, 1) << k;
  }
  int written = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = f.Draw->width(); x < scaled.width(); ++x)
      written += scaled.pixel(x, y) != qRgb(0, 0, 0);
  }
  EXPECT_GT(written, 20) << "the time above the scale";
  // The material view has no temperatures to scale.
  f.MediaItem->trigger();
  f.ExportPictureItem->trigger();
  EXPECT_EQ(QImage(saveName).size(), f.Draw->size());

  // The data are those of the snapshot shown, not of the last one.
  f.FirstFrameBtn->click();
  ASSERT_EQ(f.curSnapshot, 0);
  ASSERT_TRUE(f.ExportDataItem->isEnabled());
  saveName = dir.filePath("field.csv");
  f.ExportDataItem->trigger();
  EXPECT_EQ(FileBytes(saveName), SnapshotCsv(*f.media, f.manager->Snapshot(0)));
  EXPECT_NE(FileBytes(saveName), SnapshotCsv(*f.media, f.manager->LastSnapshot()));
  EXPECT_TRUE(asked.empty());
}

// Every example opens from the menu, untitled and unmodified; every showcase runs to its end
// with temperatures between the extremes its boundaries and sources allow (the tutorials'
// numbers are checked against the help by the command-line tests).
TEST_F(Document, ExamplesOpenAndRun) {
  THeatForm& f = *form;
  ASSERT_FALSE(Examples().empty());
  for (const Example& example : Examples()) {
    SCOPED_TRACE(example.name);
    QAction* item = Item(f.ExamplesMenu, example.name);
    ASSERT_TRUE(item);
    item->trigger();
    ASSERT_TRUE(asked.empty()) << asked.back().text.toStdString();
    EXPECT_TRUE(f.problemFileName.isEmpty());
    EXPECT_FALSE(f.ProblemModified());
    // The shipped file is what the program writes today.
    QFile file(example.resource);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), Saved()) << "regenerate with calorivectrix_make_examples";
    EXPECT_EQ(HelpTopicOf(item), example.helpTopic);
    if (example.tutorial)
      continue;

    const std::unique_ptr<SimManager> m = RunToEnd(f, UniformStart(f));
    EXPECT_GT(m->Count(), 2);
    EXPECT_TRUE(std::isfinite(m->minT) && std::isfinite(m->maxT));
    EXPECT_GE(m->minT, 0 - 1e-9);
    EXPECT_LE(m->maxT, 400);
    EXPECT_GT(m->maxT - m->minT, 1);
  }
}

}  // namespace
