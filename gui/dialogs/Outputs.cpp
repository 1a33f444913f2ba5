#include "gui/dialogs/Outputs.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QShowEvent>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "gui/dialogs/outputreport.h"
#include "gui/document/savefile.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/icons.h"
#include "gui/platform/messages.h"
#include "gui/platform/rtfwriter.h"
#include "sim/check.h"

const char* const TOutputsDlg::kTitle = "Calorivectrix 1.1 simulation output";

namespace {

// The report's columns line up only in a font whose characters are all equally wide.
QFont ReportFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setPointSize(10);
  return font;
}

int LongestLine(const QString& text) {
  int longest = 0;
  for (const QStringView line : QStringView(text).split(QLatin1Char('\n')))
    longest = std::max(longest, static_cast<int>(line.size()));
  return longest;
}

// The document printer leaves 2 cm on each side of the page's printable area.
constexpr double kPrintMarginPoints = 2.0 / 2.54 * 72.0;

}  // namespace

namespace {

// How many characters of `family` at `points` fit across the printer's page, measured on the
// printer itself, with a little slack: layout rounds each character to device pixels.
double CharactersAcross(const QString& family, double points, QPrinter& printer) {
  QFont probe(family);
  probe.setStyleHint(QFont::Monospace);
  probe.setPointSizeF(100);
  const double advance = QFontMetricsF(probe, &printer).horizontalAdvance(QLatin1Char('0')) * 72.0 /
                         printer.resolution() * points / 100;
  const double width =
      printer.pageLayout().paintRect(QPageLayout::Point).width() - 2 * kPrintMarginPoints;
  return 0.97 * width / advance;
}

}  // namespace

double PrintPointSize(const QString& text, const QString& family, QPrinter& printer) {
  const int longest = LongestLine(text);
  if (longest == 0)
    return 10;
  const double fit = 100 * CharactersAcross(family, 100, printer) / longest;
  return std::clamp(std::floor(fit * 2) / 2, 6.0, 10.0);
}

int PrintLineLength(const QString& family, double points, QPrinter& printer) {
  return std::max(1, static_cast<int>(CharactersAcross(family, points, printer)));
}

namespace {

constexpr int kCellWidth = 17;

// The row label of a table line (" 12:", "1000:" or "Sum:"), or an empty view.
QStringView RowLabel(QStringView line) {
  if (line.startsWith(QLatin1String("Sum:")))
    return line.left(4);
  int k = 0;
  while (k < line.size() && line[k] == QLatin1Char(' '))
    ++k;
  const int digits = k;
  while (k < line.size() && line[k].isDigit())
    ++k;
  if (k == digits || k >= line.size() || line[k] != QLatin1Char(':'))
    return QStringView();
  return line.left(k + 1);
}

// A run of table rows as blocks of at most `perBlock` cells each.
void AppendBlocks(QStringList& out, const QList<QStringView>& rows, int perBlock) {
  int cells = 0;
  for (QStringView row : rows)
    cells = std::max(cells, static_cast<int>((row.size() - RowLabel(row).size()) / kCellWidth));
  for (int first = 0; first < cells; first += perBlock) {
    const int last = std::min(cells, first + perBlock);
    out << QStringLiteral("Columns %1 to %2 of %3:").arg(first + 1).arg(last).arg(cells);
    for (QStringView row : rows) {
      const QStringView label = RowLabel(row);
      const QStringView rest = row.mid(label.size());
      // The last block takes whatever follows the last whole cell (a row's "Sum:").
      const qsizetype from = static_cast<qsizetype>(first) * kCellWidth;
      const qsizetype length =
          last == cells ? -1 : static_cast<qsizetype>(last - first) * kCellWidth;
      out << label.toString() +
                 (from < rest.size() ? rest.mid(from, length).toString() : QString());
    }
    if (last < cells)
      out << QString();
  }
}

}  // namespace

QString ColumnBlocks(const QString& text, int width) {
  const QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
  QStringList out;
  for (qsizetype k = 0; k < lines.size();) {
    if (RowLabel(lines[k]).isEmpty()) {
      out << lines[k].toString();
      ++k;
      continue;
    }
    QList<QStringView> rows;
    qsizetype widest = 0;
    int label = 0;
    for (; k < lines.size() && !RowLabel(lines[k]).isEmpty(); ++k) {
      rows << lines[k];
      widest = std::max(widest, lines[k].size());
      label = std::max(label, static_cast<int>(RowLabel(lines[k]).size()));
    }
    if (widest <= width) {
      for (QStringView row : rows)
        out << row.toString();
      continue;
    }
    AppendBlocks(out, rows, std::max(1, (width - label) / kCellWidth));
  }
  return out.join(QLatin1Char('\n'));
}

QString PrintFileName(const QString& reportFile, const QString& folder) {
  if (!reportFile.isEmpty()) {
    const QFileInfo info(reportFile);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
  }
  return QDir(folder).filePath(QStringLiteral("simulation-output.pdf"));
}

