#include "gui/dialogs/Outputs.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gui/dialogs/outputreport.h"
#include "gui/platform/messages.h"
#include "sim/tutorials.h"
#include "tests/gui/readers.h"
#include "tests/gui/support.h"

namespace {

// The main window as the dialog sees it.
class FakeTarget : public OutputsTarget {
 public:
  const SimManager* Results() const override { return results.get(); }
  const SimSnapshot* ShownSnapshot() const override {
    return results ? &results->Snapshot(shown) : nullptr;
  }

  std::unique_ptr<SimManager> results;
  int shown = 0;
};

double Number(const std::string& text, bool& ok) {
  return QByteArray::fromStdString(text).trimmed().toDouble(&ok);
}

// `count` numbers from `start`, each `gap` spaces and 16 characters right-aligned, and
// nothing after the last unless `tail` allows it.
std::vector<double> Fields(const std::string& line, std::size_t start, int count, int gap = 1,
                           bool tail = false) {
  const std::size_t width = 16 + gap;
  std::vector<double> values;
  EXPECT_TRUE(tail ? line.size() >= start + width * count : line.size() == start + width * count)
      << line;
  for (int k = 0; k < count && start + width * (k + 1) <= line.size(); ++k) {
    const std::string field = line.substr(start + width * k, width);
    EXPECT_EQ(field.substr(0, gap), std::string(gap, ' ')) << line;
    EXPECT_NE(field.back(), ' ') << line;
    bool ok = false;
    values.push_back(Number(field, ok));
    EXPECT_TRUE(ok) << field;
  }
  return values;
}

// A label of fixed width followed by numbers without separating spaces.
std::vector<double> LabelledFields(const std::string& line, const std::string& label, int count) {
  EXPECT_EQ(line.substr(0, label.size()), label);
  return Fields(line, label.size(), count, 0);
}

std::string RowLabel(int row) {
  std::string label = std::to_string(row) + ":";
  return std::string(4 - label.size(), ' ') + label;
}

// Relative agreement within the eight digits the report prints.
void ExpectPrinted(double printed, double exact) {
  EXPECT_NEAR(printed, exact, 1e-7 * std::fabs(exact) + 1e-300) << "exact " << exact;
}

TEST(OutputReport, NumbersTakeSixteenCharactersAndHeatFlowsReversed) {
  EXPECT_EQ(ReportReal(0.5), std::string(13, ' ') + "0.5");
  EXPECT_EQ(ReportReal(1000), std::string(12, ' ') + "1000");
  EXPECT_EQ(ReportReal(0.000012345678), "   1.2345678e-05");
  EXPECT_EQ(ReportReal(ReportedHeat(3)), std::string(14, ' ') + "-3");
  // An insulated face carries no heat either way.
  EXPECT_EQ(ReportReal(ReportedHeat(0.0)), std::string(15, ' ') + "0");
  EXPECT_EQ(ReportReal(-2.5e300, 0), "-2.5e+300");
  EXPECT_EQ(ReportInteger(7, 3), "  7");
}

// The report of the default run, line by line: a bar conducting from the hot East to the
// cold West at 317 W/m through its full height.
TEST(OutputReport, DefaultRunLineByLine) {
  const SolvedDefault run;
  const SimManager& m = *run.manager;
  ASSERT_GE(m.Count(), 2);
  const SimSnapshot& s = m.LastSnapshot();
  const ReportLines lines = OutputReport(ReportSource{m, s});
  // The tables, then the convergence check's thirteen lines.
  ASSERT_EQ(lines.size(), 77u);

  EXPECT_EQ(lines[0], "Calorivectrix 1.1 simulation output");
  EXPECT_EQ(lines[1], std::string(35, '='));
  EXPECT_EQ(lines[3], "*** Snapshot:");
  ExpectPrinted(LabelledFields(lines[5], "Current time:             ", 1).at(0), s.Time());
  ExpectPrinted(LabelledFields(lines[6], "Last simulated time:      ", 1).at(0), s.Time());
  EXPECT_EQ(LabelledFields(lines[7], "Time steps performed:     ", 1).at(0), s.Iteration());
  EXPECT_EQ(lines[8], "Time interval (sec.):                   20");
  EXPECT_EQ(lines[9], "Number of volumes (WE/NS):              10              10");
  EXPECT_EQ(lines[11], "*** Statistics:");
  EXPECT_EQ(lines[13], "Temperature:");
  const auto globalT = LabelledFields(lines[14], "    Global (min/max): ", 2);
  ExpectPrinted(globalT.at(0), m.minT);
  ExpectPrinted(globalT.at(1), m.maxT);
  LabelledFields(lines[15], "    Local (min/max):  ", 2);
  EXPECT_EQ(lines[17], "Flux SN:");
  // The flow runs East to West, so the reported West-East rates are negative, and the
  // reversed largest stored rate comes first. Over the run they start from nothing.
  const auto globalWE = LabelledFields(lines[18], "    Global (min/max): ", 2);
  ExpectPrinted(globalWE.at(0), -m.maxHeatWE);
  ExpectPrinted(globalWE.at(1), -m.minHeatWE);
  EXPECT_EQ(globalWE.at(1), 0);
  const auto localWE = LabelledFields(lines[19], "    Local (min/max):  ", 2);
  ExpectPrinted(localWE.at(0), -s.maxHeatWE);
  EXPECT_LE(localWE.at(0), localWE.at(1));
  EXPECT_LT(localWE.at(1), -31);
  EXPECT_EQ(lines[21], "Flux WE:");
  LabelledFields(lines[22], "    Global (min/max): ", 2);
  LabelledFields(lines[23], "    Local (min/max):  ", 2);
  EXPECT_EQ(lines[25], "*** Simulation values:");
  for (int blank : {2, 4, 10, 12, 16, 20, 24, 26, 38, 51})
    EXPECT_EQ(lines[blank], "") << "line " << blank + 1;

  // Temperatures: North row first, West to East, linear from 0.05 to 0.95 once steady (to
  // the run's tolerance).
  EXPECT_EQ(lines[27], "Temperature:");
  for (int r = 0; r < 10; ++r) {
    const std::string& line = lines[28 + r];
    EXPECT_EQ(line.substr(0, 4), RowLabel(10 - r));
    const auto t = Fields(line, 4, 10);
    for (int i = 0; i < static_cast<int>(t.size()); ++i)
      EXPECT_NEAR(t[i], (i + 0.5) / 10, 1e-3) << line;
  }

  EXPECT_EQ(lines[39], "Flux SN (flux from West to East):");
  std::vector<double> columnSums(11, 0.0);
  for (int r = 0; r < 10; ++r) {
    const std::string& line = lines[40 + r];
    EXPECT_EQ(line.substr(0, 4), RowLabel(10 - r));
    const auto q = Fields(line, 4, 11);
    for (int i = 0; i < static_cast<int>(q.size()); ++i) {
      EXPECT_NEAR(q[i], -31.7, 0.1) << line;
      columnSums[i] += q[i];
    }
  }
  ASSERT_EQ(lines[50].substr(0, 4), "Sum:");
  const auto sums = Fields(lines[50], 4, 11);
  for (int i = 0; i < static_cast<int>(sums.size()); ++i) {
    ExpectPrinted(sums[i], columnSums[i]);
    EXPECT_NEAR(sums[i], -317, 1);
  }

  // South-North faces: 11 lines of 10, nothing crosses the insulated sides, and each row
  // ends with its sum.
  EXPECT_EQ(lines[52], "Flux WE (flux from South to North):");
  for (int r = 0; r < 11; ++r) {
    const std::string& line = lines[53 + r];
    EXPECT_EQ(line.substr(0, 4), RowLabel(11 - r));
    const auto q = Fields(line, 4, 10, 1, true);
    const std::string tail = line.substr(std::min(line.size(), std::size_t{4 + 170}));
    ASSERT_EQ(tail.substr(0, 7), "  Sum: ") << line;
    bool ok = false;
    const double sum = Number(tail.substr(7), ok);
    ASSERT_TRUE(ok) << line;
    EXPECT_EQ(tail.substr(7).find(' '), std::string::npos) << "the row sum has no padding";
    double total = 0;
    for (double v : q) {
      EXPECT_NEAR(v, 0, 0.01);
      total += v;
    }
    // The insulated North and South sides carry nothing, written without a sign.
    if (r == 0 || r == 10) {
      EXPECT_EQ(line.find('-'), std::string::npos) << line;
      EXPECT_EQ(sum, 0);
    }
    EXPECT_NEAR(sum, total, 1e-9);
  }
  EXPECT_EQ(lines[63].substr(0, 4), RowLabel(1));
}

// Showing the dialog builds the report of the snapshot the window shows, whole, however
// wide the grid: a row of 100 volumes is 1704 characters.
// With the problem's reference, the report ends with how far the field lies from it. The
// composite wall's layers meet on a grid line, where the method is exact: the differences
// are what the tolerances leave, and the heat rates are the hand calculation's 9.3913 W/m
// in at West and out at East. A grid that does not fit the results adds nothing.
TEST(OutputReport, ReferenceSectionComparesTheFieldWithTheExactSolution) {
  auto problem = tutorial::CompositeWall();
  const auto run = tutorial::Run(*problem);
  const SimSnapshot& s = run->LastSnapshot();
  const ReportLines plain = OutputReport(ReportSource{*run, s});
  const ReportLines lines =
      OutputReport(ReportSource{*run, s, problem->media.get(), &*problem->reference});
  ASSERT_EQ(lines.size(), plain.size() + 11);
  const std::size_t at = plain.size();
  EXPECT_EQ(lines[at + 1], "*** Reference solution: Composite wall");
  EXPECT_EQ(lines[at + 3], "Temperature (run - reference):");
  const std::string largest = "    Largest difference:   ";
  ASSERT_EQ(lines[at + 4].substr(0, largest.size()), largest);
  EXPECT_LT(std::abs(Fields(lines[at + 4], largest.size(), 1, 0, true).at(0)), 1e-5);
  EXPECT_EQ(lines[at + 4].substr(largest.size() + 16, 12), "  at volume ");
  EXPECT_LT(std::abs(LabelledFields(lines[at + 5], "    Average difference:   ", 1).at(0)), 1e-5);
  const auto run_ = LabelledFields(lines[at + 8], "    Run:                  ", 4);
  const auto exact = LabelledFields(lines[at + 9], "    Reference:            ", 4);
  const auto difference = LabelledFields(lines[at + 10], "    Difference:           ", 4);
  const double in[4] = {0, 0, -9.3913, 9.3913};  // North, South, East, West
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(exact[k], in[k], 5e-5) << k;
    EXPECT_NEAR(run_[k], in[k], 5e-5) << k;
    EXPECT_NEAR(difference[k], 0, 1e-5) << k;
  }

