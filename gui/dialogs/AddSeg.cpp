#include "gui/dialogs/AddSeg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <sstream>

#include "gui/dialogs/dialogparts.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"

namespace {

const QString kCustom = QStringLiteral("Custom...");
const QString kTInfinity = QStringLiteral("T\u221e");

// The printed form of a function as the lists show it, in the user's notation.
QString Printed(const Function1D& function, int limit) {
  std::ostringstream out;
  function.Print(out);
  return LocalisedNumbers(QString::fromStdString(out.str())).left(limit);
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
  p.drawLine(from, to);
  const QPointF d = to - from;
  const double length = std::hypot(d.x(), d.y());
  if (length == 0)
    return;
  const QPointF u = d / length;
  const QPointF n(-u.y(), u.x());
  QPolygonF head;
  head << to << to - 6 * u + 3 * n << to - 6 * u - 3 * n;
  p.drawPolygon(head);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TConditionPicture

TConditionPicture::TConditionPicture(const QString& kind, QWidget* parent)
    : QWidget(parent), kind(kind) {
  setObjectName(kind);
  setFixedSize(96, 96);
}

void TConditionPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), Qt::white);
  // The solid on the left, its wall at x = 40.
  const double wall = 40;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(QRectF(4, 6, wall - 4, 84));
  p.setPen(QPen(Qt::black, 1));
  for (double y = 2; y < 96; y += 8)
    p.drawLine(QPointF(4, y + 8), QPointF(std::min(wall, 4 + 12.0), y - 4));
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(QPointF(wall, 6), QPointF(wall, 90));

  QFont font = p.font();
  font.setPixelSize(14);
  font.setItalic(true);
  p.setFont(font);
  p.setPen(QPen(QColor(0, 0, 160), 1.5));
  p.setBrush(QColor(0, 0, 160));
  if (kind == QLatin1String("ConvImg")) {
    // A fluid flowing along the wall.
    for (double x : {52.0, 64.0, 76.0})
      Arrow(p, QPointF(x, 84), QPointF(x, 14 + (x - 52) * 0.5));
    p.setPen(Qt::black);
    p.drawText(QRectF(56, 0, 40, 16), Qt::AlignCenter, kTInfinity);
    p.drawText(QRectF(wall + 2, 38, 14, 18), Qt::AlignCenter, QStringLiteral("h"));
  } else if (kind == QLatin1String("FluxImg")) {
    for (double y : {24.0, 48.0, 72.0})
      Arrow(p, QPointF(86, y), QPointF(wall + 3, y));
    p.setPen(Qt::black);
    p.drawText(QRectF(wall + 8, 28, 40, 18), Qt::AlignCenter, QStringLiteral("q\""));
  } else {
    p.setPen(QPen(QColor(200, 0, 0), 1));
    p.setBrush(QColor(200, 0, 0));
    p.drawEllipse(QPointF(wall, 48), 4, 4);
    p.setPen(Qt::black);
    p.drawText(QRectF(wall + 8, 38, 20, 18), Qt::AlignCenter, QStringLiteral("T"));
  }
}

// ---------------------------------------------------------------------------------------
// TSegmentDlg

