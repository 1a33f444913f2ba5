// Construction and one-time assembly of the finite-volume system.

#include "sim/simulator.h"

#include <algorithm>
#include <cmath>

#include "sim/directsolver.h"
#include "sim/geometry.h"
#include "sim/numeric.h"

namespace {

// The geometric and conductive record of one face of a volume: s runs along the face
// (+I on South/North faces, +J on West/East), r across it (+J, +I), from the volume's centre
// to the neighbour's, or across the whole volume on the boundary.
struct FaceRecord {
  Vec2 s;
  Vec2 r;
  double s2;  // |s|^2
  double sr;  // s.r
  double r2;  // |r|^2
  double d;   // |r x s|, the parallelogram on the two vectors
  double kf;  // face conductivity
  double m;   // main term  Gamma |s|^2 / D
  double c;   // cross term -Gamma (s.r) / D
};

double Length(const Point& a, const Point& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  return std::sqrt(dx * dx + dy * dy);
}

// Normalised arc-length position of the midpoint of every boundary face along a side,
// given the side's nodes in index order.
template <class NodeAt>
void SideTable(NumVector<double>& pos, int32_t n, NodeAt nodeAt) {
  double sum = 0;
  for (int32_t i = 0; i < n; ++i) {
    const double length = Length(nodeAt(i), nodeAt(i + 1));
    pos[i] = sum + length / 2;
    sum += length;
  }
  pos[n] = sum;
  if (sum > 0) {
    for (int32_t i = 0; i <= n; ++i)
      pos[i] /= sum;
  } else {
    // A side collapsed to one point has no length to measure along; spread its faces
    // evenly so each still finds its condition.
    for (int32_t i = 0; i < n; ++i)
      pos[i] = (i + 0.5) / n;
    pos[n] = 1;
  }
}

FaceRecord MakeFace(const Vec2& s, const Vec2& r) {
  FaceRecord f{};
  f.s = s;
  f.r = r;
  f.s2 = Dot(s, s);
  f.sr = Dot(s, r);
  f.r2 = Dot(r, r);
  f.d = std::fabs(Cross(r, s));
  return f;
}

// Harmonic interpolation: 1/k_f = w/k_Nb + (1 - w)/k_P, w the share of the centre-to-centre
// distance on the neighbour's side of the face.
void InteriorConductivity(FaceRecord& f, const Point& cP, const Point& cNb, const Point& mid,
                          double kP, double kNb, double cpP) {
  const double w = numeric::SinglePrecision(Length(cNb, mid) / Length(cNb, cP));
  f.kf = kP * kNb / ((kP - kNb) * w + kNb);
  const double gamma = f.kf / cpP;
  // A face of no extent (D = 0) conducts nothing rather than dividing by zero.
  if (f.d > 0) {
    f.m = gamma * f.s2 / f.d;
    f.c = -gamma * f.sr / f.d;
  } else {
    f.m = 0;
    f.c = 0;
  }
}

Simulator::SimTerm InteriorTerm(const FaceRecord& f) {
  if (!(f.d > 0))
    return Simulator::SimTerm{0, 0};
  return Simulator::SimTerm{f.kf * f.s2 / f.d, f.kf * f.sr / f.d};
}

// Normal distance from the volume's centre to a boundary face: half of r's component
// normal to s.
double NormalDistance(const FaceRecord& f) {
  double cosTheta = f.sr / (std::sqrt(f.s2) * std::sqrt(f.r2));
  if (cosTheta > 1)
    cosTheta = 1;
  if (cosTheta < -1)
    cosTheta = -1;
  return 0.5 * std::sqrt(f.r2) * std::cos(std::acos(cosTheta) - numeric::pi / 2);
}

// The boundary face's (ap, b) from the condition holding at its position; `use` records
// what the condition gave.
Simulator::SimTerm BoundaryTerm(Face& face, double x, const FaceRecord& f,
                                const VolumeProperties& p, Simulator::BoundaryUse& use) {
  FHeat* condition = face.ConditionAt(x);
  use = Simulator::BoundaryUse{condition->ValuesAt(x), x, 0};
  // A face of zero length exchanges nothing with the outside.
  if (!(f.s2 > 0))
    return Simulator::SimTerm{0, 0};
  use.delta = NormalDistance(f);
  Simulator::SimTerm term{0, 0};
  condition->Contribution(x, f.s2, use.delta, p.specificHeat, p.conductivity, term.first,
                          term.second);
  return term;
}

}  // namespace

