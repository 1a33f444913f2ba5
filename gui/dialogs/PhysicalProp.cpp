#include "gui/dialogs/PhysicalProp.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/dialogs/dialogparts.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"
#include "gui/platform/widgets.h"
#include "gui/plot/fieldplot.h"
#include "sim/materials.h"

namespace {

// A property at or below this is no material at all (and would make the diffusivity and
// the simulator's coefficients meaningless).
constexpr double kPropertyLimit = 0.00001;
constexpr int kHeight = 300;

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setAlignment(Qt::AlignRight);
  WatchDecimalSeparator(edit);
  return edit;
}

// "Conductivity must be a number above 1E-5", and which separator to use when that is all
// that is wrong.
QString FieldProblem(const QLineEdit* field, const char* name, const char* must) {
  const QString advice = SeparatorAdvice(field->text());
  return QStringLiteral("%1 must be %2%3")
      .arg(QString::fromLatin1(name), QString::fromLatin1(must),
           advice.isEmpty() ? QString() : QStringLiteral(": ") + advice);
}

QString NameOf(const VolumeProperties& p) {
  const char* name = FindMaterial(p.conductivity, p.density, p.specificHeat);
  return name ? QString::fromLatin1(name) : QStringLiteral("Custom");
}

}  // namespace

TPhysicalPropDlg::TPhysicalPropDlg(ProblemModel& model, PropertiesTarget& target, QWidget* parent)
    : QDialog(parent), model(model), target(target) {
  BuildForm();
  FillDatabase();

  Reset();

  for (QLineEdit* edit : {Conductivity, SpecificHeat, Density})
    connect(edit, &QLineEdit::textChanged, this, &TPhysicalPropDlg::PropertiesChange);
  connect(HeatGen, &QLineEdit::textChanged, this, &TPhysicalPropDlg::HeatGenChange);
  connect(Apply, &QToolButton::toggled, this, &TPhysicalPropDlg::ApplyToggled);
  connect(ApplyAll, &QPushButton::clicked, this, &TPhysicalPropDlg::ApplyAllClick);
  connect(MoreBtn, &QPushButton::clicked, this, &TPhysicalPropDlg::MoreBtnClick);
  connect(DatabaseGrid, &QTableWidget::cellDoubleClicked, this,
          &TPhysicalPropDlg::DatabaseGridDblClick);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpBtn, &QPushButton::clicked, this, &TPhysicalPropDlg::HelpBtnClick);
}

