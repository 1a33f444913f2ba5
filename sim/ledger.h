#ifndef CALORIVECTRIX_SIM_LEDGER_H
#define CALORIVECTRIX_SIM_LEDGER_H

// An honest check of a solved field: the energy ledger of the last time step and the
// residual of its equations, both in heat rates per unit depth (W/m).
//
// Heat enters and leaves through the four sides and is generated inside; what does not
// leave is stored. A field that solves the discrete equations balances all of it, so the
// imbalance and the residual are zero up to rounding. A solver stopped too early leaves
// both behind, however small the change of its last sweep was.

#include <cstdint>

class Simulator;

struct EnergyLedger {
  enum Side : int32_t { North = 0, South = 1, East = 2, West = 3 };
  // Beyond this share of the largest heat rate, the field is not a solution.
  static constexpr double kConvergedFraction = 0.01;

  // False before the first time step: there are no equations to check yet.
  bool valid = false;
  // Heat rate entering and leaving through each side, both as positive numbers.
  double in[4] = {0, 0, 0, 0};
  double out[4] = {0, 0, 0, 0};
  // Heat generated inside the domain.
  double generation = 0;
  // Rate of change of the stored energy over the last step (none in a steady field).
  double storage = 0;
  // in - out + generation - storage.
  double imbalance = 0;
  // The sum over the volumes of what each volume's equation leaves unbalanced.
  double residual = 0;
  // The largest of total in, total out, generation and storage: what the two measures are
  // judged against. Never below a millionth of a millionth of the size of the equations'
  // terms, so that a field in which nothing flows is not faulted for its rounding.
  double scale = 0;

  double TotalIn() const { return in[0] + in[1] + in[2] + in[3]; }
  double TotalOut() const { return out[0] + out[1] + out[2] + out[3]; }
  double ImbalanceFraction() const;
  double ResidualFraction() const;
  // Both measures within kConvergedFraction (an invalid ledger has nothing to fault).
  bool Converged() const;
};

// The ledger of the simulator's current field and heat rates, over its last accepted step.
EnergyLedger LedgerOf(const Simulator& sim);

#endif