Simulator::Simulator(const Media* media, Face* northFace, Face* southFace, Face* eastFace,
                     Face* westFace, double tolTime, double tolSpace, int32_t maxIterTime,
                     int32_t maxIterSpace, double dt, const NumMatrix<double>& start,
                     SimCallback callback, void* callbackData, SolverKind solver)
    : media(media),
      northFace(northFace),
      southFace(southFace),
      eastFace(eastFace),
      westFace(westFace),
      tolTime(tolTime),
      tolSpace(tolSpace),
      dt(dt),
      maxIterTime(maxIterTime),
      maxIterSpace(maxIterSpace),
      callback(callback),
      callbackData(callbackData),
      T(start),
      time(0),
      timeError(0),
      iteration(0),
      stepStart(start),
      solver(solver) {
  const int32_t ni = media->ni;
  const int32_t nj = media->nj;
  INVARIANT(T.N() == ni && T.M() == nj, "T.N()==ni && T.M()==nj");
  for (NumMatrix<double>* m : {&aPs, &aN, &aS, &aW, &aE, &aNW, &aNE, &aSW, &aSE, &bs, &aP, &b, &qx,
                               &qy, &source, &previous, &mass}) {
    NumMatrix<double>(ni, nj).Swap(*m);
  }
  NumMatrix<double>(ni, nj + 1).Swap(heatSN);
  NumMatrix<double>(ni + 1, nj).Swap(heatWE);
  Matrix<SimTerm>(ni, nj + 1).Swap(termSN);
  Matrix<SimTerm>(ni + 1, nj).Swap(termWE);
  northUse.resize(static_cast<std::size_t>(ni));
  southUse.resize(static_cast<std::size_t>(ni));
  westUse.resize(static_cast<std::size_t>(nj));
  eastUse.resize(static_cast<std::size_t>(nj));

  Assemble();
  InitTransient();
  BoundDerivedValues();
  ComputeFluxes();
}

Simulator::~Simulator() = default;

