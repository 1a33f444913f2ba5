#include "gui/dialogs/dialogparts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "gui/platform/helptopics.h"

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int helpTopic) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  if (helpTopic != 0)
    SetHelpTopic(button, helpTopic);
  return button;
}

QLineEdit* MakeNumberEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMinimumWidth(96);
  return edit;
}

DialogButtons AddDialogButtons(QWidget* dialog, QBoxLayout* layout, const QString& okCaption,
                               const QString& cancelCaption) {
  DialogButtons buttons{};
  buttons.ok = MakeButton(dialog, "OKBtn", okCaption, topic::kOkButton);
  buttons.cancel = MakeButton(dialog, "CancelBtn", cancelCaption, topic::kCancelButton);
  buttons.help = MakeButton(dialog, "HelpBtn", QStringLiteral("&Help"), topic::kHelpButton);
  buttons.ok->setDefault(true);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* button : {buttons.ok, buttons.cancel, buttons.help}) {
    button->setMinimumWidth(75);
    row->addWidget(button);
  }
  layout->addLayout(row);
  if (auto* owner = qobject_cast<QDialog*>(dialog))
    QObject::connect(buttons.cancel, &QPushButton::clicked, owner, &QDialog::reject);
  return buttons;
}

DialogButtons AddOkCancel(QDialog* dialog, QBoxLayout* layout) {
  DialogButtons buttons{};
  buttons.ok = MakeButton(dialog, "OkBtn", QStringLiteral("&OK"), topic::kOkButton);
  buttons.ok->setDefault(true);
  buttons.cancel = MakeButton(dialog, "CancelBtn", QStringLiteral("&Cancel"), topic::kCancelButton);
  buttons.cancel->setAutoDefault(false);
  layout->addStretch(1);
  layout->addWidget(buttons.ok);
  layout->addWidget(buttons.cancel);
  QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  return buttons;
}