  const CartesianMedia other(0.25, 1.0, 10, 2, DefaultMaterial());
  EXPECT_EQ(OutputReport(ReportSource{*run, s, &other, &*problem->reference}).size(),
            plain.size());
}

TEST(OutputsDlg, ShowBuildsTheReportOfTheShownSnapshotWholeRowsIncluded) {
  FakeTarget target;
  ProblemRecord p;
  p.media = std::make_unique<CartesianMedia>(2.0, 0.3, 100, 3, DefaultMaterial());
  p.SetParameters(1e-5, 1e-5, 6, 10000, 5);
  auto marks = std::make_unique<NumVector<int>>(3);
  (*marks)[0] = 0;
  (*marks)[1] = 3;
  (*marks)[2] = 6;
  p.SetMarks(std::move(marks));
  target.results = RunToEnd(p, UniformStart(p));
  ASSERT_GE(target.results->Count(), 3);
  // The problem's time step changed after the run: the report gives the run's.
  p.SetParameters(1e-5, 1e-5, 6, 10000, 20);
  target.shown = 1;

  TOutputsDlg dlg(target);
  dlg.show();
  EXPECT_FALSE(dlg.Modified());
  EXPECT_FALSE(dlg.FileNameKnown());
  EXPECT_TRUE(dlg.SaveBtn->isEnabled());
  EXPECT_EQ(dlg.Editor->lineWrapMode(), QPlainTextEdit::NoWrap);

  const QStringList lines = dlg.Text().split('\n');
  ASSERT_EQ(lines.size(), 34 + 3 * 3 + 13);
  EXPECT_EQ(lines[5].toStdString(), "Current time:             " + std::string(14, ' ') + "15");
  EXPECT_EQ(lines[6].toStdString(), "Last simulated time:      " + std::string(14, ' ') + "30");
  EXPECT_EQ(lines[7].toStdString(), "Time steps performed:     " + std::string(15, ' ') + "3");
  EXPECT_EQ(lines[8].toStdString(), "Time interval (sec.):     " + std::string(15, ' ') + "5");
  // A field half way through the run is a moment of the transient, and says so.
  EXPECT_TRUE(lines[lines.size() - 2].startsWith("Not at steady state: at step 3 of 6 the field "))
      << lines[lines.size() - 2].toStdString();
  const SimSnapshot& s = target.results->Snapshot(1);
  for (int r = 0; r < 3; ++r) {
    const std::string row = lines[28 + r].toStdString();
    ASSERT_EQ(row.size(), 1704u);
    const auto t = Fields(row, 4, 100);
    ASSERT_EQ(t.size(), 100u);
    ExpectPrinted(t[99], s.T[99][2 - r]);
    ExpectPrinted(t[0], s.T[0][2 - r]);
  }
  EXPECT_EQ(lines[36].size(), 4 + 101 * 17) << "the Sum line of the West-East faces";

  // The report stays as built while the dialog is open; a new showing builds it afresh.
  target.shown = 2;
  dlg.Editor->appendPlainText("a note");
  EXPECT_TRUE(dlg.Modified());
  dlg.close();
  EXPECT_TRUE(dlg.Text().isEmpty()) << "closing empties the editor";
  dlg.show();
  EXPECT_FALSE(dlg.Modified());
  EXPECT_FALSE(dlg.Text().contains("a note"));
  EXPECT_TRUE(dlg.Text().startsWith(lines.mid(0, 5).join('\n')));
  EXPECT_TRUE(dlg.Text().contains(QString("Current time:             ") + QString(14, ' ') + "30"));
}