void TPhysicalPropDlg::BuildForm() {
  setObjectName(QStringLiteral("PhysicalPropDlg"));
  setWindowTitle(QStringLiteral("Physical Properties Specification"));
  setModal(false);
  InstallContextHelp(this, topic::kPhysicalPropDlg);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(8);

  // The narrow part: everything but the database.
  auto* narrow = new QWidget(this);
  narrow->setFixedWidth(kNarrowWidth - 12);
  auto* column = new QVBoxLayout(narrow);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(4);

  auto* properties = new QGroupBox(QStringLiteral("Physical Properties"), narrow);
  SetHelpTopic(properties, topic::kPropertiesGroup);
  auto* grid = new QGridLayout(properties);
  grid->setContentsMargins(6, 4, 6, 6);
  grid->setVerticalSpacing(3);
  Conductivity = MakeEdit(properties, "Conductivity");
  SpecificHeat = MakeEdit(properties, "SpecificHeat");
  Density = MakeEdit(properties, "Density");
  const std::pair<const char*, QLineEdit*> rows[] = {{"Conductivity (k)", Conductivity},
                                                     {"Specifc heat (Cp)", SpecificHeat},
                                                     {"Density (rho)", Density}};
  int row = 0;
  for (const auto& [caption, edit] : rows) {
    auto* label = new QLabel(QString::fromLatin1(caption), properties);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  column->addWidget(properties);

  auto* material = new QGroupBox(QStringLiteral("Material"), narrow);
  auto* materialRow = new QHBoxLayout(material);
  materialRow->setContentsMargins(6, 4, 6, 6);
  MaterialName = new QLabel(material);
  MaterialName->setObjectName(QStringLiteral("MaterialName"));
  MaterialColor = new TShape(material);
  MaterialColor->setObjectName(QStringLiteral("MaterialColor"));
  MaterialColor->setFixedSize(40, 18);
  materialRow->addWidget(MaterialName, 1);
  materialRow->addWidget(MaterialColor);
  column->addWidget(material);

  auto* generation = new QGroupBox(QStringLiteral("Energy generation"), narrow);
  SetHelpTopic(generation, topic::kGenerationGroup);
  auto* generationRow = new QHBoxLayout(generation);
  generationRow->setContentsMargins(6, 4, 6, 6);
  HeatGen = MakeEdit(generation, "HeatGen");
  auto* generationLabel = new QLabel(QStringLiteral("Heat generation rate"), generation);
  generationLabel->setBuddy(HeatGen);
  generationRow->addWidget(generationLabel);
  generationRow->addWidget(HeatGen, 1);
  column->addWidget(generation);

  auto* tools = new QHBoxLayout;
  Apply = new QToolButton(narrow);
  Apply->setObjectName(QStringLiteral("Apply"));
  Apply->setText(QStringLiteral("&Apply"));
  Apply->setCheckable(true);
  Apply->setToolTip(QStringLiteral("Paint the material onto volumes with the mouse"));
  Apply->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  ApplyAll = new QPushButton(QStringLiteral("A&pply all"), narrow);
  ApplyAll->setObjectName(QStringLiteral("ApplyAll"));
  ApplyAll->setAutoDefault(false);
  MoreBtn = new QPushButton(QStringLiteral(">>"), narrow);
  MoreBtn->setObjectName(QStringLiteral("MoreBtn"));
  MoreBtn->setToolTip(QStringLiteral("Material database"));
  MoreBtn->setAutoDefault(false);
  MoreBtn->setFixedWidth(32);
  tools->addWidget(Apply, 1);
  tools->addWidget(ApplyAll, 1);
  tools->addWidget(MoreBtn);
  column->addLayout(tools);
  column->addStretch(1);

  auto* buttons = new QHBoxLayout;
  CloseBtn = new QPushButton(QStringLiteral("&Close"), narrow);
  CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
  CloseBtn->setDefault(true);
  HelpBtn = new QPushButton(QStringLiteral("&Help"), narrow);
  HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
  HelpBtn->setAutoDefault(false);
  SetHelpTopic(HelpBtn, topic::kHelpButton);
  buttons->addStretch(1);
  buttons->addWidget(CloseBtn);
  buttons->addWidget(HelpBtn);
  column->addLayout(buttons);
  layout->addWidget(narrow);

  DatabaseGroup = new QGroupBox(QStringLiteral("Material database (SI)"), this);
  DatabaseGroup->setObjectName(QStringLiteral("DatabaseGroup"));
  SetHelpTopic(DatabaseGroup, topic::kMaterialDatabase);
  auto* database = new QVBoxLayout(DatabaseGroup);
  database->setContentsMargins(4, 4, 4, 4);
  DatabaseGrid = new QTableWidget(materialCount, 4, DatabaseGroup);
  DatabaseGrid->setObjectName(QStringLiteral("DatabaseGrid"));
  database->addWidget(DatabaseGrid);
  layout->addWidget(DatabaseGroup, 1);
  DatabaseGroup->setVisible(false);

  setFixedSize(kNarrowWidth, kHeight);
}

void TPhysicalPropDlg::Reset() {
  const Material& gold = *defaultMaterial;
  HeatGen->setText(QStringLiteral("0"));
  ShowProperties(VolumeProperties{gold.conductivity, gold.density, gold.specificHeat, 0});
  DatabaseGrid->clearSelection();
}

void TPhysicalPropDlg::FillDatabase() {
  QTableWidget& g = *DatabaseGrid;
  g.setHorizontalHeaderLabels(
      {QStringLiteral("Name"), QStringLiteral("k"), QStringLiteral("rho"), QStringLiteral("Cp")});
  g.verticalHeader()->setVisible(false);
  g.verticalHeader()->setDefaultSectionSize(g.fontMetrics().height() + 4);
  g.setSelectionBehavior(QAbstractItemView::SelectRows);
  g.setSelectionMode(QAbstractItemView::SingleSelection);
  g.setEditTriggers(QAbstractItemView::NoEditTriggers);
  g.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  g.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g.setWordWrap(false);
  for (int r = 0; r < materialCount; ++r) {
    const Material& m = materials[r];
    const QString cells[4] = {QString::fromLatin1(m.name), FormatGeneral(m.conductivity),
                              FormatGeneral(m.density), FormatGeneral(m.specificHeat)};
    for (int c = 0; c < 4; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c > 0)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      g.setItem(r, c, item);
    }
  }
  g.horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int c = 1; c < 4; ++c)
    g.setColumnWidth(c, 46);
}

// ---- The fields ------------------------------------------------------------------------

std::optional<VolumeProperties> TPhysicalPropDlg::ValidProperties() const {
  VolumeProperties p{0, 0, 0, 0};
  if (!ParseDecimal(Conductivity->text(), p.conductivity) ||
      !ParseDecimal(Density->text(), p.density) ||
      !ParseDecimal(SpecificHeat->text(), p.specificHeat)) {
    return std::nullopt;
  }
  // Past the largest a property may be, a run would only overflow.
  if (p.conductivity > kPropertyLimit && p.density > kPropertyLimit &&
      p.specificHeat > kPropertyLimit && PropertiesInRange(p)) {
    return p;
  }
  return std::nullopt;
}