TOutputsDlg::TOutputsDlg(OutputsTarget& outputsTarget, QWidget* parent)
    : QDialog(parent), target(outputsTarget) {
  BuildForm();

  askSaveFileName = [this] {
    QFileDialog dialog(this, QStringLiteral("Save simulation outputs"), fileName,
                       QStringLiteral("rtf file (*.rtf);;All files (*.*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The file is rich text whatever it is called; a name typed without an extension gets
    // the one that says so.
    dialog.setDefaultSuffix(QStringLiteral("rtf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      return QString();
    return dialog.selectedFiles().constFirst();
  };
  askPrinter = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
}

void TOutputsDlg::BuildForm() {
  setObjectName(QStringLiteral("OutputsDlg"));
  setWindowTitle(QStringLiteral("Simulation outputs"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint |
                 Qt::WindowContextHelpButtonHint);
  InstallContextHelp(this, topic::kOutputsDlg);
  SetHelpTopic(this, topic::kOutputsDlg);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* bar = new QMenuBar(this);
  layout->setMenuBar(bar);
  auto item = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& key) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    // The editor has its own clipboard keys; the menu's are the same commands.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    return action;
  };
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  SaveItem = item(file, "SaveItem", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  SaveAsItem = item(file, "SaveAsItem", QStringLiteral("Save &as..."), QKeySequence(Qt::Key_F12));
  file->addSeparator();
  PrintItem = item(file, "PrintItem", QStringLiteral("&Print"), QKeySequence(Qt::CTRL | Qt::Key_P));
  file->addSeparator();
  ExitItem = item(file, "ExitItem", QStringLiteral("&Exit"), QKeySequence());
  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  CutItem = item(edit, "CutItem", QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X));
  CopyItem = item(edit, "CopyItem", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
  PasteItem = item(edit, "PasteItem", QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
  edit->addSeparator();
  SelectAllItem = item(edit, "SelectAllItem", QStringLiteral("Select &All"), QKeySequence());
  HelpItem = bar->addAction(QStringLiteral("&Help"));
  HelpItem->setObjectName(QStringLiteral("HelpItem"));

  auto* tools = new QToolBar(this);
  tools->setObjectName(QStringLiteral("ToolBar"));
  tools->setIconSize(QSize(20, 20));
  auto button = [tools](const char* name, const char* icon, const QString& hint) {
    auto* b = new QToolButton(tools);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(ToolIcon(QString::fromLatin1(icon)));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    tools->addWidget(b);
    return b;
  };
  SaveBtn = button("SaveBtn", "save", QStringLiteral("Save"));
  PrintBtn = button("PrintBtn", "print", QStringLiteral("Print Output Text"));
  tools->addSeparator();
  CutBtn = button("CutBtn", "cut", QStringLiteral("Cut"));
  CopyBtn = button("CopyBtn", "copy", QStringLiteral("Copy"));
  PasteBtn = button("PasteBtn", "paste", QStringLiteral("Paste"));
  for (QToolButton* b : {SaveBtn, PrintBtn})
    SetHelpTopic(b, topic::kReportFile);
  for (QToolButton* b : {CutBtn, CopyBtn, PasteBtn})
    SetHelpTopic(b, topic::kReportEdit);
  for (QAction* item : {SaveItem, SaveAsItem, PrintItem, ExitItem})
    SetHelpTopic(item, topic::kReportFile);
  for (QAction* item : {CutItem, CopyItem, PasteItem, SelectAllItem})
    SetHelpTopic(item, topic::kReportEdit);
  layout->addWidget(tools);

  Editor = new QPlainTextEdit(this);
  Editor->setObjectName(QStringLiteral("Editor"));
  Editor->setFont(ReportFont());
  Editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetHelpTopic(Editor, topic::kReportText);
  layout->addWidget(Editor, 1);
  resize(640, 440);

  connect(Editor, &QPlainTextEdit::textChanged, this, &TOutputsDlg::EditorChange);
  connect(SaveItem, &QAction::triggered, this, &TOutputsDlg::SaveClick);
  connect(SaveBtn, &QToolButton::clicked, this, &TOutputsDlg::SaveClick);
  connect(SaveAsItem, &QAction::triggered, this, &TOutputsDlg::SaveAsClick);
  connect(PrintItem, &QAction::triggered, this, &TOutputsDlg::PrintClick);
  connect(PrintBtn, &QToolButton::clicked, this, &TOutputsDlg::PrintClick);
  connect(ExitItem, &QAction::triggered, this, &TOutputsDlg::ExitClick);
  for (auto [action, tool, slot] : {std::tuple{CutItem, CutBtn, &QPlainTextEdit::cut},
                                    std::tuple{CopyItem, CopyBtn, &QPlainTextEdit::copy},
                                    std::tuple{PasteItem, PasteBtn, &QPlainTextEdit::paste}}) {
    connect(action, &QAction::triggered, Editor, slot);
    connect(tool, &QToolButton::clicked, Editor, slot);
  }
  connect(SelectAllItem, &QAction::triggered, Editor, &QPlainTextEdit::selectAll);
  connect(HelpItem, &QAction::triggered, this, &TOutputsDlg::HelpClick);
}

// ---- Showing and closing ----------------------------------------------------------------

void TOutputsDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Coming back from the task bar is not a new showing: the text stays as it was.
  if (!event->spontaneous())
    FormShow();
}

void TOutputsDlg::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous())
    Emptied();
}

void TOutputsDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TOutputsDlg::FormShow() {
  fileName.clear();
  fileNameKnown = false;
  BuildReport();
  modified = false;
}

void TOutputsDlg::Emptied() {
  Editor->clear();
}

void TOutputsDlg::BuildReport() {
  const SimManager* results = target.Results();
  const SimSnapshot* shown = target.ShownSnapshot();
  INVARIANT(results != nullptr && shown != nullptr, "manager");
  const ReportLines lines =
      OutputReport(ReportSource{*results, *shown, target.Grid(), target.Reference()});
  Editor->setPlainText(QString::fromStdString(JoinReport(lines)));
}

void TOutputsDlg::EditorChange() {
  SaveBtn->setEnabled(true);
  modified = true;
}

QString TOutputsDlg::Text() const {
  return Editor->toPlainText();
}

// ---- Saving ----------------------------------------------------------------------------

bool TOutputsDlg::SaveClick() {
  if (!fileNameKnown)
    return SaveAsClick();
  if (!WriteTo(fileName))
    return false;
  SaveBtn->setEnabled(false);
  return true;
}

bool TOutputsDlg::SaveAsClick() {
  const QString chosen = askSaveFileName ? askSaveFileName() : QString();
  if (chosen.isEmpty())
    return false;
  // A name the text could not be written to is not the report's file: the next Save asks
  // again rather than failing again.
  if (!WriteTo(chosen))
    return false;
  fileName = chosen;
  fileNameKnown = true;
  SaveBtn->setEnabled(false);
  return true;
}

bool TOutputsDlg::WriteTo(const QString& name) {
  // Written beside the target and checked before it replaces it, so a failure never leaves
  // half a report in place of an existing file.
  QString reason;
  if (WriteFileBytes(name, PlainTextToRtf(Text(), RtfFont{QStringLiteral("Courier New"), 10}),
                     &reason)) {
    return true;
  }
  reason[0] = reason[0].toUpper();
  messages::ShowError(this, QStringLiteral("Cannot save the simulation outputs to\n%1\n\n%2.")
                                .arg(QDir::toNativeSeparators(name), reason));
  return false;
}

// ---- Printing --------------------------------------------------------------------------

void TOutputsDlg::PrintClick() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromLatin1(kTitle));
  // Printing to a file would otherwise propose a name cut from the title at its last dot
  // ("Calorivectrix 1.pdf"). The name is given without taking the choice of a printer away.
  const QPrinter::OutputFormat format = printer.outputFormat();
  const QString printerName = printer.printerName();
  printer.setOutputFileName(
      PrintFileName(fileNameKnown ? fileName : QString(), QDir::currentPath()));
  if (format == QPrinter::NativeFormat && !printerName.isEmpty()) {
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(printerName);
  }
  // Tables too wide for a portrait page at a readable size are offered across the page.
  printer.setPageOrientation(QPageLayout::Portrait);
  if (PrintPointSize(Text(), Editor->font().family(), printer) < 8)
    printer.setPageOrientation(QPageLayout::Landscape);
  if (!askPrinter || !askPrinter(printer))
    return;
  if (!PrintTo(printer))
    messages::ShowError(this, QStringLiteral("Cannot print the simulation outputs."));
}

