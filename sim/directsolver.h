#ifndef CALORIVECTRIX_SIM_DIRECTSOLVER_H
#define CALORIVECTRIX_SIM_DIRECTSOLVER_H

// The simulator's nine-point system solved exactly: the matrix of aP and the eight
// neighbour coefficients, exactly as assembled, is factored once and every time step is a
// pair of triangular solves. On an orthogonal grid the rows, each multiplied by its volume's
// specific heat, are symmetric and positive definite, and an L D L^T factor stored in dense
// blocks is solved in two halves at once (sim/pairrunner.h); a skewed grid's cross terms call for a
// sparse LU. The linear-algebra library stays behind this interface, inside the core.

#include <memory>

#include "sim/containers.h"

class Simulator;

class DirectSolver {
 public:
  DirectSolver();
  ~DirectSolver();
  DirectSolver(const DirectSolver&) = delete;
  DirectSolver& operator=(const DirectSolver&) = delete;

  // Builds and factors the simulator's matrix. False when it cannot be factored (singular).
  bool Factor(const Simulator& sim);
  bool Factored() const;
  // Whether the factor in use is the symmetric one (L D L^T of the rows multiplied by their
  // volumes' specific heats, an orthogonal grid) rather than the general sparse LU.
  bool Symmetric() const;

  // The most threads a solve may use, 2 (the default) or 1, for every solver factored from
  // now on; for benchmarks and tests that compare the two. The results are the same to the
  // bit either way.
  static void SetThreadLimit(int threads);
  // Whether this solver's solves run on two threads: a grid large enough to gain from a
  // second one, a second processor, and the limit allowing it.
  bool Parallel() const;

  // Solves for the right-hand side `b` of the simulator (one value per volume).
  void Solve(const NumMatrix<double>& b);
  // One pass of iterative refinement: the residual's own solve added to the solution.
  void Refine();
  // The relative change one Gauss-Seidel sweep would still make to the solution of the last
  // Solve or Refine: the largest residual over its volume's centre coefficient, relative to
  // the field's range, the measure the sweeps stop on. Infinite when the solution is not
  // finite.
  double Change() const;
  // Writes the solution into the simulator's field layout.
  void CopyTo(NumMatrix<double>& T) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

#endif
