#include "gui/dialogs/dialogparts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>

#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"

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
  WatchDecimalSeparator(edit);
  return edit;
}

void WatchDecimalSeparator(QLineEdit* field) {
  const char* const ownTip = "ownToolTip";
  QObject::connect(field, &QLineEdit::textChanged, field, [field, ownTip](const QString& text) {
    const QString advice = SeparatorAdvice(text);
    const bool advising = field->property(ownTip).isValid();
    if (advice.isEmpty()) {
      if (advising) {
        field->setToolTip(field->property(ownTip).toString());
        field->setProperty(ownTip, QVariant());
        QToolTip::hideText();
      }
      return;
    }
    if (!advising)
      field->setProperty(ownTip, field->toolTip());
    const QString tip = QStringLiteral("Not read as a number: ") + advice;
    field->setToolTip(tip);
    // Shown at once: a field refused without a word is what the student stumbled on.
    if (field->isVisible())
      QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), tip, field);
  });
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
