#ifndef CALORIVECTRIX_SIM_EQUATION_H
#define CALORIVECTRIX_SIM_EQUATION_H

// The equation of one volume as the run assembled and solved it, term by term, for showing
// a student where a temperature comes from:
//
//   aP T_P = sum over the neighbours nb of a_nb T_nb + b
//   aP  = rho A / dt + aPs,           aPs = sum of a_nb + sum over boundary faces of ap_f
//   b   = rho A T_P(old) / dt + bs,   bs  = q A / cp + sum over boundary faces of b_f
//
// Every term is divided by the volume's own specific heat cp, as the simulator keeps it;
// multiplied by cp, coefficients are conductances in W/(m K) and terms heat rates in W/m.
// The numbers are read from the simulator's own arrays, never formed again: the
// coefficients, the boundary faces' (ap, b) with the values their conditions gave, the
// source, and the right-hand side b made as the solver made it from the stored field at the
// start of the step. The residual b + sum a_nb T_nb - aP T_P is what the stored field leaves
// of the equation; the run window's check sums its size, times cp, over every volume.
//
// A released run keeps its assembled system (RunEquations) so that equations can still be
// read at every snapshot after the run, whatever is painted or set since.

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/geometry.h"
#include "sim/manager.h"
#include "sim/simulator.h"

enum class FaceSide : int8_t { North = 0, South = 1, West = 2, East = 3 };

struct NeighbourTerm {
  const char* name;  // "N", "S", "W", "E", "NW", "NE", "SW", "SE"
  VolumeIndex volume;
  double a;  // its coefficient
  double T;  // its temperature at the snapshot
};

struct BoundaryFaceTerm {
  FaceSide side;
  Simulator::BoundaryUse use;
  double ap;
  double b;
};

struct VolumeEquation {
  VolumeIndex volume{-1, -1};
  // False for the starting field: no equation produced it, and only the coefficients are
  // filled in.
  bool solved = false;
  // The steady field: its equation has no storage term.
  bool steady = false;
  double time = 0;
  int32_t iteration = 0;
  VolumeProperties material{0, 0, 0, 0};
  double area = 0;
  // The neighbours the volume has, in the order N, S, W, E, NW, NE, SW, SE; the diagonal
  // ones carry the cross-diffusion of a skewed grid and are left out where their coefficient
  // is zero on an orthogonal one.
  std::vector<NeighbourTerm> neighbours;
  std::vector<BoundaryFaceTerm> boundary;
  double storage = 0;  // rho A / dt, or 0 for the steady field
  double oldT = 0;     // T_P at the start of the step
  double source = 0;   // q A / cp
  double aPs = 0, aP = 0, bs = 0, b = 0;
  double T = 0;          // the stored temperature
  double balancedT = 0;  // (sum a_nb T_nb + b) / aP: the temperature the terms give
  double residual = 0;   // b + sum a_nb T_nb - aP T
  // The stored heat rates into the volume through its faces (W/m), by FaceSide.
  double heatIn[4] = {0, 0, 0, 0};

  // Sum of a_nb T_nb.
  double NeighbourSum() const;
};

// A run's assembled system, taken over from its simulator as it goes: the coefficients, the
// right-hand side's steady part, rho A and the source of every volume, the materials and
// the boundary faces' terms and conditions as assembled.
class RunEquations {
 public:
  // Takes the arrays out of the simulator, which is left unusable and must be destroyed.
  explicit RunEquations(Simulator& sim);

  int32_t ni, nj;
  double dt;
  NumMatrix<double> aP, aPs, aN, aS, aW, aE, aNW, aNE, aSW, aSE, bs, mass, source;
  Matrix<VolumeProperties> material;
  // Boundary faces by side (North and South by I, West and East by J).
  std::vector<Simulator::SimTerm> term[4];
  std::vector<Simulator::BoundaryUse> use[4];
};

// The equation of volume v at a snapshot of the run the simulator (still running) or the
// kept system belongs to; the grid is the run's, for the volume's area.
VolumeEquation EquationOf(const Simulator& sim, const SimSnapshot& snapshot, VolumeIndex v);
VolumeEquation EquationOf(const RunEquations& system, const Media& media,
                          const SimSnapshot& snapshot, VolumeIndex v);
// Whichever of the two a run's manager has; false when it has neither (or v is not a
// volume of its grid).
bool EquationOf(const SimManager& run, const Media& media, int32_t snapshot, VolumeIndex v,
                VolumeEquation& equation);

#endif
