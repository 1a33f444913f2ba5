#include "sim/equation.h"

#include <cmath>

#include "sim/check.h"

double VolumeEquation::NeighbourSum() const {
  double sum = 0;
  for (const NeighbourTerm& n : neighbours)
    sum += n.a * n.T;
  return sum;
}

RunEquations::RunEquations(Simulator& sim) : ni(sim.media->ni), nj(sim.media->nj), dt(sim.dt) {
  aP.Swap(sim.aP);
  aPs.Swap(sim.aPs);
  aN.Swap(sim.aN);
  aS.Swap(sim.aS);
  aW.Swap(sim.aW);
  aE.Swap(sim.aE);
  aNW.Swap(sim.aNW);
  aNE.Swap(sim.aNE);
  aSW.Swap(sim.aSW);
  aSE.Swap(sim.aSE);
  bs.Swap(sim.bs);
  mass.Swap(sim.mass);
  source.Swap(sim.source);
  // The grid's materials may be painted over after the run; the equations keep theirs.
  Matrix<VolumeProperties>(ni, nj).Swap(material);
  for (int32_t i = 0; i < ni; ++i) {
    for (int32_t j = 0; j < nj; ++j)
      material[i][j] = sim.media->volume(i, j);
  }
  const auto side = [this](FaceSide s) { return static_cast<int>(s); };
  for (int32_t i = 0; i < ni; ++i) {
    term[side(FaceSide::North)].push_back(sim.termSN[i][nj]);
    term[side(FaceSide::South)].push_back(sim.termSN[i][0]);
  }
  for (int32_t j = 0; j < nj; ++j) {
    term[side(FaceSide::West)].push_back(sim.termWE[0][j]);
    term[side(FaceSide::East)].push_back(sim.termWE[ni][j]);
  }
  use[side(FaceSide::North)].swap(sim.northUse);
  use[side(FaceSide::South)].swap(sim.southUse);
  use[side(FaceSide::West)].swap(sim.westUse);
  use[side(FaceSide::East)].swap(sim.eastUse);
}