bool TOutputsDlg::PrintTo(QPrinter& printer) const {
  printer.setDocName(QString::fromLatin1(kTitle));
  QTextDocument document;
  QString text = Text();
  QFont font = Editor->font();
  // Lines that do not fit even at the smallest size would wrap and scatter a table's map:
  // the tables too wide for it go in blocks of columns.
  const double points = PrintPointSize(text, font.family(), printer);
  const int across = PrintLineLength(font.family(), points, printer);
  if (across < LongestLine(text))
    text = ColumnBlocks(text, across);
  font.setPointSizeF(points);
  document.setDefaultFont(font);
  QTextOption option = document.defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  document.setDefaultTextOption(option);
  document.setPlainText(text);
  document.print(&printer);
  return printer.printerState() != QPrinter::Error;
}

void TOutputsDlg::HelpClick() {
  ShowHelpTopic(topic::kOutputsDlg);
}

// ---- Exit ------------------------------------------------------------------------------

bool TOutputsDlg::AskAboutChanges() {
  if (!modified)
    return true;
  const QMessageBox::StandardButton answer = messages::AskYesNoCancel(
      this, QStringLiteral("Confimation"),
      QStringLiteral("Simulation Output text was modified. Save Changes?"));
  if (answer == QMessageBox::Cancel)
    return false;
  // The student asked to keep the edits: they may go only once they are in a file.
  return answer == QMessageBox::No || SaveClick();
}

bool TOutputsDlg::MayDiscardText() {
  // A closed dialog holds no text.
  return !isVisible() || AskAboutChanges();
}

void TOutputsDlg::ExitClick() {
  if (AskAboutChanges())
    close();
}
