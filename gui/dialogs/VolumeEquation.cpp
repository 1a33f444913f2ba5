#include "gui/dialogs/VolumeEquation.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "gui/dialogs/dialogparts.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"
#include "sim/materials.h"

namespace {

const char* const kSideNames[] = {"North", "South", "West", "East"};

QString Number(double value) {
  return FormatGeneral(value, 7);
}

QString Temperature(double value) {
  return FormatGeneral(value, 9);
}

QString NeighbourName(const char* code) {
  const QString c = QString::fromLatin1(code);
  if (c == QLatin1String("N"))
    return QStringLiteral("North");
  if (c == QLatin1String("S"))
    return QStringLiteral("South");
  if (c == QLatin1String("W"))
    return QStringLiteral("West");
  if (c == QLatin1String("E"))
    return QStringLiteral("East");
  if (c == QLatin1String("NW"))
    return QStringLiteral("North-West");
  if (c == QLatin1String("NE"))
    return QStringLiteral("North-East");
  if (c == QLatin1String("SW"))
    return QStringLiteral("South-West");
  return QStringLiteral("South-East");
}

QString At(const VolumeIndex& v) {
  return QStringLiteral("(%1, %2)").arg(v.i + 1).arg(v.j + 1);
}

const QString kFormula = QStringLiteral(
    "<p style='margin:0'><b>Energy balance</b> of the volume over one time step, per metre of "
    "depth: heat stored = heat conducted in from the neighbours + heat generated + heat from "
    "the boundary.</p>"
    "<p style='margin:4px 0 0 12px'>&rho;&middot;c&middot;A&middot;(T<sub>P</sub> &minus; "
    "T<sub>P,old</sub>)/&Delta;t = &Sigma; a<sub>nb</sub>&middot;(T<sub>nb</sub> &minus; "
    "T<sub>P</sub>) + q&#8242;&#8242;&#8242;&middot;A + &Sigma; (b<sub>f</sub> &minus; "
    "a<sub>f</sub>&middot;T<sub>P</sub>)</p>"
    "<p style='margin:4px 0 0 12px'>solved as a<sub>P</sub>&middot;T<sub>P</sub> = &Sigma; "
    "a<sub>nb</sub>&middot;T<sub>nb</sub> + b, &nbsp;with a<sub>P</sub> = "
    "&rho;&middot;c&middot;A/&Delta;t + &Sigma; a<sub>nb</sub> + &Sigma; a<sub>f</sub> &nbsp;and "
    "b = &rho;&middot;c&middot;A/&Delta;t&middot;T<sub>P,old</sub> + q&#8242;&#8242;&#8242;"
    "&middot;A + &Sigma; b<sub>f</sub></p>");

const QString kSteadyFormula = QStringLiteral(
    "<p style='margin:0'><b>Energy balance</b> of the volume in the steady state, per metre of "
    "depth: nothing is stored, so heat conducted in from the neighbours + heat generated + heat "
    "from the boundary = 0.</p>"
    "<p style='margin:4px 0 0 12px'>0 = &Sigma; a<sub>nb</sub>&middot;(T<sub>nb</sub> &minus; "
    "T<sub>P</sub>) + q&#8242;&#8242;&#8242;&middot;A + &Sigma; (b<sub>f</sub> &minus; "
    "a<sub>f</sub>&middot;T<sub>P</sub>)</p>"
    "<p style='margin:4px 0 0 12px'>solved as a<sub>P</sub>&middot;T<sub>P</sub> = &Sigma; "
    "a<sub>nb</sub>&middot;T<sub>nb</sub> + b, &nbsp;with a<sub>P</sub> = &Sigma; a<sub>nb</sub> "
    "+ &Sigma; a<sub>f</sub> &nbsp;and b = q&#8242;&#8242;&#8242;&middot;A + &Sigma; "
    "b<sub>f</sub></p>");

}  // namespace

QString ConditionText(const Simulator::BoundaryUse& use) {
  const ConditionValues& c = use.condition;
  switch (c.kind) {
    case ConditionValues::Kind::Temperature:
      return QStringLiteral("temperature T = %1").arg(Number(c.value));
    case ConditionValues::Kind::Flux:
      return QStringLiteral("flux q = %1 W/m\u00b2").arg(Number(c.value));
    case ConditionValues::Kind::Convection:
      return QStringLiteral("convection h = %1 W/(m\u00b2\u00b7K), T\u221e = %2")
          .arg(Number(c.value), Number(c.ambient));
    case ConditionValues::Kind::Other:
      break;
  }
  return QStringLiteral("condition");
}