// A row of 100 volumes cannot be printed whole: cut into blocks of columns at any width, the
// report keeps every other line as it was and every row of every table, in order, with its
// label: putting each table's blocks side by side again gives the table back.
TEST(OutputReport, WideTablesPrintInBlocksOfColumnsThatKeepTheirRows) {
  ProblemRecord p;
  p.media = std::make_unique<CartesianMedia>(2.0, 0.3, 100, 3, DefaultMaterial());
  p.SetParameters(1e-5, 1e-5, 6, 10000, 5);
  const std::unique_ptr<SimManager> run = RunToEnd(p, UniformStart(p));
  const QString text =
      QString::fromStdString(JoinReport(OutputReport(ReportSource{*run, run->LastSnapshot()})));
  const QRegularExpression rowLabel("^( *\\d+:|Sum:)");
  for (int width : {40, 121, 500, 1703}) {
    SCOPED_TRACE(width);
    const QStringList printed = ColumnBlocks(text, width).split('\n');
    QStringList rebuilt;
    std::vector<QString> table;  // rows of the table being put together
    std::size_t row = 0;
    for (int k = 0; k < printed.size(); ++k) {
      const QString& line = printed[k];
      const QRegularExpressionMatch label = rowLabel.match(line);
      if (line.startsWith("Columns ")) {
        row = 0;
        continue;
      }
      if (label.hasMatch()) {
        // Only the last block of a row may run past the width (its sum at the end).
        if (!line.contains("Sum: ") || line.startsWith("Sum:")) {
          EXPECT_LE(line.size(), std::max(width, 4 + 17)) << line.toStdString();
        }
        if (row == table.size())
          table.push_back(line);
        else
          table[row] += line.mid(label.captured(1).size());
        ++row;
        continue;
      }
      if (line.isEmpty() && k + 1 < printed.size() && printed[k + 1].startsWith("Columns "))
        continue;  // between two blocks
      for (const QString& whole : table)
        rebuilt << whole;
      table.clear();
      row = 0;
      rebuilt << line;
    }
    for (const QString& whole : table)
      rebuilt << whole;
    EXPECT_EQ(rebuilt.join('\n').toStdString(), text.toStdString());
  }
  // Tables that fit are left alone.
  EXPECT_EQ(ColumnBlocks(text, 1800), text);
  EXPECT_EQ(PrintFileName(QString(), "/tmp/class"), "/tmp/class/simulation-output.pdf");
  EXPECT_EQ(PrintFileName("/home/ana/lab 3/wall.v2.rtf", "/tmp"), "/home/ana/lab 3/wall.v2.pdf");
}

class OutputsDlgFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    target.results = RunToEnd(problem, UniformStart(problem));
    target.shown = target.results->Count() - 1;
    dlg = std::make_unique<TOutputsDlg>(target);
    dlg->askSaveFileName = [this] {
      ++asked;
      return answerName;
    };
    messages::SetAnswerer([this](const messages::Shown& shown) {
      boxes.push_back(shown);
      return answer;
    });
    dlg->show();
    // Keyboard shortcuts reach the active window only.
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
  }
  void TearDown() override { messages::SetAnswerer(nullptr); }

  QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir dir;
  ProblemRecord problem;
  FakeTarget target;
  std::unique_ptr<TOutputsDlg> dlg;
  int asked = 0;
  QString answerName;
  std::vector<messages::Shown> boxes;
  QMessageBox::StandardButton answer = QMessageBox::Cancel;
};

// Save asks for a name once, then writes to it; Save as asks again. The file holds the
// editor's text, edits included, as another reader sees it.
TEST_F(OutputsDlgFiles, SaveAsksOnceAndAnotherReaderReadsTheText) {
  answerName = dir.filePath("report.rtf");
  QTest::keyClicks(dlg->Editor, "{edited} \\ ");
  QTest::keySequence(dlg->Editor, QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(dlg->FileNameKnown());
  EXPECT_EQ(dlg->FileName(), answerName);
  EXPECT_FALSE(dlg->SaveBtn->isEnabled());
  EXPECT_TRUE(dlg->Modified()) << "saving keeps the modified flag";
  bool ok = false;
  EXPECT_EQ(UnrtfText(answerName, ok).toStdString(), dlg->Text().toStdString());
  ASSERT_TRUE(ok) << "unrtf could not read the report (see tools/install-deps)";

  QTest::keyClicks(dlg->Editor, "more");
  EXPECT_TRUE(dlg->SaveBtn->isEnabled());
  dlg->SaveBtn->click();
  EXPECT_EQ(asked, 1) << "the second Save writes to the same file without asking";
  EXPECT_EQ(UnrtfText(answerName, ok).toStdString(), dlg->Text().toStdString());

  answerName = dir.filePath("copy.rtf");
  QTest::keyClick(dlg->Editor, Qt::Key_F12);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(dlg->FileName(), answerName);
  EXPECT_TRUE(Contents(answerName).startsWith("{\\rtf1"));
  EXPECT_TRUE(boxes.empty());
}

// A save that cannot be written says why and keeps the text, the flags and any existing
// file as they were; cancelling the save dialog changes nothing.
TEST_F(OutputsDlgFiles, FailedOrCancelledSaveKeepsEverything) {
  QTest::keyClicks(dlg->Editor, "keep me");
  const QString text = dlg->Text();

  answerName.clear();
  EXPECT_FALSE(dlg->SaveClick());
  EXPECT_TRUE(boxes.empty());

  answerName = dir.filePath("no such folder/report.rtf");
  EXPECT_FALSE(dlg->SaveClick());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(boxes[0].text.contains("no such folder")) << boxes[0].text.toStdString();

  const QString locked = dir.filePath("locked.rtf");
  {
    QFile file(locked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious");
  }
  ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadUser));
  answerName = locked;
  EXPECT_FALSE(dlg->SaveAsClick());
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(Contents(locked), "precious");

  EXPECT_EQ(dlg->Text(), text);
  EXPECT_TRUE(dlg->Modified());
  EXPECT_TRUE(dlg->SaveBtn->isEnabled());
  EXPECT_FALSE(dlg->FileNameKnown()) << "a name that could not be written is not remembered";
}

