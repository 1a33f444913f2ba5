#ifndef CALORIVECTRIX_GUI_PLATFORM_RUNVERDICT_H
#define CALORIVECTRIX_GUI_PLATFORM_RUNVERDICT_H

// What a run's results are worth, in sentences a student can act on. Three separate
// questions, never merged into one word:
//   - were the equations of the last step solved (the convergence check of the ledger)?
//   - had the field stopped changing (steady state), or is it a moment of a transient?
//   - why did a step fail?
// The run window, the report and the run without a window all say the same, so the texts
// live here, below all three.

#include <QString>
#include <cstdint>

#include "gui/platform/numfmt.h"
#include "sim/ledger.h"
#include "sim/manager.h"
#include "sim/simulator.h"

// Numbers are written with the decimal `separator`: the user's by default; the report, which
// other programs read, asks for a point.

// The convergence check of a ledger, with the advice that suits the solver.
QString ConvergenceVerdict(const EnergyLedger& ledger, SolverKind solver,
                           QChar separator = DecimalSeparator());

// The steady-state test of a field reached at `step` of a run of `steps`, whose last step
// changed it by `change` against the tolerance: empty before any step; a warning when the
// run ended at its last step still changing.
QString SteadyStateVerdict(SteadyState state, double change, double tolerance, int32_t step,
                           int32_t steps, QChar separator = DecimalSeparator());
// The same for a stored field of a run.
QString SteadyStateVerdict(const SimManager& run, const SimSnapshot& snapshot,
                           QChar separator = DecimalSeparator());

// Why a step failed (the step counted from 1); empty for StepFailure::None.
QString FailureText(StepFailure failure, int32_t step, int32_t maxIterSpace);

#endif