void Simulator::Assemble() {
  const Media& grid = *media;
  const int32_t ni = grid.ni;
  const int32_t nj = grid.nj;

  NumVector<double> posS(ni + 1), posN(ni + 1), posW(nj + 1), posE(nj + 1);
  SideTable(posS, ni, [&](int32_t i) { return grid.node(i, 0); });
  SideTable(posN, ni, [&](int32_t i) { return grid.node(i, nj); });
  SideTable(posW, nj, [&](int32_t j) { return grid.node(0, j); });
  SideTable(posE, nj, [&](int32_t j) { return grid.node(ni, j); });

  Matrix<Point> centre(ni, nj);
  for (int32_t i = 0; i < ni; ++i) {
    for (int32_t j = 0; j < nj; ++j)
      centre[i][j] = GeometryOf(grid, i, j).centre;
  }

  for (int32_t J = 0; J < nj; ++J) {
    for (int32_t I = 0; I < ni; ++I) {
      const VolumeGeometry g = GeometryOf(grid, I, J);
      const VolumeProperties& p = grid.volume(I, J);
      const Point& sw = grid.node(I, J);
      const Point& se = grid.node(I + 1, J);
      const Point& ne = grid.node(I + 1, J + 1);
      const Point& nw = grid.node(I, J + 1);
      const Point& cP = centre[I][J];
      const bool north = J == nj - 1;
      const bool south = J == 0;
      const bool west = I == 0;
      const bool east = I == ni - 1;

      FaceRecord fN = MakeFace(ne - nw, north ? g.mn - g.ms : centre[I][J + 1] - cP);
      FaceRecord fS = MakeFace(se - sw, south ? g.mn - g.ms : cP - centre[I][J - 1]);
      FaceRecord fW = MakeFace(nw - sw, west ? g.me - g.mw : cP - centre[I - 1][J]);
      FaceRecord fE = MakeFace(ne - se, east ? g.me - g.mw : centre[I + 1][J] - cP);

      const double k = p.conductivity;
      const double cp = p.specificHeat;
      if (north) {
        fN.kf = k;
      } else {
        InteriorConductivity(fN, cP, centre[I][J + 1], g.mn, k, grid.volume(I, J + 1).conductivity,
                             cp);
      }
      if (south) {
        fS.kf = k;
      } else {
        InteriorConductivity(fS, cP, centre[I][J - 1], g.ms, k, grid.volume(I, J - 1).conductivity,
                             cp);
      }
      if (west) {
        fW.kf = k;
      } else {
        InteriorConductivity(fW, cP, centre[I - 1][J], g.mw, k, grid.volume(I - 1, J).conductivity,
                             cp);
      }
      if (east) {
        fE.kf = k;
      } else {
        InteriorConductivity(fE, cP, centre[I + 1][J], g.me, k, grid.volume(I + 1, J).conductivity,
                             cp);
      }

      // Boundary calls in the order North, South, West, East, so a corner asks North or
      // South before East or West.
      SimTerm tN{0, 0}, tS{0, 0}, tW{0, 0}, tE{0, 0};
      if (north)
        tN = BoundaryTerm(*northFace, posN[I], fN, p, northUse[static_cast<std::size_t>(I)]);
      if (south)
        tS = BoundaryTerm(*southFace, posS[I], fS, p, southUse[static_cast<std::size_t>(I)]);
      if (west)
        tW = BoundaryTerm(*westFace, posW[J], fW, p, westUse[static_cast<std::size_t>(J)]);
      if (east)
        tE = BoundaryTerm(*eastFace, posE[J], fE, p, eastUse[static_cast<std::size_t>(J)]);

      const double mN = fN.m, mS = fS.m, mW = fW.m, mE = fE.m;
      const double cN = fN.c, cS = fS.c, cW = fW.c, cE = fE.c;
      const double generated = p.heatGeneration * g.area / cp;
      source[I][J] = generated;

      double vN = 0, vS = 0, vW = 0, vE = 0, vNW = 0, vNE = 0, vSW = 0, vSE = 0, vPs = 0, vbs = 0;
      if (north && east) {
        vS = mS + (cW - cS) / 2;
        vW = mW + (cS - cW) / 2;
        vSW = (cS + cW) / 2;
        vPs = mS + mW + (cS + cW) / 2 + tN.first + tE.first;
        vbs = generated + tN.second + tE.second;
      } else if (north && west) {
        vS = mS + (cS - cE) / 2;
        vE = mE + (cE - cS) / 2;
        vSE = -(cS + cE) / 2;
        vPs = mS + mE - (cS + cE) / 2 + tN.first + tW.first;
        vbs = generated + tN.second + tW.second;
      } else if (south && east) {
        vN = mN + (cN - cW) / 2;
        vW = mW + (cW - cN) / 2;
        vNW = -(cN + cW) / 2;
        vPs = mN + mW - (cN + cW) / 2 + tS.first + tE.first;
        vbs = generated + tS.second + tE.second;
      } else if (south && west) {
        vN = mN + (cE - cN) / 2;
        vE = mE + (cN - cE) / 2;
        vNE = (cN + cE) / 2;
        vPs = mN + mE + (cN + cE) / 2 + tS.first + tW.first;
        vbs = generated + tS.second + tW.second;
      } else if (north) {
        vS = mS + (cW - cE) / 2;
        vW = mW - cW / 2 + cS / 4;
        vE = mE + cE / 2 - cS / 4;
        vSW = cW / 2 + cS / 4;
        vSE = -(cE / 2 + cS / 4);
        vPs = mS + mW + mE + (cW - cE) / 2 + tN.first;
        vbs = generated + tN.second;
      } else if (south) {
        vN = mN + (cE - cW) / 2;
        vW = mW + cW / 2 - cN / 4;
        vE = mE - cE / 2 + cN / 4;
        vNW = -(cW / 2 + cN / 4);
        vNE = cE / 2 + cN / 4;
        vPs = mN + mW + mE + (cE - cW) / 2 + tS.first;
        vbs = generated + tS.second;
      } else if (west) {
        vN = mN - cN / 2 + cE / 4;
        vS = mS + cS / 2 - cE / 4;
        vE = mE + (cN - cS) / 2;
        vNE = cE / 4 + cN / 2;
        vSE = -(cE / 4 + cS / 2);
        vPs = mN + mS + mE + (cN - cS) / 2 + tW.first;
        vbs = generated + tW.second;
      } else if (east) {
        vN = mN + cN / 2 - cW / 4;
        vS = mS - cS / 2 + cW / 4;
        vW = mW + (cS - cN) / 2;
        vNW = -(cW / 4 + cN / 2);
        vSW = cW / 4 + cS / 2;
        vPs = mN + mS + mW + (cS - cN) / 2 + tE.first;
        vbs = generated + tE.second;
      } else {
        vN = mN + (cE - cW) / 4;
        vS = mS + (cW - cE) / 4;
        vW = mW + (cS - cN) / 4;
        vE = mE + (cN - cS) / 4;
        vNW = -(cN + cW) / 4;
        vNE = (cN + cE) / 4;
        vSW = (cS + cW) / 4;
        vSE = -(cS + cE) / 4;
        vPs = vN + vS + vW + vE;
        vbs = generated;
      }
      aN[I][J] = vN;
      aS[I][J] = vS;
      aW[I][J] = vW;
      aE[I][J] = vE;
      aNW[I][J] = vNW;
      aNE[I][J] = vNE;
      aSW[I][J] = vSW;
      aSE[I][J] = vSE;
      aPs[I][J] = vPs;
      bs[I][J] = vbs;

      termSN[I][J + 1] = north ? tN : InteriorTerm(fN);
      termWE[I + 1][J] = east ? tE : InteriorTerm(fE);
      if (south)
        termSN[I][0] = tS;
      if (west)
        termWE[0][J] = tW;
    }
  }
}

