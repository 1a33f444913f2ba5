#ifndef CALORIVECTRIX_GUI_DIALOGS_TIMESTEPADVISOR_H
#define CALORIVECTRIX_GUI_DIALOGS_TIMESTEPADVISOR_H

// The time-step advisor of the parameters dialog: for the grid, its materials and the time
// step and number of steps being typed, the Fourier numbers of the volumes, the domain's
// diffusion time and the steps it takes, and one plain sentence when the choice is odd
// (sim/advisor). It updates as the student types and changes nothing.

#include <QGroupBox>
#include <QString>
#include <cstdint>

#include "sim/advisor.h"
#include "sim/containers.h"
#include "sim/media.h"

class QLabel;

// The sentence for an advice, with the numbers it quotes; empty for none.
QString AdviceText(const TimeStepAdvice& advice);

class TTimeStepAdvisor : public QGroupBox {
  Q_OBJECT

 public:
  explicit TTimeStepAdvisor(QWidget* parent = nullptr);

  // The figures for this grid and these settings; `valid` false (a field does not read)
  // shows dashes and no advice.
  void Show(const Media& media, const NumVector<int>& marks, double dt, int32_t steps, bool valid);

  QLabel* Fourier;
  QLabel* DiffusionTime;
  QLabel* Steps;
  QLabel* Advice;
};

#endif
