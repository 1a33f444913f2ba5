#ifndef CALORIVECTRIX_GUI_DIALOGPARTS_H
#define CALORIVECTRIX_GUI_DIALOGPARTS_H

// Pieces the small editing dialogs are built from, so that their buttons and fields look
// and behave alike: named controls carrying their help topics, and the row of OK, Cancel
// and Help along the bottom.

#include <QString>

class QBoxLayout;
class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

// A push button with its objectName and help topic (0: none).
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int helpTopic);

// A single-line edit with its objectName, wide enough for a number in General-15, that says
// which decimal separator it expects when a number is typed with the other one.
QLineEdit* MakeNumberEdit(QWidget* parent, const char* name);

// Makes a field say, in its tooltip and at once beside it, which decimal separator is
// expected whenever its text does not read only because of the separator ("0.3" where the
// user's separator is ","); its own tooltip comes back once the text reads.
void WatchDecimalSeparator(QLineEdit* field);

struct DialogButtons {
  QPushButton* ok;
  QPushButton* cancel;
  QPushButton* help;
};

// OK (the default button), Cancel and Help, right-aligned in a row added to `layout`, with
// the shared help topics of the three. Cancel is wired to reject; OK and Help are left to
// the dialog.
DialogButtons AddDialogButtons(QWidget* dialog, QBoxLayout* layout, const QString& okCaption,
                               const QString& cancelCaption);

// "&OK" (the default button) and "&Cancel" after a stretch in `layout`, a row or a column,
// for the small dialogs without a Help button (help is null). Cancel is wired to reject.
DialogButtons AddOkCancel(QDialog* dialog, QBoxLayout* layout);

#endif
