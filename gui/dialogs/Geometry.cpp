#include "gui/dialogs/Geometry.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/dialogs/dialogparts.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"
#include "sim/geometry.h"
#include "sim/numeric.h"
#include "sim/streammedia.h"

namespace {

const QColor kSolid(230, 190, 90);
const QColor kOutline(90, 60, 10);
const QColor kDimension(0, 0, 160);

// Reads a kind's fields one by one and keeps the first thing that is wrong with them, in
// words the page shows under its fields.
class FieldCheck {
 public:
  bool Integer(const QLineEdit* field, const char* name, int& value) {
    return Require(ParseInteger(field->text(), value),
                   QStringLiteral("%1 must be a whole number.").arg(QString::fromUtf8(name)));
  }
  bool Decimal(const QLineEdit* field, const char* name, double& value) {
    if (ParseDecimal(field->text(), value))
      return true;
    const QString advice = SeparatorAdvice(field->text());
    return Require(false, QStringLiteral("%1 must be a number%2.")
                              .arg(QString::fromUtf8(name),
                                   advice.isEmpty() ? QString() : QStringLiteral(": ") + advice));
  }
  bool Require(bool valid, const QString& why) {
    if (!valid && problem.isEmpty())
      problem = why;
    return valid;
  }
  // Grids larger than a grid file may declare would outgrow a teaching session's memory and
  // patience alike; the wizard holds to the same limits.
  bool Counts(int ni, int nj, int minNj) {
    const int most = maxGridFileVolumesPerDirection;
    return Require(ni >= 2 && ni <= most, QStringLiteral("I must be from 2 to %1.").arg(most)) &&
           Require(nj >= minNj && nj <= most,
                   QStringLiteral("J must be from %1 to %2.").arg(minNj).arg(most)) &&
           Require(static_cast<long long>(ni) * nj <= maxGridFileVolumes,
                   QStringLiteral("I x J must be at most %1 volumes; this grid has %2.")
                       .arg(maxGridFileVolumes)
                       .arg(static_cast<long long>(ni) * nj));
  }
  bool Positive(double value, const char* name) {
    return Require(value > 0,
                   QStringLiteral("%1 must be greater than 0.").arg(QString::fromUtf8(name)));
  }