// Exit asks about edits. Cancel stays; No closes; Yes closes only once the text is in a
// file, so a cancelled or failed save keeps the dialog and the text.
TEST_F(OutputsDlgFiles, ExitClosesOnlyWhenEditsAreSavedOrGivenUp) {
  dlg->ExitItem->trigger();
  EXPECT_TRUE(boxes.empty()) << "an unedited report closes without asking";
  EXPECT_FALSE(dlg->isVisible());

  dlg->show();
  QTest::keyClicks(dlg->Editor, "my notes");
  const QString text = dlg->Text();
  answer = QMessageBox::Cancel;
  dlg->ExitClick();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Confimation");
  EXPECT_EQ(boxes[0].text, "Simulation Output text was modified. Save Changes?");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
  EXPECT_TRUE(dlg->isVisible());

  answer = QMessageBox::Yes;
  answerName.clear();  // the save dialog is cancelled
  dlg->ExitClick();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->Text(), text);

  answerName = dir.filePath("missing/notes.rtf");  // cannot be written
  dlg->ExitClick();
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->Text(), text);

  answerName = dir.filePath("notes.rtf");
  dlg->ExitClick();
  EXPECT_FALSE(dlg->isVisible());
  bool ok = false;
  EXPECT_EQ(UnrtfText(answerName, ok), text);

  // Saved, then Exit: the flag was not cleared, so it asks again; No closes.
  dlg->show();
  QTest::keyClicks(dlg->Editor, "x");
  answer = QMessageBox::No;
  const std::size_t before = boxes.size();
  dlg->ExitClick();
  EXPECT_EQ(boxes.size(), before + 1);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_TRUE(dlg->Text().isEmpty());
}

