#ifndef CALORIVECTRIX_GUI_MESSAGES_H
#define CALORIVECTRIX_GUI_MESSAGES_H

// The few message boxes the program shows, behind one seam: tests install an answerer and
// read what would have been shown instead of a window waiting for a person.

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace messages {

// An error box: caption "Error", error icon, one OK button.
void ShowError(QWidget* parent, const QString& text);

// Yes / No / Cancel with a question icon; returns the button chosen.
QMessageBox::StandardButton AskYesNoCancel(QWidget* parent, const QString& caption,
                                           const QString& text);

// Yes / No with a warning icon, No the default: for a step that may cost the student dearly.
// True for Yes.
bool AskYesNo(QWidget* parent, const QString& caption, const QString& text);

// For tests: every box is passed here instead of being shown; the answer is used for
// questions. An empty function restores real boxes.
struct Shown {
  QString caption;
  QString text;
  QMessageBox::Icon icon;
};
using Answerer = std::function<QMessageBox::StandardButton(const Shown&)>;
void SetAnswerer(Answerer answerer);

}  // namespace messages

#endif