  QString problem;
};

// The simulator divides by every volume's area and squares every length, so a grid whose
// numbers are valid one by one can still be one it cannot compute on: sizes beyond the range
// of squares, or volumes squeezed flat (a sector of a millionth of a degree, a ring whose
// radii differ in the last digit). The rule is the grid-file reader's: every area finite and
// more than a negligible part of the square of its volume's extent.
bool Computable(const Media& media) {
  for (int32_t i = 0; i < media.ni; ++i) {
    for (int32_t j = 0; j < media.nj; ++j) {
      const double area = std::fabs(AreaOf(media, i, j));
      const Point corners[4] = {media.node(i, j), media.node(i + 1, j), media.node(i + 1, j + 1),
                                media.node(i, j + 1)};
      double minX = corners[0].x, maxX = minX, minY = corners[0].y, maxY = minY;
      for (const Point& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
      }
      const double w = maxX - minX;
      const double h = maxY - minY;
      if (!std::isfinite(area) || !(area > 1e-12 * (w * w + h * h)))
        return false;
    }
  }
  return true;
}

struct CartesianValues {
  int ni, nj;
  double width, height;
};
struct PolarValues {
  double ri, re, angle;
  int ni, nj;
};
struct MixedValues {
  double radius, u, width, height;
  int ni, nj;
};

bool ReadCartesian(const TGeometryDlg& d, CartesianValues& v, FieldCheck& c) {
  return c.Integer(d.cNI, "I", v.ni) && c.Integer(d.cNJ, "J", v.nj) &&
         c.Decimal(d.cWidth, "Width", v.width) && c.Decimal(d.cHeight, "Height", v.height) &&
         c.Counts(v.ni, v.nj, 2) && c.Positive(v.width, "Width") && c.Positive(v.height, "Height");
}

bool ReadPolar(const TGeometryDlg& d, PolarValues& v, FieldCheck& c) {
  return c.Decimal(d.pRi, "Ri", v.ri) && c.Decimal(d.pRe, "Re", v.re) &&
         c.Decimal(d.pAngle, "\u03b8", v.angle) && c.Integer(d.pNI, "I", v.ni) &&
         c.Integer(d.pNJ, "J", v.nj) && c.Counts(v.ni, v.nj, 2) && c.Positive(v.ri, "Ri") &&
         c.Positive(v.re, "Re") &&
         c.Require(v.angle > 0 && v.angle <= 360,
                   QStringLiteral("\u03b8 must be greater than 0 and at most 360 degrees.")) &&
         c.Require(v.ri < v.re, QStringLiteral("Ri must be smaller than Re."));
}

bool ReadMixed(const TGeometryDlg& d, MixedValues& v, FieldCheck& c) {
  return c.Decimal(d.mRadius, "Radius", v.radius) && c.Decimal(d.mU, "U", v.u) &&
         c.Decimal(d.mWidth, "Width", v.width) && c.Decimal(d.mHeight, "Height", v.height) &&
         c.Integer(d.mNI, "I", v.ni) && c.Integer(d.mNJ, "J", v.nj) && c.Counts(v.ni, v.nj, 4) &&
         c.Positive(v.height, "Height") && c.Positive(v.width, "Width") &&
         c.Positive(v.radius, "Radius") && c.Positive(v.u, "U") &&
         c.Require(v.radius < v.u,
                   QStringLiteral("Radius must be smaller than U: the hole would cut the "
                                  "bottom edge.")) &&
         c.Require(v.u + v.radius < v.height,
                   QStringLiteral("U + Radius must be smaller than Height: the hole would cut "
                                  "the top edge.")) &&
         c.Require(v.radius < v.width, QStringLiteral("Radius must be smaller than Width."));
}

QLineEdit* Field(QWidget* parent, const char* name, const QString& text) {
  QLineEdit* edit = MakeNumberEdit(parent, name);
  edit->setText(text);
  return edit;
}

// A group of caption / edit rows.
QGroupBox* FieldGroup(QWidget* page, const QString& title, int helpTopic,
                      std::initializer_list<std::pair<QString, QLineEdit*>> rows) {
  auto* group = new QGroupBox(title, page);
  SetHelpTopic(group, helpTopic);
  auto* grid = new QGridLayout(group);
  int row = 0;
  for (const auto& [caption, edit] : rows) {
    edit->setParent(group);
    auto* label = new QLabel(caption, group);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    ++row;
  }
  return group;
}

QLabel* Title(const QString& text, QWidget* page) {
  auto* caption = new QLabel(text, page);
  QFont bold = caption->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  caption->setFont(bold);
  return caption;
}

QLabel* Note(const QString& text, QWidget* page) {
  auto* note = new QLabel(text, page);
  note->setWordWrap(true);
  note->setForegroundRole(QPalette::PlaceholderText);
  return note;
}

QWidget* KindPageFrame(const QString& title, const QString& note, GeometryKind kind,
                       QWidget*& body) {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  auto* header = new QHBoxLayout;
  auto* words = new QVBoxLayout;
  words->addWidget(Title(title, page));
  words->addWidget(Note(note, page));
  words->addStretch(1);
  header->addLayout(words, 1);
  auto* sketch = new QLabel(page);
  sketch->setPixmap(GeometrySketch(kind, QSize(170, 120), true));
  header->addWidget(sketch);
  column->addLayout(header);
  body = new QWidget(page);
  column->addWidget(body);
  column->addStretch(1);
  return page;
}

void DimensionText(QPainter& p, const QPointF& at, const QString& text) {
  const QRectF box(at.x() - 20, at.y() - 9, 40, 18);
  p.setPen(kDimension);
  p.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Sketches

QPixmap GeometrySketch(GeometryKind kind, QSize size, bool labelled) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font = p.font();
  font.setPixelSize(std::max(10, size.height() / 9));
  font.setItalic(true);
  p.setFont(font);
  const double w = size.width();
  const double h = size.height();
  // Room for the dimension names around the shape.
  const double m = labelled ? h * 0.16 : h * 0.08;
  QPainterPath shape;
  switch (kind) {
    case GeometryKind::Cartesian: {
      const QRectF r(m * 1.2, m, w - 2.6 * m, h - 2.3 * m);
      shape.addRect(r);
      p.fillPath(shape, kSolid);
      p.setPen(QPen(kOutline, 1.5));
      p.drawPath(shape);
      if (labelled) {
        DimensionText(p, QPointF(r.center().x(), r.bottom() + m * 0.6), QStringLiteral("W"));
        DimensionText(p, QPointF(r.right() + m * 0.7, r.center().y()), QStringLiteral("H"));
      }
      break;
    }
    case GeometryKind::Polar: {
      // A sector drawn wider than 30 degrees so its shape reads at a glance.
      const double span = 60;
      const QPointF o(m * 1.2, h - m);
      const double re = std::min(w - 2.4 * m, (h - 2 * m) / std::sin(span * numeric::pi / 180));
      const double ri = re * 0.45;
      shape.moveTo(o + QPointF(ri, 0));
      shape.lineTo(o + QPointF(re, 0));
      shape.arcTo(QRectF(o.x() - re, o.y() - re, 2 * re, 2 * re), 0, span);
      shape.lineTo(o + QPointF(ri * std::cos(span * numeric::pi / 180),
                               -ri * std::sin(span * numeric::pi / 180)));
      shape.arcTo(QRectF(o.x() - ri, o.y() - ri, 2 * ri, 2 * ri), span, -span);
      shape.closeSubpath();
      p.fillPath(shape, kSolid);
      p.setPen(QPen(kOutline, 1.5));
      p.drawPath(shape);
      if (labelled) {
        p.setPen(QPen(kDimension, 1, Qt::DashLine));
        p.drawLine(o, o + QPointF(ri, 0));
        const double a = span * 0.5 * numeric::pi / 180;
        DimensionText(p, o + QPointF(ri * 0.5, m * 0.55), QStringLiteral("Ri"));
        DimensionText(p, o + QPointF((ri + re) * 0.5 + m * 0.6, m * 0.55), QStringLiteral("Re"));
        p.setPen(QPen(kDimension, 1));
        const double arc = ri * 0.45;
        p.drawArc(QRectF(o.x() - arc, o.y() - arc, 2 * arc, 2 * arc), 0,
                  static_cast<int>(span * 16));
        DimensionText(p, o + QPointF(arc * 1.25 * std::cos(a) + 6, -arc * 1.25 * std::sin(a)),
                      QString(QChar(0x03B8)));
      }
      break;
    }
    case GeometryKind::Mixed: {
      const QRectF r(m * 1.2, m, w - 2.6 * m, h - 2.3 * m);
      const double radius = r.height() * 0.25;
      const QPointF centre(r.left(), r.top() + r.height() * 0.5);
      QPainterPath hole;
      hole.addEllipse(centre, radius, radius);
      QPainterPath block;
      block.addRect(r);
      shape = block.subtracted(hole);
      p.fillPath(shape, kSolid);
      p.setPen(QPen(kOutline, 1.5));
      p.drawPath(shape);
      if (labelled) {
        DimensionText(p, QPointF(r.center().x(), r.bottom() + m * 0.6), QStringLiteral("W"));
        DimensionText(p, QPointF(r.right() + m * 0.7, r.center().y()), QStringLiteral("H"));
        // R across the hole, U from the bottom up to the hole's centre.
        p.setPen(QPen(kDimension, 1, Qt::DashLine));
        p.drawLine(centre, centre + QPointF(radius, 0));
        DimensionText(p, centre + QPointF(radius * 0.5, -radius * 0.45), QStringLiteral("R"));
        const double ux = centre.x() - m * 0.35;
        p.setPen(QPen(kDimension, 1));
        p.drawLine(QPointF(ux - 3, centre.y()), QPointF(ux + 3, centre.y()));
        p.drawLine(QPointF(ux, centre.y()), QPointF(ux, r.bottom()));
        DimensionText(p, QPointF(ux - 10, (centre.y() + r.bottom()) * 0.5), QStringLiteral("U"));
      }
      break;
    }
  }
  return pixmap;
}

// ---------------------------------------------------------------------------------------
// The form

TGeometryDlg::TGeometryDlg(GeometryTarget& geometryTarget, QWidget* parent)
    : QDialog(parent), target(geometryTarget) {
  BuildForm();
  for (QLineEdit* e : {cNI, cNJ, cWidth, cHeight})
    connect(e, &QLineEdit::textChanged, this, [this] { CartesianValidate(false); });
  for (QLineEdit* e : {pRi, pRe, pAngle, pNI, pNJ})
    connect(e, &QLineEdit::textChanged, this, [this] { PolarValidate(false); });
  for (QLineEdit* e : {mRadius, mU, mWidth, mHeight, mNI, mNJ})
    connect(e, &QLineEdit::textChanged, this, [this] { MixedValidate(false); });
  connect(Cartesian, &QToolButton::clicked, this, [this] { CartesianValidate(true); });
  connect(Polar, &QToolButton::clicked, this, [this] { PolarValidate(true); });
  connect(Mixed, &QToolButton::clicked, this, [this] { MixedValidate(true); });
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(Next, &QPushButton::clicked, this, &TGeometryDlg::NextClick);
  connect(Back, &QPushButton::clicked, this, &TGeometryDlg::BackClick);
  connect(HelpBtn, &QPushButton::clicked, this, &TGeometryDlg::HelpBtnClick);
  CartesianValidate(true);
}

void TGeometryDlg::BuildForm() {
  setObjectName(QStringLiteral("GeometryDlg"));
  setWindowTitle(QStringLiteral("Automatic Geometry Generation"));
  InstallContextHelp(this, topic::kGeometryDlg);

  auto* layout = new QVBoxLayout(this);
  PageControl = new QStackedWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  SetHelpTopic(PageControl, topic::kGeometryPages);
  defaultPage = BuildDefaultPage();
  cartesianPage = BuildCartesianPage();
  polarPage = BuildPolarPage();
  mixedPage = BuildMixedPage();
  for (QWidget* page : {defaultPage, cartesianPage, polarPage, mixedPage})
    PageControl->addWidget(page);
  layout->addWidget(PageControl, 1);
  Reason = new QLabel(this);
  Reason->setObjectName(QStringLiteral("Reason"));
  Reason->setWordWrap(true);
  Reason->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
  // Two lines kept free, so the dialog does not jump as the text comes and goes.
  Reason->setMinimumHeight(2 * Reason->fontMetrics().lineSpacing());
  Reason->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  layout->addWidget(Reason);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  layout->addWidget(rule);

  OKBtn = MakeButton(this, "OKBtn", QStringLiteral("&OK"), topic::kOkButton);
  CancelBtn = MakeButton(this, "CancelBtn", QStringLiteral("&Cancel"), topic::kCancelButton);
  Back = MakeButton(this, "Back", QStringLiteral("&Back <<"), 0);
  Next = MakeButton(this, "Next", QStringLiteral("&Next >>"), 0);
  HelpBtn = MakeButton(this, "HelpBtn", QStringLiteral("&Help"), topic::kHelpButton);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  Back->setEnabled(false);
  Next->setDefault(true);
  auto* row = new QHBoxLayout;
  row->addWidget(OKBtn);
  row->addWidget(CancelBtn);
  row->addStretch(1);
  row->addWidget(Back);
  row->addWidget(Next);
  row->addSpacing(12);
  row->addWidget(HelpBtn);
  for (QPushButton* b : {OKBtn, CancelBtn, Back, Next, HelpBtn})
    b->setMinimumWidth(75);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TGeometryDlg::BuildDefaultPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("DefaultSheet"));
  auto* column = new QVBoxLayout(page);
  column->addWidget(Title(QStringLiteral("Choose Geometry"), page));
  auto* row = new QHBoxLayout;
  auto picture = [page, row](const char* name, GeometryKind kind) {
    auto* button = new QToolButton(page);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromLatin1(name));
    button->setIcon(QIcon(GeometrySketch(kind, QSize(96, 72), false)));
    button->setIconSize(QSize(96, 72));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setMinimumSize(116, 104);
    row->addWidget(button);
    return button;
  };
  Cartesian = picture("Cartesian", GeometryKind::Cartesian);
  Polar = picture("Polar", GeometryKind::Polar);
  Mixed = picture("Mixed", GeometryKind::Mixed);
  Cartesian->setChecked(true);
  column->addLayout(row);
  column->addSpacing(8);
  column->addWidget(Note(QStringLiteral("Pick a shape and press Next to size it, or OK to build it "
                                        "as last sized. A new grid is all gold; the boundary "
                                        "conditions stay as they are."),
                         page));
  column->addStretch(1);
  return page;
}