std::optional<VolumeProperties> TPhysicalPropDlg::ReadProperties() const {
  std::optional<VolumeProperties> p = ValidProperties();
  if (!p || !ParseDecimal(HeatGen->text(), p->heatGeneration) || !PropertiesInRange(*p))
    return std::nullopt;
  return p;
}

QString TPhysicalPropDlg::WhyInvalid() const {
  const char* const above = "a number above 1E-5";
  const std::pair<const QLineEdit*, const char*> properties[] = {
      {Conductivity, "Conductivity"}, {SpecificHeat, "Specific heat"}, {Density, "Density"}};
  for (const auto& [field, name] : properties) {
    double value = 0;
    if (!ParseDecimal(field->text(), value) || !(value > kPropertyLimit))
      return FieldProblem(field, name, above);
  }
  double generation = 0;
  if (!ParseDecimal(HeatGen->text(), generation))
    return FieldProblem(HeatGen, "Heat generation", "a number");
  return QString();
}

void TPhysicalPropDlg::ShowName(const VolumeProperties& properties) {
  MaterialColor->SetBrushColor(PropertyColor(properties));
  MaterialName->setText(NameOf(properties));
}

void TPhysicalPropDlg::ShowProperties(const VolumeProperties& properties) {
  ShowName(properties);
  filling = true;
  Conductivity->setText(FormatGeneral(properties.conductivity));
  Density->setText(FormatGeneral(properties.density));
  SpecificHeat->setText(FormatGeneral(properties.specificHeat));
  filling = false;
  PropertiesChange();
}

void TPhysicalPropDlg::PropertiesChange() {
  if (filling)
    return;
  const std::optional<VolumeProperties> p = ValidProperties();
  if (!p) {
    MaterialName->setText(QStringLiteral("-"));
    MaterialColor->SetBrushColor(Qt::white);
    EnableApply(false);
    return;
  }
  ShowName(*p);
  EnableApply(ReadProperties().has_value());
}

void TPhysicalPropDlg::HeatGenChange() {
  EnableApply(ReadProperties().has_value());
}

void TPhysicalPropDlg::EnableApply(bool enable) {
  ApplyAll->setEnabled(enable);
  Apply->setEnabled(enable);
  if (!enable)
    Apply->setChecked(false);
  ShowTool();
}

void TPhysicalPropDlg::ShowTool(bool closing) {
  // The Part's rule releases the tool whenever a field passes through something that is
  // not a number (typing 0.72 passes through "0"), and a valid field does not press it
  // again: so the student is told, or the next drag would silently paint nothing.
  const QString why = WhyInvalid();
  Apply->setToolTip(why.isEmpty() ? QStringLiteral("Paint the material onto volumes with the mouse")
                                  : QStringLiteral("Off: ") + why);
  if (closing || !isVisible()) {
    target.ShowPaintTool(PaintTool::Closed, QString());
  } else if (Painting()) {
    target.ShowPaintTool(PaintTool::Engaged, QString());
  } else {
    target.ShowPaintTool(PaintTool::Off,
                         why.isEmpty() ? QStringLiteral("press Apply to paint volumes") : why);
  }
}

// ---- Commands --------------------------------------------------------------------------

bool TPhysicalPropDlg::Painting() const {
  return Apply->isEnabled() && Apply->isChecked();
}

void TPhysicalPropDlg::ApplyToggled(bool) {
  ShowTool();
}

void TPhysicalPropDlg::ApplyAllClick() {
  const std::optional<VolumeProperties> p = ReadProperties();
  if (p)
    model.ApplyToAll(*p);
}

void TPhysicalPropDlg::MoreBtnClick() {
  const bool widen = !DatabaseGroup->isVisible();
  DatabaseGroup->setVisible(widen);
  MoreBtn->setText(widen ? QStringLiteral("<<") : QStringLiteral(">>"));
  setFixedSize(widen ? kWideWidth : kNarrowWidth, kHeight);
}

void TPhysicalPropDlg::DatabaseGridDblClick() {
  const int r = DatabaseGrid->currentRow();
  if (r < 0 || r >= materialCount)
    return;
  const Material& m = materials[r];
  MaterialName->setText(QString::fromLatin1(m.name));
  Conductivity->setText(FormatGeneral(m.conductivity));
  Density->setText(FormatGeneral(m.density));
  SpecificHeat->setText(FormatGeneral(m.specificHeat));
}

void TPhysicalPropDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kPhysicalPropDlg);
}

// ---- Showing and closing ---------------------------------------------------------------

void TPhysicalPropDlg::FormShow() {
  target.PropertiesShown(true);
  if (Apply->isEnabled())
    Apply->setChecked(true);
  ShowTool();
}

void TPhysicalPropDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TPhysicalPropDlg::done(int result) {
  const bool wasShown = isVisible();
  {
    // Released quietly: the tool is about to be closed, not merely off.
    const QSignalBlocker quiet(Apply);
    Apply->setChecked(false);
  }
  ShowTool(true);
  QDialog::done(result);
  if (wasShown)
    target.PropertiesShown(false);
}