TSegmentDlg::TSegmentDlg(ProblemModel& model, SegmentTarget& target, QWidget* parent)
    : QDialog(parent), model(model), problem(model.Problem()), target(target) {
  BuildForm();
  FillFunctionLists();
  CBTypeChange();
  LimitsChange();
  connect(CBType, &QComboBox::currentIndexChanged, this, &TSegmentDlg::CBTypeChange);
  connect(Start, &QLineEdit::textChanged, this, &TSegmentDlg::LimitsChange);
  connect(End, &QLineEdit::textChanged, this, &TSegmentDlg::LimitsChange);
  connect(CBF0, &QComboBox::activated, this, [this] { FunctionChosen(CBF0); });
  connect(CBF1, &QComboBox::activated, this, [this] { FunctionChosen(CBF1); });
  for (QComboBox* list : {CBF0, CBF1}) {
    list->installEventFilter(this);
    connect(list, &QComboBox::currentIndexChanged, this, &TSegmentDlg::UpdateOk);
  }
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TSegmentDlg::BuildForm() {
  setObjectName(QStringLiteral("SegmentDlg"));
  setWindowTitle(QStringLiteral("Segment Definition"));
  InstallContextHelp(this, topic::kBoundaryDlg);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);

  auto* kindRow = new QHBoxLayout;
  auto* kindLabel = new QLabel(QStringLiteral("&Type"), this);
  CBType = new QComboBox(this);
  CBType->setObjectName(QStringLiteral("CBType"));
  CBType->addItems(
      {QStringLiteral("Convection"), QStringLiteral("Flux"), QStringLiteral("Temperature")});
  SetHelpTopic(CBType, topic::kSegmentKind);
  kindLabel->setBuddy(CBType);
  kindRow->addWidget(kindLabel);
  kindRow->addWidget(CBType, 1);
  layout->addLayout(kindRow, 0, 0);

  Limits = new QGroupBox(QStringLiteral("&Limits"), this);
  Limits->setObjectName(QStringLiteral("Limits"));
  SetHelpTopic(Limits, topic::kSegmentLimits);
  auto* limits = new QGridLayout(Limits);
  limits->setContentsMargins(8, 4, 8, 6);
  Start = new QLineEdit(QStringLiteral("0"), Limits);
  Start->setObjectName(QStringLiteral("Start"));
  End = new QLineEdit(QStringLiteral("1"), Limits);
  End->setObjectName(QStringLiteral("End"));
  WatchDecimalSeparator(Start);
  WatchDecimalSeparator(End);
  limits->addWidget(new QLabel(QStringLiteral("Start"), Limits), 0, 0);
  limits->addWidget(Start, 0, 1);
  limits->addWidget(new QLabel(QStringLiteral("End"), Limits), 1, 0);
  limits->addWidget(End, 1, 1);
  layout->addWidget(Limits, 1, 0);

  Functions = new QGroupBox(QStringLiteral("&f(x)"), this);
  Functions->setObjectName(QStringLiteral("Functions"));
  SetHelpTopic(Functions, topic::kSegmentFunction);
  auto* functions = new QGridLayout(Functions);
  functions->setContentsMargins(8, 4, 8, 6);
  LF0 = new QLabel(QStringLiteral("h"), Functions);
  LF0->setObjectName(QStringLiteral("LF0"));
  LF0->setMinimumWidth(22);
  CBF0 = new QComboBox(Functions);
  CBF0->setObjectName(QStringLiteral("CBF0"));
  LF1 = new QLabel(kTInfinity, Functions);
  LF1->setObjectName(QStringLiteral("LF1"));
  CBF1 = new QComboBox(Functions);
  CBF1->setObjectName(QStringLiteral("CBF1"));
  for (QComboBox* list : {CBF0, CBF1}) {
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(14);
  }
  functions->addWidget(LF0, 0, 0);
  functions->addWidget(CBF0, 0, 1);
  functions->addWidget(LF1, 1, 0);
  functions->addWidget(CBF1, 1, 1);
  functions->setColumnStretch(1, 1);
  // Without T-infinity the h, q" or T row stays at the top of the group.
  functions->setRowStretch(2, 1);
  layout->addWidget(Functions, 2, 0);

  NotebookImg = new QStackedWidget(this);
  NotebookImg->setObjectName(QStringLiteral("NotebookImg"));
  for (const char* page : {"ConvImg", "FluxImg", "TempImg"})
    NotebookImg->addWidget(new TConditionPicture(QString::fromLatin1(page), NotebookImg));
  NotebookImg->setFixedSize(96, 96);
  layout->addWidget(NotebookImg, 0, 1, 2, 1, Qt::AlignTop | Qt::AlignHCenter);

  auto* buttons = new QVBoxLayout;
  const DialogButtons okCancel = AddOkCancel(this, buttons);
  OkBtn = okCancel.ok;
  CancelBtn = okCancel.cancel;
  layout->addLayout(buttons, 2, 1);
  layout->setColumnStretch(0, 1);

  setFixedSize(330, 250);
}

void TSegmentDlg::Reset() {
  CBType->setCurrentIndex(0);
  Start->setText(QStringLiteral("0"));
  End->setText(QStringLiteral("1"));
  for (QComboBox* list : {CBF0, CBF1}) {
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(0);
  }
  FillFunctionLists();
  UpdateOk();
}

void TSegmentDlg::FormShow() {
  if (CBType->currentIndex() < 0)
    CBType->setCurrentIndex(0);
  FillFunctionLists();
}

void TSegmentDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TSegmentDlg::CBTypeChange() {
  const int kind = CBType->currentIndex();
  const bool convection = kind <= 0;
  LF1->setVisible(convection);
  CBF1->setVisible(convection);
  if (convection) {
    LF0->setText(QStringLiteral("h"));
  } else if (kind == 1) {
    LF0->setText(QStringLiteral("q\""));
  } else {
    LF0->setText(QStringLiteral("T"));
  }
  NotebookImg->setCurrentIndex(std::max(0, kind));
  UpdateOk();
}

bool TSegmentDlg::ReadLimits(double& lower, double& upper) const {
  return ParseDecimal(Start->text(), lower) && ParseDecimal(End->text(), upper) && lower >= 0 &&
         upper <= 1 && lower < upper;
}

void TSegmentDlg::LimitsChange() {
  UpdateOk();
}

void TSegmentDlg::UpdateOk() {
  double lower = 0, upper = 0;
  const bool convection = CBType->currentIndex() <= 0;
  OkBtn->setEnabled(ReadLimits(lower, upper) && Chosen(CBF0) && (!convection || Chosen(CBF1)));
}

bool TSegmentDlg::eventFilter(QObject* watched, QEvent* event) {
  auto* list = qobject_cast<QComboBox*>(watched);
  if (!list || (list != CBF0 && list != CBF1) || list->view()->isVisible())
    return QDialog::eventFilter(watched, event);
  // A closed list moved with the keys or the wheel chooses each item it passes over; here
  // it only moves, so that passing over "Custom..." does not open a dialog. Enter or Space
  // on "Custom..." (or a click in the open list) chooses it.
  int step = 0;
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Up:
      case Qt::Key_Left:
      case Qt::Key_PageUp:
        step = -1;
        break;
      case Qt::Key_Down:
      case Qt::Key_Right:
      case Qt::Key_PageDown:
        step = 1;
        break;
      case Qt::Key_Home:
        step = -list->count();
        break;
      case Qt::Key_End:
        step = list->count();
        break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Space:
        // On "Custom..." these choose it; on a function they do what they always do (open
        // the list, press OK).
        if ((key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) ||
            list->currentIndex() != static_cast<int>(problem.functionList.size()))
          return false;
        FunctionChosen(list);
        return true;
      default:
        return false;
    }
    if (key->modifiers() & Qt::AltModifier)
      return false;  // Alt+Down opens the list
  } else if (event->type() == QEvent::Wheel) {
    step = static_cast<QWheelEvent*>(event)->angleDelta().y() > 0 ? -1 : 1;
  } else {
    return false;
  }
  list->setCurrentIndex(std::clamp(list->currentIndex() + step, 0, list->count() - 1));
  return true;
}

void TSegmentDlg::FillFunctionLists() {
  const int n = static_cast<int>(problem.functionList.size());
  for (QComboBox* list : {CBF0, CBF1}) {
    const QSignalBlocker quiet(list);
    const int remembered = std::min(std::max(list->currentIndex(), 0), n - 1);
    list->clear();
    for (const auto& function : problem.functionList)
      list->addItem(Printed(*function, 127));
    list->setCurrentIndex(remembered);
    list->addItem(kCustom);
  }
  UpdateOk();
}

void TSegmentDlg::FunctionChosen(QComboBox* list) {
  const int n = static_cast<int>(problem.functionList.size());
  if (list->currentIndex() == n) {
    if (std::unique_ptr<Function1D> made = target.AskCustomFunction())
      model.AddFunction(std::move(made));
  }
  FillFunctionLists();
}

const Function1D* TSegmentDlg::Chosen(const QComboBox* list) const {
  const int k = list->currentIndex();
  if (k < 0 || k >= static_cast<int>(problem.functionList.size()))
    return nullptr;
  return problem.functionList[static_cast<std::size_t>(k)].get();
}

std::optional<NewSegment> TSegmentDlg::BuildSegment() const {
  double lower = 0, upper = 0;
  if (!ReadLimits(lower, upper))
    return std::nullopt;
  const Function1D* f0 = Chosen(CBF0);
  const Function1D* f1 = Chosen(CBF1);
  std::unique_ptr<FHeat> condition;
  switch (CBType->currentIndex()) {
    case 1:
      if (f0)
        condition = std::make_unique<FFlux>(f0);
      break;
    case 2:
      if (f0)
        condition = std::make_unique<FTemperature>(f0);
      break;
    default:
      if (f0 && f1)
        condition = std::make_unique<FConvection>(f0, f1);
      break;
  }
  if (!condition)
    return std::nullopt;
  return NewSegment{lower, upper, std::move(condition)};
}