QWidget* TGeometryDlg::BuildCartesianPage() {
  QWidget* body = nullptr;
  QWidget* page =
      KindPageFrame(QStringLiteral("Cartesian Geometry"),
                    QStringLiteral("I counts volumes along the width, J along the height."),
                    GeometryKind::Cartesian, body);
  page->setObjectName(QStringLiteral("CartesianSheet"));
  auto* row = new QHBoxLayout(body);
  row->setContentsMargins(0, 0, 0, 0);
  cNI = Field(body, "cNI", QStringLiteral("10"));
  cNJ = Field(body, "cNJ", QStringLiteral("10"));
  cWidth = Field(body, "cWidth", QStringLiteral("1"));
  cHeight = Field(body, "cHeight", QStringLiteral("1"));
  row->addWidget(FieldGroup(body, QStringLiteral("Number of volumes in directions "),
                            topic::kGeometryVolumes, {{"I", cNI}, {"J", cNJ}}));
  row->addWidget(FieldGroup(body, QStringLiteral("Dimensions"), topic::kGeometryDimensions,
                            {{"Width", cWidth}, {"Height", cHeight}}));
  return page;
}

QWidget* TGeometryDlg::BuildPolarPage() {
  QWidget* body = nullptr;
  QWidget* page = KindPageFrame(
      QStringLiteral("Polar Geometry"),
      QStringLiteral("I counts volumes outwards from Ri to Re, J around the angle (in degrees)."),
      GeometryKind::Polar, body);
  page->setObjectName(QStringLiteral("PolarSheet"));
  auto* row = new QHBoxLayout(body);
  row->setContentsMargins(0, 0, 0, 0);
  pRi = Field(body, "pRi", QStringLiteral("10"));
  pRe = Field(body, "pRe", QStringLiteral("20"));
  pAngle = Field(body, "pAngle", QStringLiteral("30"));
  pNI = Field(body, "pNI", QStringLiteral("10"));
  pNJ = Field(body, "pNJ", QStringLiteral("10"));
  row->addWidget(FieldGroup(body, QStringLiteral("Dimensions"), topic::kGeometryDimensions,
                            {{"Ri", pRi}, {"Re", pRe}, {QString(QChar(0x03B8)), pAngle}}));
  row->addWidget(FieldGroup(body, QStringLiteral("Number of volumes in directions"),
                            topic::kGeometryVolumes, {{"I", pNI}, {"J", pNJ}}));
  return page;
}

