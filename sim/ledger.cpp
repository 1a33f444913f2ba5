#include "sim/ledger.h"

#include <cmath>

#include "sim/geometry.h"
#include "sim/simulator.h"

namespace {

double Fraction(double value, double scale) {
  if (value == 0)
    return 0;
  if (!(scale > 0))
    return 1;
  return std::fabs(value) / scale;
}

void Count(double inward, double& in, double& out) {
  if (inward > 0)
    in += inward;
  else
    out -= inward;
}

}  // namespace

double EnergyLedger::ImbalanceFraction() const {
  return Fraction(imbalance, scale);
}

double EnergyLedger::ResidualFraction() const {
  return Fraction(residual, scale);
}

bool EnergyLedger::Converged() const {
  return !valid ||
         (ImbalanceFraction() <= kConvergedFraction && ResidualFraction() <= kConvergedFraction);
}

EnergyLedger LedgerOf(const Simulator& sim) {
  EnergyLedger ledger;
  if (sim.Iteration() < 1)
    return ledger;
  ledger.valid = true;
  const Media& media = *sim.media;
  const int32_t ni = media.ni;
  const int32_t nj = media.nj;

  // Positive heatSN/heatWE runs towards decreasing J/I: into the domain at North and East,
  // out of it at South and West.
  for (int32_t i = 0; i < ni; ++i) {
    Count(sim.heatSN[i][nj], ledger.in[EnergyLedger::North], ledger.out[EnergyLedger::North]);
    Count(-sim.heatSN[i][0], ledger.in[EnergyLedger::South], ledger.out[EnergyLedger::South]);
  }
  for (int32_t j = 0; j < nj; ++j) {
    Count(sim.heatWE[ni][j], ledger.in[EnergyLedger::East], ledger.out[EnergyLedger::East]);
    Count(-sim.heatWE[0][j], ledger.in[EnergyLedger::West], ledger.out[EnergyLedger::West]);
  }

  // Each equation is divided by its volume's specific heat; multiplied back, its terms are
  // heat rates.
  const NumMatrix<double>& T = sim.T;
  const NumMatrix<double>& before = sim.StepStart();
  double lowest = 0, highest = 0;
  T.MinMax(lowest, highest);
  const double largestT = std::fmax(std::fabs(lowest), std::fabs(highest));
  // How large the terms of the equations are, for the rounding they leave in the sums.
  double terms = 0;
  for (int32_t J = 0; J < nj; ++J) {
    for (int32_t I = 0; I < ni; ++I) {
      const VolumeProperties& p = media.volume(I, J);
      const double area = AreaOf(media, I, J);
      // A steady field has no storage term: nothing is stored, and its equations lack it.
      const double inertia = sim.Steady() ? 0 : p.density * area / sim.dt;
      ledger.generation += p.heatGeneration * area;
      ledger.storage += inertia * (T[I][J] - before[I][J]) * p.specificHeat;

      double r = inertia * before[I][J] + sim.bs[I][J] - sim.aP[I][J] * T[I][J];
      const bool n = J<nj - 1, s = J> 0, w = I > 0, e = I < ni - 1;
      if (n) {
        r += sim.aN[I][J] * T[I][J + 1];
        if (w)
          r += sim.aNW[I][J] * T[I - 1][J + 1];
        if (e)
          r += sim.aNE[I][J] * T[I + 1][J + 1];
      }
      if (s) {
        r += sim.aS[I][J] * T[I][J - 1];
        if (w)
          r += sim.aSW[I][J] * T[I - 1][J - 1];
        if (e)
          r += sim.aSE[I][J] * T[I + 1][J - 1];
      }
      if (w)
        r += sim.aW[I][J] * T[I - 1][J];
      if (e)
        r += sim.aE[I][J] * T[I + 1][J];
      ledger.residual += std::fabs(r * p.specificHeat);
      // The neighbours' terms add up to about the centre's: aP holds their coefficients.
      terms += (std::fabs(inertia * before[I][J]) + std::fabs(sim.bs[I][J]) +
                2 * std::fabs(sim.aP[I][J]) * largestT) *
               p.specificHeat;
    }
  }

  ledger.imbalance = ledger.TotalIn() - ledger.TotalOut() + ledger.generation - ledger.storage;
  // A field whose heat rates are all rounding (a uniform steady field: nothing flows) has
  // nothing to fault; a millionth of a millionth of the terms keeps its noise below the
  // share that counts.
  ledger.scale =
      std::fmax(std::fmax(std::fmax(ledger.TotalIn(), ledger.TotalOut()),
                          std::fmax(std::fabs(ledger.generation), std::fabs(ledger.storage))),
                1e-12 * terms);
  return ledger;
}
