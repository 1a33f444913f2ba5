#include "gui/dialogs/timestepadvisor.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"

namespace {

QLabel* Figure(QWidget* parent, const char* name) {
  auto* label = new QLabel(QStringLiteral("-"), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QString Seconds(double t) {
  return FormatGeneral(t, 4) + QStringLiteral(" s");
}

}  // namespace

QString AdviceText(const TimeStepAdvice& a) {
  switch (a.advice) {
    case TimeStepAdvice::Advice::StepLongerThanDiffusion:
      return QStringLiteral(
                 "The time step is longer than the diffusion time (%1): the run will reach the "
                 "steady state in a few steps, and the animation will show little of the way "
                 "there.")
          .arg(Seconds(a.diffusionTime));
    case TimeStepAdvice::Advice::FirstSnapshotLate:
      return QStringLiteral(
                 "The first animation time after the start, %1, comes after the diffusion time "
                 "(%2): the transient will be over before the animation shows it. Choose "
                 "earlier animation times.")
          .arg(Seconds(a.firstSnapshotTime), Seconds(a.diffusionTime));
    case TimeStepAdvice::Advice::RunEndsEarly:
      return QStringLiteral(
                 "The run ends at %1, before the diffusion time (%2): it will stop in the middle "
                 "of the transient. Take more steps, or longer ones, to reach the steady state.")
          .arg(Seconds(a.endTime), Seconds(a.diffusionTime));
    case TimeStepAdvice::Advice::None:
      break;
  }
  return QString();
}

TTimeStepAdvisor::TTimeStepAdvisor(QWidget* parent)
    : QGroupBox(QStringLiteral("Time step advice"), parent) {
  setObjectName(QStringLiteral("TimeStepAdvisor"));
  SetHelpTopic(this, topic::kTimeStepAdvice);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  Fourier = Figure(this, "Fourier");
  DiffusionTime = Figure(this, "DiffusionTime");
  Steps = Figure(this, "Steps");
  form->addRow(QStringLiteral("Fourier number \u03b1\u00b7\u0394t/h\u00b2"), Fourier);
  form->addRow(QStringLiteral("Diffusion time L\u00b2/\u03b1"), DiffusionTime);
  form->addRow(QStringLiteral("Steps to the diffusion time"), Steps);
  Fourier->setToolTip(
      QStringLiteral("Smallest and largest over the volumes; h is a volume's smaller width"));
  DiffusionTime->setToolTip(
      QStringLiteral("L: the longest side; \u03b1: the slowest material's diffusivity"));
  layout->addLayout(form);
  Advice = new QLabel(this);
  Advice->setObjectName(QStringLiteral("Advice"));
  Advice->setWordWrap(true);
  // Three lines kept free, so the dialog does not jump as the advice comes and goes.
  Advice->setMinimumHeight(3 * Advice->fontMetrics().lineSpacing());
  Advice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette palette = Advice->palette();
  palette.setColor(QPalette::WindowText, QColor(150, 40, 0));
  Advice->setPalette(palette);
  layout->addWidget(Advice);
  // The figures are as wide as the time and solver groups above; the sentence wraps in it.
  setMinimumWidth(320);
}

void TTimeStepAdvisor::Show(const Media& media, const NumVector<int>& marks, double dt,
                            int32_t steps, bool valid) {
  if (!valid || !(dt > 0) || steps < 1) {
    for (QLabel* label : {Fourier, DiffusionTime, Steps})
      label->setText(QStringLiteral("-"));
    Advice->clear();
    return;
  }
  const TimeStepAdvice a = AdviseTimeStep(media, dt, steps, marks);
  // Volumes of one size and material differ in the last bits only: one number then.
  const QString lowest = FormatGeneral(a.minFourier, 4);
  const QString highest = FormatGeneral(a.maxFourier, 4);
  Fourier->setText(lowest == highest ? lowest : QStringLiteral("%1 to %2").arg(lowest, highest));
  if (std::isfinite(a.diffusionTime)) {
    DiffusionTime->setText(QStringLiteral("%1 (L = %2 m, \u03b1 = %3 m\u00b2/s)")
                               .arg(Seconds(a.diffusionTime), FormatGeneral(a.longestSide, 4),
                                    FormatExponent(a.slowestDiffusivity, 4)));
    Steps->setText(a.stepsToDiffuse < 1 ? QStringLiteral("less than one")
                                        : FormatGeneral(std::ceil(a.stepsToDiffuse), 10));
  } else {
    DiffusionTime->setText(QStringLiteral("none: a material does not conduct"));
    Steps->setText(QStringLiteral("-"));
  }
  Advice->setText(AdviceText(a));
}
