#include "gui/platform/messages.h"

namespace messages {

namespace {
Answerer& InstalledAnswerer() {
  static Answerer answerer;
  return answerer;
}
}  // namespace

void SetAnswerer(Answerer answerer) {
  InstalledAnswerer() = std::move(answerer);
}

void ShowError(QWidget* parent, const QString& text) {
  if (InstalledAnswerer()) {
    InstalledAnswerer()(Shown{"Error", text, QMessageBox::Critical});
    return;
  }
  QMessageBox::critical(parent, "Error", text);
}

QMessageBox::StandardButton AskYesNoCancel(QWidget* parent, const QString& caption,
                                           const QString& text) {
  if (InstalledAnswerer())
    return InstalledAnswerer()(Shown{caption, text, QMessageBox::Question});
  return QMessageBox::question(parent, caption, text,
                               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
  if (InstalledAnswerer())
    return InstalledAnswerer()(Shown{caption, text, QMessageBox::Warning}) == QMessageBox::Yes;
  return QMessageBox::warning(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace messages