namespace {

// The two places a volume's assembled equation is read from, behind one face.
struct LiveSystem {
  const Simulator& s;
  int32_t Ni() const { return s.media->ni; }
  int32_t Nj() const { return s.media->nj; }
  double Dt() const { return s.dt; }
  const VolumeProperties& Material(int32_t i, int32_t j) const { return s.media->volume(i, j); }
  const NumMatrix<double>& Mass() const { return s.Mass(); }
  Simulator::SimTerm Term(FaceSide side, int32_t k) const {
    switch (side) {
      case FaceSide::North:
        return s.termSN[k][Nj()];
      case FaceSide::South:
        return s.termSN[k][0];
      case FaceSide::West:
        return s.termWE[0][k];
      case FaceSide::East:
        break;
    }
    return s.termWE[Ni()][k];
  }
  const Simulator::BoundaryUse& Use(FaceSide side, int32_t k) const {
    const std::size_t n = static_cast<std::size_t>(k);
    switch (side) {
      case FaceSide::North:
        return s.northUse[n];
      case FaceSide::South:
        return s.southUse[n];
      case FaceSide::West:
        return s.westUse[n];
      case FaceSide::East:
        break;
    }
    return s.eastUse[n];
  }
};

struct KeptSystem {
  const RunEquations& e;
  int32_t Ni() const { return e.ni; }
  int32_t Nj() const { return e.nj; }
  double Dt() const { return e.dt; }
  const VolumeProperties& Material(int32_t i, int32_t j) const { return e.material[i][j]; }
  const NumMatrix<double>& Mass() const { return e.mass; }
  Simulator::SimTerm Term(FaceSide side, int32_t k) const {
    return e.term[static_cast<int>(side)][static_cast<std::size_t>(k)];
  }
  const Simulator::BoundaryUse& Use(FaceSide side, int32_t k) const {
    return e.use[static_cast<int>(side)][static_cast<std::size_t>(k)];
  }
};

template <class System, class Arrays>
VolumeEquation Read(const System& system, const Arrays& a, const Media& media,
                    const SimSnapshot& snapshot, VolumeIndex v) {
  const int32_t ni = system.Ni();
  const int32_t nj = system.Nj();
  const int32_t I = v.i;
  const int32_t J = v.j;
  INVARIANT(I >= 0 && J >= 0 && I < ni && J < nj, "I<ni && J<nj");
  const NumMatrix<double>& T = snapshot.T;

  VolumeEquation q;
  q.volume = v;
  q.time = snapshot.Time();
  q.iteration = snapshot.Iteration();
  q.solved = snapshot.Iteration() > 0;
  // The steady field is the limit at infinite time: its equation has no storage term.
  q.steady = !std::isfinite(snapshot.Time());
  q.material = system.Material(I, J);
  q.area = AreaOf(media, I, J);

  const struct {
    const char* name;
    const NumMatrix<double>& a;
    int32_t di, dj;
    bool diagonal;
  } stencil[] = {
      {"N", a.aN, 0, 1, false},    {"S", a.aS, 0, -1, false},  {"W", a.aW, -1, 0, false},
      {"E", a.aE, 1, 0, false},    {"NW", a.aNW, -1, 1, true}, {"NE", a.aNE, 1, 1, true},
      {"SW", a.aSW, -1, -1, true}, {"SE", a.aSE, 1, -1, true},
  };
  for (const auto& s : stencil) {
    const int32_t i = I + s.di;
    const int32_t j = J + s.dj;
    if (i < 0 || j < 0 || i >= ni || j >= nj)
      continue;
    const double coefficient = s.a[I][J];
    if (s.diagonal && coefficient == 0)
      continue;
    q.neighbours.push_back(NeighbourTerm{s.name, VolumeIndex{i, j}, coefficient, T[i][j]});
  }

  // Boundary calls were made North, South, West, East; the faces are listed alike.
  const auto boundaryFace = [&](FaceSide side, int32_t k) {
    const Simulator::SimTerm t = system.Term(side, k);
    q.boundary.push_back(BoundaryFaceTerm{side, system.Use(side, k), t.first, t.second});
  };
  if (J == nj - 1)
    boundaryFace(FaceSide::North, I);
  if (J == 0)
    boundaryFace(FaceSide::South, I);
  if (I == 0)
    boundaryFace(FaceSide::West, J);
  if (I == ni - 1)
    boundaryFace(FaceSide::East, J);

  q.source = a.source[I][J];
  q.aPs = a.aPs[I][J];
  q.bs = a.bs[I][J];
  q.oldT = snapshot.stepStart[I][J];
  q.T = T[I][J];
  if (q.steady) {
    q.storage = 0;
    q.aP = q.aPs;
    q.b = q.bs;
  } else {
    const double m = system.Mass()[I][J];
    const double dt = system.Dt();
    q.storage = m / dt;
    q.aP = a.aP[I][J];
    // The right-hand side exactly as the solver made it for the step (UpdateSource).
    q.b = m * q.oldT / dt + q.bs;
  }

  const double sum = q.NeighbourSum();
  q.balancedT = (sum + q.b) / q.aP;
  q.residual = q.solved ? q.b + sum - q.aP * q.T : 0;

  q.heatIn[static_cast<int>(FaceSide::North)] = snapshot.heatSN[I][J + 1];
  q.heatIn[static_cast<int>(FaceSide::South)] = 0.0 - snapshot.heatSN[I][J];
  q.heatIn[static_cast<int>(FaceSide::West)] = 0.0 - snapshot.heatWE[I][J];
  q.heatIn[static_cast<int>(FaceSide::East)] = snapshot.heatWE[I + 1][J];
  return q;
}

}  // namespace

VolumeEquation EquationOf(const Simulator& sim, const SimSnapshot& snapshot, VolumeIndex v) {
  const LiveSystem system{sim};
  return Read(system, sim, *sim.media, snapshot, v);
}

VolumeEquation EquationOf(const RunEquations& kept, const Media& media, const SimSnapshot& snapshot,
                          VolumeIndex v) {
  const KeptSystem system{kept};
  return Read(system, kept, media, snapshot, v);
}

bool EquationOf(const SimManager& run, const Media& media, int32_t snapshot, VolumeIndex v,
                VolumeEquation& equation) {
  if (snapshot < 0 || snapshot >= run.Count() || v.i < 0 || v.j < 0 || v.i >= media.ni ||
      v.j >= media.nj) {
    return false;
  }
  const SimSnapshot& shown = run.Snapshot(snapshot);
  if (shown.T.N() != media.ni || shown.T.M() != media.nj)
    return false;
  if (const Simulator* sim = run.Sim()) {
    equation = EquationOf(*sim, shown, v);
    return true;
  }
  if (const RunEquations* kept = run.Equations()) {
    equation = EquationOf(*kept, media, shown, v);
    return true;
  }
  return false;
}
