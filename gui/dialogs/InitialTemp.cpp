#include "gui/dialogs/InitialTemp.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "gui/dialogs/dialogparts.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"

TInitialTempDlg::TInitialTempDlg(ProblemModel& model, QWidget* parent)
    : QDialog(parent), model(model), problem(model.Problem()) {
  setObjectName(QStringLiteral("InitialTempDlg"));
  setWindowTitle(QStringLiteral("Temperature"));
  InstallContextHelp(this, topic::kInitialTempDlg);

  auto* layout = new QVBoxLayout(this);
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  SetHelpTopic(panel, topic::kInitialTempPanel);
  auto* row = new QHBoxLayout(panel);
  Temp = MakeNumberEdit(panel, "Temp");
  auto* label = new QLabel(QStringLiteral("Initial &temperature"), panel);
  label->setBuddy(Temp);
  row->addWidget(label);
  row->addWidget(Temp);
  layout->addWidget(panel);

  const DialogButtons buttons =
      AddDialogButtons(this, layout, QStringLiteral("OK"), QStringLiteral("Cancel"));
  OKBtn = buttons.ok;
  CancelBtn = buttons.cancel;
  HelpBtn = buttons.help;
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(Temp, &QLineEdit::textChanged, this, &TInitialTempDlg::TempChange);
  connect(OKBtn, &QPushButton::clicked, this, &TInitialTempDlg::OKBtnClick);
  connect(HelpBtn, &QPushButton::clicked, this, &TInitialTempDlg::HelpBtnClick);
}

void TInitialTempDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TInitialTempDlg::FormShow() {
  Temp->setText(FormatGeneral(problem.initialTemp));
  TempChange();
  Temp->setFocus();
  Temp->selectAll();
}

bool TInitialTempDlg::TempChange() {
  double value = 0;
  const bool valid = ParseDecimal(Temp->text(), value);
  OKBtn->setEnabled(valid);
  return valid;
}

void TInitialTempDlg::OKBtnClick() {
  double value = 0;
  if (!ParseDecimal(Temp->text(), value))
    return;
  model.SetInitialTemperature(value);
  accept();
}

void TInitialTempDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kInitialTempDlg);
}