QWidget* TGeometryDlg::BuildMixedPage() {
  QWidget* body = nullptr;
  QWidget* page =
      KindPageFrame(QStringLiteral("Mixed Geometry"),
                    QStringLiteral("I counts volumes outwards from the hole, J around it from the "
                                   "bottom edge to the top; J is at least 4."),
                    GeometryKind::Mixed, body);
  page->setObjectName(QStringLiteral("MixedSheet"));
  auto* row = new QHBoxLayout(body);
  row->setContentsMargins(0, 0, 0, 0);
  // Written in the user's locale, so they show the separator the user types.
  mRadius = Field(body, "mRadius", FormatGeneral(0.25));
  mU = Field(body, "mU", FormatGeneral(0.5));
  mWidth = Field(body, "mWidth", QStringLiteral("1"));
  mHeight = Field(body, "mHeight", QStringLiteral("1"));
  mNI = Field(body, "mNI", QStringLiteral("10"));
  mNJ = Field(body, "mNJ", QStringLiteral("30"));
  row->addWidget(
      FieldGroup(body, QStringLiteral("Dimensions"), topic::kGeometryDimensions,
                 {{"Radius", mRadius}, {"U", mU}, {"Width", mWidth}, {"Height", mHeight}}));
  row->addWidget(FieldGroup(body, QStringLiteral("Number of volumes in directions"),
                            topic::kGeometryVolumes, {{"I", mNI}, {"J", mNJ}}));
  return page;
}