void Simulator::InitTransient() {
  for (int32_t i = 0; i < media->ni; ++i) {
    for (int32_t j = 0; j < media->nj; ++j) {
      const double area = AreaOf(*media, i, j);
      const double rho = media->volume(i, j).density;
      mass[i][j] = rho * area;
      aP[i][j] = rho * area / dt + aPs[i][j];
      b[i][j] = rho * area * T[i][j] / dt + bs[i][j];
    }
  }
}

void Simulator::UpdateSource() {
  for (int32_t i = 0; i < media->ni; ++i) {
    for (int32_t j = 0; j < media->nj; ++j) {
      b[i][j] = mass[i][j] * T[i][j] / dt + bs[i][j];
    }
  }
}

// Each derived value is a sum of coefficients times temperatures or differences of two
// (at most 2 max|T| each), plus constants of the conditions and sources: per volume, the
// coefficients of its equation, the terms of its faces and, for the flux densities, the face
// midpoints' spans over its area. Sums over every face (the ledger, the report) and a factor
// 2 for differences bound the rest. Loose by orders of magnitude, which only matters within
// a few orders of the largest double, where no honest problem goes.
void Simulator::BoundDerivedValues() {
  const int32_t ni = media->ni;
  const int32_t nj = media->nj;
  double coefficient = 0;
  double constant = 0;
  double spread = 1;
  for (int32_t i = 0; i < ni; ++i) {
    for (int32_t j = 0; j < nj; ++j) {
      const double cp = std::fmax(1, media->volume(i, j).specificHeat);
      double sum = mass[i][j] / dt;
      for (const NumMatrix<double>* a : {&aP, &aN, &aS, &aW, &aE, &aNW, &aNE, &aSW, &aSE})
        sum += std::fabs((*a)[i][j]);
      coefficient = std::fmax(coefficient, sum * cp);
      constant = std::fmax(constant, std::fabs(bs[i][j]) * cp);
      const VolumeGeometry g = GeometryOf(*media, i, j);
      const double span = std::fabs(g.me.x - g.mw.x) + std::fabs(g.mn.x - g.ms.x) +
                          std::fabs(g.me.y - g.mw.y) + std::fabs(g.mn.y - g.ms.y);
      spread = std::fmax(spread, span / g.area);
    }
  }
  const auto face = [&](const SimTerm& t, bool boundary, double cp) {
    if (boundary) {
      coefficient = std::fmax(coefficient, std::fabs(t.first) * cp);
      constant = std::fmax(constant, std::fabs(t.second) * cp);
    } else {
      coefficient = std::fmax(coefficient, 2 * (std::fabs(t.first) + std::fabs(t.second)));
    }
  };
  for (int32_t i = 0; i < ni; ++i) {
    for (int32_t j = 0; j <= nj; ++j) {
      const bool boundary = j == 0 || j == nj;
      face(termSN[i][j], boundary, media->volume(i, std::min(j, nj - 1)).specificHeat);
    }
  }
  for (int32_t i = 0; i <= ni; ++i) {
    for (int32_t j = 0; j < nj; ++j) {
      const bool boundary = i == 0 || i == ni;
      face(termWE[i][j], boundary, media->volume(std::min(i, ni - 1), j).specificHeat);
    }
  }
  const double faces = 4.0 * (ni + 1.0) * (nj + 1.0);
  derivedGrowth = 2 * coefficient * spread * faces;
  derivedOffset = constant * spread * faces;
}
