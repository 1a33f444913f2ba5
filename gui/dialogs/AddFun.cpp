#include "gui/dialogs/AddFun.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "gui/dialogs/dialogparts.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/surface.h"
#include "gui/platform/widgets.h"
#include "gui/plot/rcanvas.h"

double PreviewScale(double v) {
  double sign = 1;
  if (v < 0) {
    sign = -1;
    v = -v;
  }
  // The loops below would never end on an infinity (or a NaN).
  if (!std::isfinite(v))
    return sign * std::numeric_limits<double>::infinity();
  if (v == 0)
    return sign;
  if (v < 1) {
    double p = 10;
    while (std::trunc(v) == 0) {
      v = v * 10;
      p = p * 0.1;
    }
    return sign * p;
  }
  if (v == 1)
    return sign;
  double p = 1;
  while (std::trunc(v) != 0) {
    v = v * 0.1;
    p = p * 10;
  }
  return sign * p;
}

namespace {

const char* const kKinds[] = {"Constant", "Linear", "Sine", "Cosine"};

QLineEdit* MakeField(QWidget* parent, const char* name, const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setAlignment(Qt::AlignRight);
  WatchDecimalSeparator(edit);
  return edit;
}

bool Read(const QLineEdit* edit, double& value) {
  return ParseDecimal(edit->text(), value);
}

}  // namespace

TFunctionDlg::TFunctionDlg(QWidget* parent) : QDialog(parent) {
  BuildForm();
  connect(CBType, &QComboBox::currentIndexChanged, this, &TFunctionDlg::CBTypeChange);
  for (QLineEdit* edit : {ConstK, LinA, LinB, SinA, SinB, SinC, CosA, CosB, CosC})
    connect(edit, &QLineEdit::textChanged, this, &TFunctionDlg::BuildFunction);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  BuildFunction();
}

TFunctionDlg::~TFunctionDlg() = default;

void TFunctionDlg::BuildForm() {
  setObjectName(QStringLiteral("FunctionDlg"));
  setWindowTitle(QStringLiteral("Custom Function"));
  InstallContextHelp(this, topic::kBoundaryDlg);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  auto* top = new QHBoxLayout;
  auto* kindLabel = new QLabel(QStringLiteral("&Type"), this);
  CBType = new QComboBox(this);
  CBType->setObjectName(QStringLiteral("CBType"));
  for (const char* kind : kKinds)
    CBType->addItem(QString::fromLatin1(kind));
  SetHelpTopic(CBType, topic::kFunctionKind);
  kindLabel->setBuddy(CBType);
  top->addWidget(kindLabel);
  top->addWidget(CBType, 1);
  layout->addLayout(top);

  Pages = new QStackedWidget(this);
  Pages->setObjectName(QStringLiteral("Pages"));
  const QString pi = FormatGeneral(3.1415);
  struct PageSpec {
    const char* caption;
    std::vector<std::pair<const char*, QLineEdit**>> fields;
    std::vector<QString> texts;
  };
  const PageSpec specs[] = {
      {" f(x) = k ", {{"ConstK", &ConstK}}, {QStringLiteral("0")}},
      {" f(x) = a*x + b ",
       {{"LinA", &LinA}, {"LinB", &LinB}},
       {QStringLiteral("1"), QStringLiteral("0")}},
      {" f(x) = a + b*sin(c*x) ",
       {{"SinA", &SinA}, {"SinB", &SinB}, {"SinC", &SinC}},
       {QStringLiteral("0"), QStringLiteral("1"), pi}},
      {" f(x) = a + b*cos(c*x) ",
       {{"CosA", &CosA}, {"CosB", &CosB}, {"CosC", &CosC}},
       {QStringLiteral("0"), QStringLiteral("1"), pi}},
  };
  for (int k = 0; k < 4; ++k) {
    auto* group = new QGroupBox(QString::fromLatin1(specs[k].caption));
    group->setObjectName(QString::fromLatin1(kKinds[k]));
    SetHelpTopic(group, topic::kFunctionConstants);
    auto* form = new QFormLayout(group);
    form->setContentsMargins(8, 4, 8, 6);
    for (std::size_t f = 0; f < specs[k].fields.size(); ++f) {
      const auto& [name, slot] = specs[k].fields[f];
      *slot = MakeField(group, name, specs[k].texts[f]);
      // The field's own letter: the last one of its name ("ConstK" is k).
      const QString letter = QString(QChar(name[std::strlen(name) - 1])).toLower();
      form->addRow(letter + QStringLiteral(" ="), *slot);
    }
    Pages->addWidget(group);
  }
  // The pages take the room of the tallest; the preview gets the rest.
  Pages->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  layout->addWidget(Pages);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("PreviewPanel"));
  panel->setAutoFillBackground(true);
  QPalette white = panel->palette();
  white.setColor(QPalette::Window, Qt::white);
  panel->setPalette(white);
  SetHelpTopic(panel, topic::kFunctionPreview);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(2, 2, 2, 2);
  Draw = new TPaintBox(panel);
  Draw->setObjectName(QStringLiteral("Draw"));
  Draw->setMinimumSize(200, 120);
  Draw->onPaint = [this](QPainter& painter) { PaintPreview(painter); };
  panelLayout->addWidget(Draw);
  layout->addWidget(panel, 1);

  auto* buttons = new QHBoxLayout;
  const DialogButtons okCancel = AddOkCancel(this, buttons);
  OkBtn = okCancel.ok;
  CancelBtn = okCancel.cancel;
  layout->addLayout(buttons);

  setFixedSize(260, 330);
}

