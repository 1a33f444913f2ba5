#include "gui/platform/runverdict.h"

#include <cmath>

namespace {

QString WithSeparator(QString number, QChar separator) {
  return number.replace(DecimalSeparator(), separator);
}

QString Percent(double fraction, QChar separator) {
  return WithSeparator(FormatGeneral(100 * fraction, 3), separator) + QStringLiteral(" %");
}

// A relative change as the run window's counters show it: 3.1E-4.
QString Change(double change, QChar separator) {
  return WithSeparator(FormatExponent(change, 2), separator);
}

}  // namespace

QString ConvergenceVerdict(const EnergyLedger& ledger, SolverKind solver, QChar separator) {
  if (!ledger.valid)
    return QStringLiteral("No time step has been completed: there is nothing to check yet.");
  // "Converged" alone reads as "steady" to a student; this says what was checked.
  if (ledger.Converged()) {
    return QStringLiteral(
               "Equations solved: the heat rates balance to within %1 and the equations "
               "hold to within %2.")
        .arg(Percent(ledger.ImbalanceFraction(), separator),
             Percent(ledger.ResidualFraction(), separator));
  }
  const QString what =
      QStringLiteral(
          "Not converged: %1 of the heat is unaccounted for, so the temperatures "
          "and heat rates shown are not the answer of this grid. ")
          .arg(
              Percent(std::fmax(ledger.ImbalanceFraction(), ledger.ResidualFraction()), separator));
  if (solver == SolverKind::GaussSeidel) {
    return what + QStringLiteral(
                      "Tighten the solver tolerance in Simulation Parameters, or "
                      "choose the direct solver there, and run again.");
  }
  return what + QStringLiteral(
                    "Check the grid for crossed or very thin volumes and the "
                    "materials for extreme values.");
}

QString SteadyStateVerdict(SteadyState state, double change, double tolerance, int32_t step,
                           int32_t steps, QChar separator) {
  switch (state) {
    case SteadyState::NoStep:
      break;
    case SteadyState::Reached:
      return QStringLiteral(
                 "Steady state at step %1: the last step changed the field by %2, less than "
                 "the tolerance %3.")
          .arg(step)
          .arg(Change(change, separator), WithSeparator(FormatGeneral(tolerance), separator));
    case SteadyState::Solved:
      return QStringLiteral(
          "Steady state: solved at once for the field the time steps tend to, with nothing "
          "stored.");
    case SteadyState::NotReached:
      if (step >= steps) {
        return QStringLiteral(
                   "Not at steady state: the last step still changed the field by %1; raise "
                   "the number of steps or the time step.")
            .arg(Change(change, separator));
      }
      return QStringLiteral(
                 "Not at steady state: at step %1 of %2 the field still changed by %3 in one "
                 "step (a moment of the transient).")
          .arg(step)
          .arg(steps)
          .arg(Change(change, separator));
  }
  return QString();
}

QString SteadyStateVerdict(const SimManager& run, const SimSnapshot& snapshot, QChar separator) {
  return SteadyStateVerdict(SteadyStateOf(run, snapshot), snapshot.timeError, run.SteadyTolerance(),
                            snapshot.Iteration(), run.TimeSteps(), separator);
}

QString FailureText(StepFailure failure, int32_t step, int32_t maxIterSpace) {
  switch (failure) {
    case StepFailure::NotFinite:
      return QStringLiteral(
                 "Time step %1 failed: the temperatures or the heat rates grew beyond "
                 "the largest numbers the computer can hold. A material property or a "
                 "boundary condition far too large (or an initial temperature) is the "
                 "usual cause; check them and run again.")
          .arg(step);
    case StepFailure::OutOfMemory:
      return QStringLiteral(
          "The run stopped: the computer has no memory left for it. The snapshots "
          "stored so far are kept. Choose fewer animation times or a grid of fewer "
          "volumes (the direct solver needs more memory than Gauss-Seidel), and run "
          "again.");
    case StepFailure::SweepLimit:
      return QStringLiteral(
                 "Time step %1 was undone: the solver reached its limit of %2 "
                 "iterations before it converged. Raise the iterations number or the "
                 "solver tolerance in Simulation Parameters, or choose the direct "
                 "solver there.")
          .arg(step)
          .arg(maxIterSpace);
    case StepFailure::Singular:
      return QStringLiteral(
                 "Time step %1 failed: the direct solver cannot solve these "
                 "equations. A volume that neither conducts nor stores heat (zero "
                 "conductivity and density), or a volume without area, is the usual "
                 "cause; check the materials and the grid.")
          .arg(step);
    case StepFailure::NoSteadyState:
      return QStringLiteral(
          "No steady state: no side that the domain (or a part of it) reaches holds a "
          "temperature or convection, so heat put into it cannot leave. Give a side a "
          "temperature or convection condition, or run a transient.");
    case StepFailure::None:
      break;
  }
  return QString();
}
