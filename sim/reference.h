#ifndef CALORIVECTRIX_SIM_REFERENCE_H
#define CALORIVECTRIX_SIM_REFERENCE_H

// Exact solutions of a few textbook cases, to lay beside a run: a problem may carry one
// (ReferenceCase), with the parameters of the case written out, and the profile window, the
// report and the refinement study compare the run with it.
//
// Each case is placed in the grid's own coordinates (metres) and gives, at any point of its
// domain and any time, the temperature and the heat-flux density q = -k grad T (W/m^2, along
// +x and +y). Points outside the case's domain have no value (NaN), and neither has the
// flux at an instant where the exact one is infinite (a face that has just changed its
// temperature, at time 0).
//
// The cases:
//   plane wall    a wall between x0 and x0 + L, at `initial` everywhere until time 0, when
//                 its West face is raised to Tw (or insulated) and its East face to Te:
//                   T = Tw + (Te - Tw) xi/L + sum_n B_n sin(n pi xi/L) exp(-n^2 pi^2 a t/L^2),
//                   B_n = 2/(n pi) [(Ti - Tw)(1 - (-1)^n) + (Te - Tw)(-1)^n],  xi = x - x0;
//                 an insulated West face is the mid-plane of a wall twice as thick with both
//                 faces at Te.
//   fin           a straight fin of thickness t from its base at x0 (held at Tb) to its tip
//                 at x0 + L, convection h to T_inf on its faces and its tip, read as one-
//                 dimensional: with theta = T - T_inf, m = sqrt(2h/(k t)), beta = h/(m k),
//                   theta/theta_b = (cosh m(L-x) + beta sinh m(L-x)) / (cosh mL + beta sinh mL);
//                 across the thickness the temperature is uniform and the heat the faces take
//                 is drawn evenly out of the fin: q_y = h theta (2(y - y0) - t)/t.
//   composite     layers in series from x0 along +x, West face at Tw, East face at Te: the
//                 same heat flux (Tw - Te) / sum(L_k/k_k) crosses every layer, and the
//                 temperature falls linearly within each.
//   pipe          a circle of diameter d centred in a square of side w, circle at Th and
//                 square at To (steady). Around the centre, in polar coordinates (r, phi),
//                   T = Th + (To - Th) [a_0 ln(r/R) + sum_n a_n ((r/a)^4n - (R^2/(a r))^4n)
//                                                        cos(4 n phi) / 4^n],
//                 R = d/2, a = w/2: each term is a solution of Laplace's equation that
//                 vanishes on the circle and shares the square's symmetry; the a_n are
//                 fitted by least squares to T = To along the square's side. The conduction
//                 shape factor per unit length is S = 2 pi a_0.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "sim/geometry.h"
#include "sim/media.h"

struct PlaneWallCase {
  double x0;            // the West face
  double thickness;     // L
  double conductivity;  // k, W/(m K)
  double diffusivity;   // alpha = k/(rho cp), m^2/s
  double initial;       // the whole wall, before time 0
  bool westInsulated;
  double westTemperature;  // ignored when insulated
  double eastTemperature;
};

struct FinCase {
  double x0;  // the base
  double y0;  // the South face
  double length;
  double thickness;
  double conductivity;
  double h;  // W/(m^2 K), on the faces and the tip
  double baseTemperature;
  double ambient;
};

struct WallLayer {
  double thickness;
  double conductivity;
};

struct CompositeWallCase {
  double x0;  // the West face
  std::vector<WallLayer> layers;
  double westTemperature;
  double eastTemperature;
};

struct PipeInSquareCase {
  Point centre;  // of the circle and the square
  double side;
  double diameter;
  double conductivity;
  double holeTemperature;
  double outerTemperature;
};

using ReferenceCase = std::variant<PlaneWallCase, FinCase, CompositeWallCase, PipeInSquareCase>;

// What is wrong with the parameters, in words; empty when the case can be evaluated.
std::string CheckReference(const ReferenceCase& c);
// "Plane wall (series solution)" and the like, for the windows and the report.
std::string ReferenceTitle(const ReferenceCase& c);
// Whether the case is a steady state (it then holds at every time).
bool ReferenceSteady(const ReferenceCase& c);
bool SameReference(const ReferenceCase& a, const ReferenceCase& b);

// A case made ready to evaluate (the pipe's coefficients are fitted here). Needs a case
// CheckReference accepts.
class ExactSolution {
 public:
  explicit ExactSolution(const ReferenceCase& c);

  double Temperature(Point p, double time) const;
  Vec2 Flux(Point p, double time) const;

 private:
  ReferenceCase kase;
  std::vector<double> pipeCoefficients;  // a_0, a_1, ...
};

// The exact conduction shape factor per unit length of a circle of diameter d centred in a
// square of side w, from the series: 2 pi a_0.
double CircleInSquareShapeFactor(double side, double diameter);

// The exact values on a grid, in the simulator's layout and signs, for comparing field by
// field: the temperature at each volume's centre (the mean of its corners, where the
// program keeps its temperature), and the heat rate per unit depth (W/m) through each face,
// the exact flux integrated along the face, positive towards decreasing J (South/North
// faces, heatSN[i][j]) or decreasing I (West/East faces, heatWE[i][j]).
double ExactVolumeTemperature(const ExactSolution& exact, const Media& media, int32_t i, int32_t j,
                              double time);
double ExactHeatSN(const ExactSolution& exact, const Media& media, int32_t i, int32_t j,
                   double time);
double ExactHeatWE(const ExactSolution& exact, const Media& media, int32_t i, int32_t j,
                   double time);

// Heat rate per unit depth (W/m) entering the domain through each side, exact: the sums of
// the boundary faces' exact heat rates, in the order North, South, East, West.
struct SideHeat {
  double north, south, east, west;
};
SideHeat ExactSideHeat(const ExactSolution& exact, const Media& media, double time);
// The same of a computed field, from its face heat rates (heatSN ni x (nj+1), heatWE
// (ni+1) x nj, stored positive towards decreasing J and I).
SideHeat SideHeatIn(const NumMatrix<double>& heatSN, const NumMatrix<double>& heatWE);

#endif