void TFunctionDlg::CBTypeChange() {
  Pages->setCurrentIndex(std::max(0, CBType->currentIndex()));
  BuildFunction();
}

void TFunctionDlg::BuildFunction() {
  pending.reset();
  double a = 0, b = 0, c = 0;
  switch (CBType->currentIndex()) {
    case 0:
      if (Read(ConstK, a)) {
        pending = std::make_unique<FConstant>(a);
        ymin = 0;
        ymax = PreviewScale(a);
        if (ymin > ymax)
          std::swap(ymin, ymax);
      }
      break;
    case 1:
      if (Read(LinA, a) && Read(LinB, b)) {
        pending = std::make_unique<FLinear>(a, b);
        const double s = std::fabs(PreviewScale(std::max(b, a + b)));
        ymin = -s;
        ymax = s;
      }
      break;
    case 2:
    case 3:
      if (CBType->currentIndex() == 2 ? Read(SinA, a) && Read(SinB, b) && Read(SinC, c)
                                      : Read(CosA, a) && Read(CosB, b) && Read(CosC, c)) {
        if (CBType->currentIndex() == 2) {
          pending = std::make_unique<FSin>(a, b, c);
        } else {
          pending = std::make_unique<FCos>(a, b, c);
        }
        const double s = std::fabs(PreviewScale(std::fabs(a) + std::fabs(b)));
        ymin = -s;
        ymax = s;
      }
      break;
    default:
      break;
  }
  OkBtn->setEnabled(pending != nullptr);
  Draw->update();
}

void TFunctionDlg::PaintPreview(QPainter& painter) {
  painter.fillRect(Draw->rect(), Qt::white);
  // A range beyond the numbers (a function with infinite values) has nothing to show.
  if (!pending || !std::isfinite(ymin) || !std::isfinite(ymax) || !std::isfinite(ymax - ymin))
    return;
  Surface surface(painter);
  RCanvas canvas(surface, PixelRect{0, 0, Draw->width(), Draw->height()}, Point{0, ymin},
                 Point{1, ymax}, 6);
  const double tick = 0.2 * std::max(std::fabs(ymin), std::fabs(ymax));
  canvas.DrawAxes(Qt::black, Point{0, 0}, Point{0.2, tick});
  canvas.PlotFunction(0, 1, *pending, Qt::red);
}

void TFunctionDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    BuildFunction();
}

void TFunctionDlg::done(int result) {
  if (result != QDialog::Accepted)
    pending.reset();
  QDialog::done(result);
}