std::vector<EquationRow> EquationTable(const VolumeEquation& q) {
  const double cp = q.material.specificHeat;
  std::vector<EquationRow> rows;
  const auto section = [&rows](const QString& label) {
    rows.push_back(EquationRow{label, {}, {}, {}, true});
  };

  section(QStringLiteral("Neighbours: coefficient a_nb \u00d7 temperature T_nb"));
  for (const NeighbourTerm& n : q.neighbours) {
    QString label = NeighbourName(n.name) + QLatin1Char(' ') + At(n.volume);
    if (QString::fromLatin1(n.name).size() == 2)
      label += QStringLiteral(", cross-diffusion");
    rows.push_back(EquationRow{label, Number(n.a * cp), Temperature(n.T), Number(n.a * cp * n.T)});
  }
  rows.push_back(EquationRow{
      QStringLiteral("\u03a3 a_nb \u00b7 T_nb"), {}, {}, Number(q.NeighbourSum() * cp)});

  section(QStringLiteral("Right-hand side b"));
  if (q.steady) {
    rows.push_back(
        EquationRow{QStringLiteral("Storage: none in the steady state"), {}, {}, Number(0)});
  } else {
    rows.push_back(EquationRow{QStringLiteral("Storage \u03c1\u00b7c\u00b7A/\u0394t \u00d7 old "
                                              "temperature"),
                               Number(q.storage * cp), Temperature(q.oldT),
                               Number(q.storage * cp * q.oldT)});
  }
  rows.push_back(EquationRow{QStringLiteral("Generation q\u2032\u2032\u2032\u00b7A (q\u2032\u2032"
                                            "\u2032 = %1 W/m\u00b3)")
                                 .arg(Number(q.material.heatGeneration)),
                             {},
                             {},
                             Number(q.source * cp)});
  for (const BoundaryFaceTerm& f : q.boundary) {
    const QString label = QStringLiteral("%1 side, %2 at x = %3")
                              .arg(QString::fromLatin1(kSideNames[static_cast<int>(f.side)]),
                                   ConditionText(f.use), FormatGeneral(f.use.x, 4));
    const ConditionValues& c = f.use.condition;
    QString temperature;
    if (c.kind == ConditionValues::Kind::Temperature)
      temperature = Temperature(c.value);
    else if (c.kind == ConditionValues::Kind::Convection)
      temperature = Temperature(c.ambient);
    const bool flux = c.kind == ConditionValues::Kind::Flux;
    rows.push_back(
        EquationRow{label, flux ? QString() : Number(f.ap * cp), temperature, Number(f.b * cp)});
  }
  rows.push_back(EquationRow{QStringLiteral("b"), {}, {}, Number(q.b * cp)});

  section(QStringLiteral("Centre"));
  const QString centre = q.steady ? QStringLiteral("a_P = \u03a3 a_nb + \u03a3 a_f")
                                  : QStringLiteral(
                                        "a_P = \u03c1\u00b7c\u00b7A/\u0394t + "
                                        "\u03a3 a_nb + \u03a3 a_f");
  rows.push_back(EquationRow{centre, Number(q.aP * cp), {}, {}});
  rows.push_back(EquationRow{QStringLiteral("\u03a3 a_nb \u00b7 T_nb + b"),
                             {},
                             {},
                             Number((q.NeighbourSum() + q.b) * cp)});
  rows.push_back(EquationRow{QStringLiteral("T_P from the terms: (\u03a3 a_nb \u00b7 T_nb + b) / "
                                            "a_P"),
                             {},
                             Temperature(q.balancedT),
                             {}});
  rows.push_back(EquationRow{QStringLiteral("T_P stored"), {}, Temperature(q.T), {}});
  rows.push_back(EquationRow{QStringLiteral("Residual b + \u03a3 a_nb \u00b7 T_nb \u2212 a_P "
                                            "\u00b7 T_P"),
                             {},
                             {},
                             Number(q.residual * cp)});

  section(QStringLiteral("Heat rates into the volume, W/m"));
  double in = 0;
  for (int side = 0; side < 4; ++side) {
    rows.push_back(EquationRow{
        QStringLiteral("Through the %1 face").arg(QString::fromLatin1(kSideNames[side]).toLower()),
        {},
        {},
        Number(q.heatIn[side])});
    in += q.heatIn[side];
  }
  const double generated = q.material.heatGeneration * q.area;
  const double stored = q.storage * cp * (q.T - q.oldT);
  rows.push_back(EquationRow{
      QStringLiteral("Generated q\u2032\u2032\u2032\u00b7A"), {}, {}, Number(generated)});
  rows.push_back(EquationRow{QStringLiteral("Stored \u03c1\u00b7c\u00b7A\u00b7(T_P \u2212 "
                                            "T_P,old)/\u0394t"),
                             {},
                             {},
                             Number(stored)});
  rows.push_back(EquationRow{
      QStringLiteral("In + generated \u2212 stored"), {}, {}, Number(in + generated - stored)});
  return rows;
}