// ---------------------------------------------------------------------------------------
// Validation and the page flow

GeometryKind TGeometryDlg::Kind() const {
  if (Polar->isChecked())
    return GeometryKind::Polar;
  if (Mixed->isChecked())
    return GeometryKind::Mixed;
  return GeometryKind::Cartesian;
}

QString TGeometryDlg::ActivePage() const {
  const QWidget* page = PageControl->currentWidget();
  if (page == cartesianPage)
    return QStringLiteral("Cartesian");
  if (page == polarPage)
    return QStringLiteral("Polar");
  if (page == mixedPage)
    return QStringLiteral("Mixed");
  return QStringLiteral("Default");
}

QWidget* TGeometryDlg::KindPage(GeometryKind kind) const {
  switch (kind) {
    case GeometryKind::Polar:
      return polarPage;
    case GeometryKind::Mixed:
      return mixedPage;
    case GeometryKind::Cartesian:
      break;
  }
  return cartesianPage;
}

bool TGeometryDlg::Validate(GeometryKind kind, bool fromButton) {
  QString why;
  const bool valid = BuildMedia(kind, why) != nullptr;
  OKBtn->setEnabled(valid);
  Next->setEnabled(fromButton || valid);
  // Greyed buttons alone leave a student guessing; the line under the fields says why.
  Reason->setText(why);
  return valid;
}

