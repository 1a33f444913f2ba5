#ifndef CALORIVECTRIX_GUI_OUTPUTS_H
#define CALORIVECTRIX_GUI_OUTPUTS_H

// The outputs dialog: the text report of the snapshot on show, in an editor where the
// student can change it, save it as a rich-text file and print it.
//
// The report is built each time the dialog is shown and stays as it is while the dialog is
// open. Closing empties the editor; Exit asks about unsaved changes, and so does the main
// window before its commands close the dialog or end the program (MayDiscardText); either
// goes on only when the changes are kept (saved) or given up (No). Saving never clears the
// modified flag, so Exit asks again after a save if the text was edited.
//
// The rules (FormShow, the clicks, writing and printing) are plain members; the file name
// and the printer are asked for through replaceable functions, so tests run them without
// windows waiting for a person.

#include <QDialog>
#include <QString>
#include <functional>

#include "gui/dialogs/outputstarget.h"

class QAction;
class QHideEvent;
class QKeyEvent;
class QPlainTextEdit;
class QPrinter;
class QShowEvent;
class QToolButton;

class TOutputsDlg : public QDialog {
  Q_OBJECT

 public:
  // The target holds the results; it must outlive the dialog.
  explicit TOutputsDlg(OutputsTarget& target, QWidget* parent = nullptr);

  // Each time the dialog is shown: no file name, a fresh report, not modified.
  void FormShow();
  // Replaces the editor's text by the report of the snapshot the target shows.
  void BuildReport();

  // True when the text was written. Save asks for a name when none is known yet.
  bool SaveClick();
  bool SaveAsClick();
  void PrintClick();
  // Asks about unsaved changes; closes unless the answer was Cancel or the save failed.
  void ExitClick();
  // Before the owner closes the dialog or the program ends: while the dialog is open with
  // edited text, asks about it as Exit does. False when the text must stay (Cancel, or a
  // save that did not happen).
  bool MayDiscardText();
  void HelpClick();

  // Writes the editor's text as rich text, all or nothing; on failure shows why and
  // returns false, the text and the flags unchanged.
  bool WriteTo(const QString& fileName);
  // Prints the editor's text as one document; false if the printer could not be used.
  bool PrintTo(QPrinter& printer) const;

  QString Text() const;
  bool Modified() const { return modified; }
  bool FileNameKnown() const { return fileNameKnown; }
  QString FileName() const { return fileName; }

  // Ask for a file name to save to (empty: cancelled) and set up the printer (false:
  // cancelled). Tests replace them.
  std::function<QString()> askSaveFileName;
  std::function<bool(QPrinter&)> askPrinter;

  QPlainTextEdit* Editor;
  QToolButton* SaveBtn;
  QToolButton* PrintBtn;
  QToolButton* CutBtn;
  QToolButton* CopyBtn;
  QToolButton* PasteBtn;
  QAction* SaveItem;
  QAction* SaveAsItem;
  QAction* PrintItem;
  QAction* ExitItem;
  QAction* CutItem;
  QAction* CopyItem;
  QAction* PasteItem;
  QAction* SelectAllItem;
  QAction* HelpItem;

  static const char* const kTitle;

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing by any means (Exit, the frame's close box) empties the editor.
  void hideEvent(QHideEvent* event) override;
  // Escape would close the dialog and, with it, throw the text away: it does nothing here.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildForm();
  void EditorChange();
  void Emptied();
  // The question of Exit: true when the text may go.
  bool AskAboutChanges();

  OutputsTarget& target;
  QString fileName;
  bool fileNameKnown = false;
  bool modified = false;
};

// The point size at which the longest line of `text` fits the printer's page in `family`,
// between 6 and 10 points (longer lines wrap).
double PrintPointSize(const QString& text, const QString& family, QPrinter& printer);

// How many characters of `family` at `points` fit across the printer's page.
int PrintLineLength(const QString& family, double points, QPrinter& printer);

// The report with its tables cut into blocks of columns no wider than `width` characters, so
// that a table wider than the page keeps its map layout instead of wrapping: a run of table
// rows (each a row label such as " 12:" or "Sum:", then cells of 17 characters) too wide is
// printed as consecutive blocks, each headed by the columns it holds and each row keeping its
// label. Every other line, and tables that fit, stay as they are.
QString ColumnBlocks(const QString& text, int width);

// The file a print to PDF proposes: the report's own name with ".pdf" once it has been saved,
// else "simulation-output.pdf" in `folder`.
QString PrintFileName(const QString& reportFile, const QString& folder);

#endif