TVolumeEquationDlg::TVolumeEquationDlg(InsightTarget& insightTarget, QWidget* parent)
    : QDialog(parent), target(insightTarget) {
  setObjectName(QStringLiteral("VolumeEquationDlg"));
  setWindowTitle(QStringLiteral("Volume Equation"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
  InstallContextHelp(this, topic::kEquationDlg);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  Headline = new QLabel(this);
  Headline->setObjectName(QStringLiteral("Headline"));
  QFont bold = Headline->font();
  bold.setBold(true);
  Headline->setFont(bold);
  Headline->setWordWrap(true);
  layout->addWidget(Headline);

  Formula = new QLabel(this);
  Formula->setObjectName(QStringLiteral("Formula"));
  Formula->setTextFormat(Qt::RichText);
  Formula->setWordWrap(true);
  Formula->setFrameShape(QFrame::StyledPanel);
  Formula->setMargin(6);
  Formula->setText(kFormula);
  SetHelpTopic(Formula, topic::kEquationFormula);
  layout->addWidget(Formula);

  Message = new QLabel(this);
  Message->setObjectName(QStringLiteral("Message"));
  Message->setWordWrap(true);
  layout->addWidget(Message);

  Terms = new QTableWidget(0, 4, this);
  Terms->setObjectName(QStringLiteral("Terms"));
  Terms->setHorizontalHeaderLabels({QStringLiteral("Term"),
                                    QStringLiteral("Coefficient, W/(m\u00b7K)"),
                                    QStringLiteral("Temperature"), QStringLiteral("W/m")});
  Terms->verticalHeader()->setVisible(false);
  Terms->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Terms->setSelectionMode(QAbstractItemView::NoSelection);
  Terms->setFocusPolicy(Qt::NoFocus);
  Terms->verticalHeader()->setDefaultSectionSize(Terms->fontMetrics().height() + 6);
  Terms->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  SetHelpTopic(Terms, topic::kEquationTerms);
  layout->addWidget(Terms, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  CloseBtn = MakeButton(this, "CloseBtn", QStringLiteral("Close"), topic::kOkButton);
  HelpBtn = MakeButton(this, "HelpBtn", QStringLiteral("&Help"), topic::kHelpButton);
  buttons->addWidget(CloseBtn);
  buttons->addWidget(HelpBtn);
  layout->addLayout(buttons);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(HelpBtn, &QPushButton::clicked, this, &TVolumeEquationDlg::HelpBtnClick);
  resize(780, 720);
}

void TVolumeEquationDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    Update();
}

void TVolumeEquationDlg::SetVolume(VolumeIndex v) {
  volume = v;
  Update();
}

void TVolumeEquationDlg::Update() {
  hasEquation = false;
  const SimManager* results = target.Results();
  const Media& grid = *target.Grid();
  const bool inGrid = volume.i >= 0 && volume.j >= 0 && volume.i < grid.ni && volume.j < grid.nj;
  QString message;
  if (!inGrid) {
    Headline->setText(QStringLiteral("No volume chosen"));
    message = QStringLiteral(
        "Click a volume in the drawing area, or right-click it and choose Volume Equation.");
  } else {
    Headline->setText(QStringLiteral("Volume I = %1, J = %2").arg(volume.i + 1).arg(volume.j + 1));
    if (results == nullptr) {
      message = QStringLiteral(
          "Run the simulation first: the equation is that of a time step, with its numbers.");
    } else if (!EquationOf(*results, grid, target.ShownIndex(), volume, equation)) {
      message = QStringLiteral("The equations of this run are no longer at hand.");
    } else if (!equation.solved) {
      message = QStringLiteral(
          "This is the starting field: no time step has produced it, so there is no equation "
          "to show yet. Step to a later snapshot with the playback buttons.");
    } else {
      hasEquation = true;
    }
  }

  if (hasEquation) {
    const VolumeProperties& m = equation.material;
    const char* name = FindMaterial(m.conductivity, m.density, m.specificHeat);
    const QString time = std::isfinite(equation.time)
                             ? QStringLiteral("t = %1 s").arg(FormatGeneral(equation.time))
                             : QStringLiteral("the steady state");
    Headline->setText(
        QStringLiteral("Volume I = %1, J = %2, %3 (k = %4, \u03c1 = %5, c = %6), "
                       "at %7 (snapshot %8 of %9)")
            .arg(volume.i + 1)
            .arg(volume.j + 1)
            .arg(name ? QString::fromLatin1(name) : QStringLiteral("custom material"))
            .arg(Number(m.conductivity), Number(m.density), Number(m.specificHeat), time)
            .arg(target.ShownIndex() + 1)
            .arg(results->Count()));
    Formula->setText(equation.steady ? kSteadyFormula : kFormula);
  }
  Message->setText(message);
  Message->setVisible(!message.isEmpty());

  const std::vector<EquationRow> rows =
      hasEquation ? EquationTable(equation) : std::vector<EquationRow>{};
  Terms->clearSpans();
  Terms->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const EquationRow& r = rows[k];
    const int row = static_cast<int>(k);
    const QString cells[] = {r.label, r.coefficient, r.temperature, r.value};
    for (int c = 0; c < 4; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c > 0)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (r.section) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
        item->setBackground(QColor(235, 235, 235));
      }
      Terms->setItem(row, c, item);
    }
    if (r.section)
      Terms->setSpan(row, 0, 1, 4);
  }
  Terms->resizeColumnsToContents();
  Terms->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  Terms->setVisible(hasEquation);
}

void TVolumeEquationDlg::HelpBtnClick() {
  ShowHelpTopic(topic::kEquationDlg);
}