bool TGeometryDlg::CartesianValidate(bool fromButton) {
  return Validate(GeometryKind::Cartesian, fromButton);
}
bool TGeometryDlg::PolarValidate(bool fromButton) {
  return Validate(GeometryKind::Polar, fromButton);
}
bool TGeometryDlg::MixedValidate(bool fromButton) {
  return Validate(GeometryKind::Mixed, fromButton);
}

std::unique_ptr<Media> TGeometryDlg::BuildMedia(GeometryKind kind) const {
  QString ignored;
  return BuildMedia(kind, ignored);
}

std::unique_ptr<Media> TGeometryDlg::BuildMedia(GeometryKind kind, QString& why) const {
  FieldCheck check;
  std::unique_ptr<Media> media;
  switch (kind) {
    case GeometryKind::Cartesian: {
      CartesianValues v{};
      if (ReadCartesian(*this, v, check))
        media = std::make_unique<CartesianMedia>(v.width, v.height, v.ni, v.nj, DefaultMaterial());
      break;
    }
    case GeometryKind::Polar: {
      PolarValues v{};
      if (ReadPolar(*this, v, check))
        media = std::make_unique<PolarMedia>(v.re, v.ri, v.angle, v.ni, v.nj, DefaultMaterial());
      break;
    }
    case GeometryKind::Mixed: {
      MixedValues v{};
      if (ReadMixed(*this, v, check)) {
        media = std::make_unique<MixedMedia>(v.width, v.height, v.u, v.radius, v.ni, v.nj,
                                             DefaultMaterial());
      }
      break;
    }
  }
  if (media && !Computable(*media)) {
    media.reset();
    check.Require(false, QStringLiteral("These sizes make volumes too thin (or too large) to "
                                        "compute on: change the sizes or the numbers of "
                                        "volumes."));
  }
  why = check.problem;
  return media;
}

QString TGeometryDlg::WhyInvalid(GeometryKind kind) const {
  QString why;
  BuildMedia(kind, why);
  return why;
}

void TGeometryDlg::NextClick() {
  if (ActivePage() != QLatin1String("Default")) {
    // Next reads "Finish" on a kind's page.
    if (OKBtn->isEnabled())
      done(QDialog::Accepted);
    return;
  }
  PageControl->setCurrentWidget(KindPage(Kind()));
  Back->setEnabled(true);
  Next->setText(QStringLiteral("Finish"));
  Next->setEnabled(OKBtn->isEnabled());
}

void TGeometryDlg::BackClick() {
  PageControl->setCurrentWidget(defaultPage);
  Back->setEnabled(false);
  Next->setText(QStringLiteral("&Next >>"));
  Next->setEnabled(true);
}

void TGeometryDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kGeometryDlg);
}

void TGeometryDlg::done(int result) {
  QDialog::done(result);
  if (ActivePage() != QLatin1String("Default"))
    BackClick();
  if (result != QDialog::Accepted)
    return;
  if (std::unique_ptr<Media> media = BuildMedia(Kind()))
    target.SetMedia(std::move(media));
}
