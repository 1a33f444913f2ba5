#include "gui/mainwindow/legend.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "gui/platform/helptopics.h"
#include "gui/platform/widgets.h"

namespace {

QLabel* Value(QWidget* parent, const char* name) {
  auto* label = new QLabel("-", parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(74);
  return label;
}

QGroupBox* Group(const QString& title, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* form = new QFormLayout(box);
  form->setContentsMargins(6, 4, 6, 4);
  form->setHorizontalSpacing(6);
  form->setVerticalSpacing(2);
  form->setLabelAlignment(Qt::AlignLeft);
  return box;
}

QFormLayout* Form(QGroupBox* box) {
  return static_cast<QFormLayout*>(box->layout());
}

QWidget* WithSwatch(QLabel* value, TShape* swatch, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(swatch);
  layout->addWidget(value, 1);
  return row;
}

}  // namespace

TLegend::TLegend(QWidget* parent) : QWidget(parent) {
  setObjectName("Legend");
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  setFont(small);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  Notebook = new QStackedWidget(this);
  Notebook->setObjectName("Notebook");
  TabSet = new QTabBar(this);
  TabSet->setObjectName("TabSet");
  TabSet->addTab("Media");
  TabSet->addTab("Fields");
  TabSet->setShape(QTabBar::RoundedSouth);
  TabSet->setExpanding(true);
  layout->addWidget(Notebook, 1);
  layout->addWidget(TabSet);

  // The "Media" page.
  auto* media = new QWidget(Notebook);
  media->setObjectName("Media");
  auto* mediaLayout = new QVBoxLayout(media);
  mediaLayout->setContentsMargins(0, 0, 0, 0);
  MouseGroup = Group("Mouse", media);
  MouseX = Value(MouseGroup, "MouseX");
  MouseY = Value(MouseGroup, "MouseY");
  Form(MouseGroup)->addRow("X", MouseX);
  Form(MouseGroup)->addRow("Y", MouseY);
  MediaVolumeGroup = Group("Volume", media);
  MediaI = Value(MediaVolumeGroup, "MediaI");
  MediaJ = Value(MediaVolumeGroup, "MediaJ");
  MaterialName = Value(MediaVolumeGroup, "MaterialName");
  MaterialColor = new TShape(MediaVolumeGroup);
  MaterialColor->setObjectName("MaterialColor");
  Conductivity = Value(MediaVolumeGroup, "Conductivity");
  SpecificHeat = Value(MediaVolumeGroup, "SpecificHeat");
  Density = Value(MediaVolumeGroup, "Density");
  Diffusivity = Value(MediaVolumeGroup, "Diffusivity");
  HeatGeneration = Value(MediaVolumeGroup, "HeatGeneration");
  QFormLayout* volume = Form(MediaVolumeGroup);
  volume->addRow("I", MediaI);
  volume->addRow("J", MediaJ);
  volume->addRow("Material", WithSwatch(MaterialName, MaterialColor, MediaVolumeGroup));
  volume->addRow("k", Conductivity);
  volume->addRow("Cp", SpecificHeat);
  volume->addRow("\u03c1", Density);
  volume->addRow("\u03b1", Diffusivity);
  // Three single primes: the triple-prime character is missing from common fonts.
  volume->addRow("q\u2032\u2032\u2032", HeatGeneration);
  Conductivity->setToolTip("Thermal conductivity, W/(m K)");
  SpecificHeat->setToolTip("Specific heat, J/(kg K)");
  Density->setToolTip("Density, kg/m\u00b3");
  Diffusivity->setToolTip("Thermal diffusivity k/(\u03c1 Cp), m\u00b2/s");
  HeatGeneration->setToolTip("Heat generation, W/m\u00b3");
  mediaLayout->addWidget(MouseGroup);
  mediaLayout->addWidget(MediaVolumeGroup);
  mediaLayout->addStretch();

  // The "Fields" page.
  auto* fields = new QWidget(Notebook);
  fields->setObjectName("Fields");
  auto* fieldsLayout = new QVBoxLayout(fields);
  fieldsLayout->setContentsMargins(0, 0, 0, 0);
  FieldVolumeGroup = Group("Volume", fields);
  FieldI = Value(FieldVolumeGroup, "FieldI");
  FieldJ = Value(FieldVolumeGroup, "FieldJ");
  TempValue = Value(FieldVolumeGroup, "TempValue");
  TempColor = new TShape(FieldVolumeGroup);
  TempColor->setObjectName("TempColor");
  FluxValue = Value(FieldVolumeGroup, "FluxValue");
  QFormLayout* field = Form(FieldVolumeGroup);
  field->addRow("I", FieldI);
  field->addRow("J", FieldJ);
  field->addRow("T", WithSwatch(TempValue, TempColor, FieldVolumeGroup));
  field->addRow("|q|", FluxValue);
  TempValue->setToolTip("Temperature of the volume");
  FluxValue->setToolTip("Magnitude of the heat flux, W/m\u00b2");
  EquationBtn = new QPushButton("&Equation...", FieldVolumeGroup);
  EquationBtn->setObjectName("EquationBtn");
  EquationBtn->setToolTip("The equation the simulator solved for this volume, with its numbers");
  // Its own topic, reached only in a What-is-this mode: a plain click opens the window.
  SetHelpTopic(EquationBtn, topic::kEquationDlg);
  field->addRow(EquationBtn);

  AnimationGroup = new QGroupBox("Animation", fields);
  auto* animation = new QVBoxLayout(AnimationGroup);
  animation->setContentsMargins(6, 2, 6, 2);
  animation->addWidget(new QLabel("Current time (sec.)", AnimationGroup));
  CurrentTime = Value(AnimationGroup, "CurrentTime");
  animation->addWidget(CurrentTime);

  ScaleGroup = new QGroupBox("Temperature scale", fields);
  // The scale has a fixed height; room to spare belongs below the groups, not inside them.
  ScaleGroup->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  auto* scale = new QHBoxLayout(ScaleGroup);
  scale->setContentsMargins(4, 2, 4, 2);
  ColorScale = new TPaintBox(ScaleGroup);
  ColorScale->setObjectName("ColorScale");
  ColorScale->setFixedSize(65, 137);
  ColorScale->setAttribute(Qt::WA_OpaquePaintEvent, false);
  scale->addWidget(ColorScale);
  // The labels stand in a column exactly as tall as the scale, so the first and last stay
  // at the bar's ends however much room the group is given.
  auto* labelColumn = new QWidget(ScaleGroup);
  labelColumn->setFixedHeight(ColorScale->height());
  auto* labels = new QVBoxLayout(labelColumn);
  labels->setContentsMargins(0, 0, 0, 0);
  labels->setSpacing(0);
  ScaleMax = Value(labelColumn, "ScaleMax");
  ScaleMedMax = Value(labelColumn, "ScaleMedMax");
  ScaleMed = Value(labelColumn, "ScaleMed");
  ScaleMedMin = Value(labelColumn, "ScaleMedMin");
  ScaleMin = Value(labelColumn, "ScaleMin");
  for (QLabel* l : {ScaleMax, ScaleMedMax, ScaleMed, ScaleMedMin, ScaleMin}) {
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setMinimumWidth(50);
    labels->addWidget(l);
    if (l != ScaleMin)
      labels->addStretch();
  }
  scale->addWidget(labelColumn);

  fieldsLayout->addWidget(FieldVolumeGroup);
  fieldsLayout->addWidget(AnimationGroup);
  fieldsLayout->addWidget(ScaleGroup);
  fieldsLayout->addStretch();

  Notebook->addWidget(media);
  Notebook->addWidget(fields);
  connect(TabSet, &QTabBar::currentChanged, Notebook, &QStackedWidget::setCurrentIndex);

  // Every panel explains itself on any click; the main window shows the topic.
  const std::pair<QWidget*, int> panels[] = {
      {MouseGroup, topic::kMouse},
      {MediaVolumeGroup, topic::kVolumeProperties},
      {FieldVolumeGroup, topic::kVolumeTemperature},
      {AnimationGroup, topic::kAnimation},
      {ScaleGroup, topic::kTemperatureScale},
  };
  for (const auto& [panel, number] : panels)
    SetHelpTopic(panel, number, HelpReach::AnyClick);
  // Rows inside the volume groups that have topics of their own, with their captions.
  const std::pair<QWidget*, int> rows[] = {
      {MediaI, topic::kVolumeIndex}, {MediaJ, topic::kVolumeIndex},   {FieldI, topic::kVolumeIndex},
      {FieldJ, topic::kVolumeIndex}, {FluxValue, topic::kVolumeFlux},
  };
  for (const auto& [value, number] : rows) {
    SetHelpTopic(value, number, HelpReach::AnyClick);
    auto* form = qobject_cast<QFormLayout*>(value->parentWidget()->layout());
    if (QWidget* caption = form ? form->labelForField(value) : nullptr)
      SetHelpTopic(caption, number, HelpReach::AnyClick);
  }
}

QString TLegend::ActivePage() const {
  return Notebook->currentWidget()->objectName();
}

void TLegend::ShowPage(int index) {
  TabSet->setCurrentIndex(index);
}