TEST_F(OutputsDlgFiles, FrameCloseDoesNotAskAndEscapeDoesNotClose) {
  QTest::keyClicks(dlg->Editor, "edit");
  QTest::keyClick(dlg->Editor, Qt::Key_Escape);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_TRUE(dlg->Text().contains("edit"));
  dlg->close();
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_TRUE(dlg->Text().isEmpty());
}

// Printing into a PDF: another reader finds the title and the table, each row of the
// temperature table on one line of the page.
TEST_F(OutputsDlgFiles, PrintsTheReportIntoAPdf) {
  const QString pdf = dir.filePath("report.pdf");
  int offered = 0;
  dlg->askPrinter = [&](QPrinter& printer) {
    ++offered;
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape)
        << "the wide tables are offered across the page";
    // A file name of its own, not the title cut at its last dot.
    EXPECT_EQ(printer.outputFileName(), QDir::current().filePath("simulation-output.pdf"));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  };
  dlg->PrintBtn->click();
  ASSERT_EQ(offered, 1);
  EXPECT_TRUE(boxes.empty());

  bool ok = false;
  const QString text = PdfText(pdf, ok);
  ASSERT_TRUE(ok) << "pdftotext could not read the file (see tools/install-deps)";
  EXPECT_TRUE(text.contains("Calorivectrix 1.1 simulation output"));
  const SimSnapshot& s = target.results->Snapshot(target.shown);
  QString northRow;
  for (const QString& line : text.split('\n')) {
    if (line.trimmed().startsWith("10:") && northRow.isEmpty())
      northRow = line;
  }
  ASSERT_FALSE(northRow.isEmpty()) << text.toStdString();
  const QStringList values = northRow.trimmed().mid(3).split(' ', Qt::SkipEmptyParts);
  ASSERT_EQ(values.size(), 10) << northRow.toStdString();
  EXPECT_EQ(values[0].toStdString(), ReportReal(s.T[0][9], 0));
  EXPECT_EQ(values[9].toStdString(), ReportReal(s.T[9][9], 0));

  const QString info = QString::fromUtf8(RunReader("pdfinfo", {pdf}, ok));
  EXPECT_TRUE(info.contains(QRegularExpression("Title:\\s+Calorivectrix 1.1 simulation output")))
      << info.toStdString();

  // A cancelled print dialog prints nothing.
  QFile::remove(pdf);
  dlg->askPrinter = [](QPrinter&) { return false; };
  dlg->PrintItem->trigger();
  EXPECT_FALSE(QFile::exists(pdf));
}

}  // namespace
