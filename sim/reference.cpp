#include "sim/reference.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "sim/check.h"
#include "sim/numeric.h"

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();
constexpr double pi = numeric::pi;

// Points this close to a case's edge, relative to its size, still belong to it: grids carry
// rounding in their nodes, and a face on a side must find the side's value.
constexpr double edgeTolerance = 1e-9;

bool Finite(double v) {
  return std::isfinite(v);
}

// ---- Plane wall --------------------------------------------------------------------------

// The wall as the series sees it: from xi = 0 to xi = length, faces at t1 and t2.
struct Wall {
  double start, length, t1, t2;
};

Wall WallOf(const PlaneWallCase& c) {
  if (c.westInsulated)
    return Wall{c.x0 - c.thickness, 2 * c.thickness, c.eastTemperature, c.eastTemperature};
  return Wall{c.x0, c.thickness, c.westTemperature, c.eastTemperature};
}

// Terms until exp(-n^2 pi^2 Fo) has fallen below the last bit of the sum (n pi sqrt(Fo) > 6.5),
// with a bound so that an instant just after time 0 cannot take forever; there the series
// is cut, which only blurs the first few micrometres of a face.
int32_t WallTerms(double fourier) {
  const double n = 6.5 / (pi * std::sqrt(fourier)) + 2;
  return static_cast<int32_t>(std::min(n, 200000.0));
}

// Temperature (derivative = false) or dT/dx (true) of the wall at xi, time t > 0.
double WallSeries(const PlaneWallCase& c, const Wall& w, double xi, double t, bool derivative) {
  const double fourier = c.diffusivity * t / (w.length * w.length);
  const int32_t terms = WallTerms(fourier);
  double sum = derivative ? (w.t2 - w.t1) / w.length : w.t1 + (w.t2 - w.t1) * xi / w.length;
  for (int32_t n = 1; n <= terms; ++n) {
    const double sign = (n % 2 == 0) ? 1.0 : -1.0;  // (-1)^n
    const double b = 2 / (n * pi) * ((c.initial - w.t1) * (1 - sign) + (w.t2 - w.t1) * sign);
    if (b == 0)
      continue;
    const double k = n * pi / w.length;
    const double decay = std::exp(-(n * pi) * (n * pi) * fourier);
    if (decay == 0)
      break;
    sum += derivative ? b * k * std::cos(k * xi) * decay : b * std::sin(k * xi) * decay;
  }
  return sum;
}

double WallTemperature(const PlaneWallCase& c, Point p, double t) {
  const Wall w = WallOf(c);
  const double xi = p.x - w.start;
  const double slack = edgeTolerance * w.length;
  if (xi < -slack || xi > w.length + slack)
    return none;
  if (xi <= 0)
    return w.t1;
  if (xi >= w.length)
    return w.t2;
  if (t <= 0)
    return c.initial;
  return WallSeries(c, w, xi, t, false);
}

Vec2 WallFlux(const PlaneWallCase& c, Point p, double t) {
  const Wall w = WallOf(c);
  const double xi = p.x - w.start;
  const double slack = edgeTolerance * w.length;
  if (xi < -slack || xi > w.length + slack)
    return Vec2{none, none};
  if (t <= 0) {
    // Before the faces change nothing flows; at the instant they do, the flux through them
    // is infinite.
    if (xi <= slack || xi >= w.length - slack)
      return Vec2{none, none};
    return Vec2{0, 0};
  }
  return Vec2{-c.conductivity * WallSeries(c, w, std::clamp(xi, 0.0, w.length), t, true), 0};
}

// ---- Fin ---------------------------------------------------------------------------------

struct FinShape {
  double m, beta, length;
};

FinShape ShapeOf(const FinCase& c) {
  const double m = std::sqrt(2 * c.h / (c.conductivity * c.thickness));
  return FinShape{m, c.h / (m * c.conductivity), c.length};
}

// theta / theta_b (derivative = false) or its derivative along x, at distance x from the
// base; the hyperbolic functions divided through by exp(mL), so a long fin does not overflow.
double FinProfile(const FinShape& f, double x, bool derivative) {
  const double ml = f.m * f.length;
  const double nearBase = std::exp(-f.m * x) * (1 + f.beta);
  const double fromTip = std::exp(-f.m * (2 * f.length - x)) * (1 - f.beta);
  const double denominator = (1 + f.beta) + std::exp(-2 * ml) * (1 - f.beta);
  if (derivative)
    return f.m * (fromTip - nearBase) / denominator;
  return (nearBase + fromTip) / denominator;
}

bool InsideFin(const FinCase& c, Point p) {
  const double sx = edgeTolerance * c.length;
  const double sy = edgeTolerance * c.thickness;
  return p.x >= c.x0 - sx && p.x <= c.x0 + c.length + sx && p.y >= c.y0 - sy &&
         p.y <= c.y0 + c.thickness + sy;
}

double FinTemperature(const FinCase& c, Point p) {
  if (!InsideFin(c, p))
    return none;
  const double x = std::clamp(p.x - c.x0, 0.0, c.length);
  return c.ambient + (c.baseTemperature - c.ambient) * FinProfile(ShapeOf(c), x, false);
}

Vec2 FinFlux(const FinCase& c, Point p) {
  if (!InsideFin(c, p))
    return Vec2{none, none};
  const FinShape f = ShapeOf(c);
  const double x = std::clamp(p.x - c.x0, 0.0, c.length);
  const double y = std::clamp(p.y - c.y0, 0.0, c.thickness);
  const double thetaB = c.baseTemperature - c.ambient;
  const double theta = thetaB * FinProfile(f, x, false);
  return Vec2{-c.conductivity * thetaB * FinProfile(f, x, true),
              c.h * theta * (2 * y - c.thickness) / c.thickness};
}

// ---- Composite wall ----------------------------------------------------------------------

double TotalThickness(const CompositeWallCase& c) {
  double sum = 0;
  for (const WallLayer& layer : c.layers)
    sum += layer.thickness;
  return sum;
}

double CompositeFlux(const CompositeWallCase& c) {
  double resistance = 0;
  for (const WallLayer& layer : c.layers)
    resistance += layer.thickness / layer.conductivity;
  return (c.westTemperature - c.eastTemperature) / resistance;
}

double CompositeTemperature(const CompositeWallCase& c, Point p) {
  const double total = TotalThickness(c);
  const double xi = p.x - c.x0;
  if (xi < -edgeTolerance * total || xi > total * (1 + edgeTolerance))
    return none;
  const double flux = CompositeFlux(c);
  double t = c.westTemperature;
  double start = 0;
  for (std::size_t k = 0; k < c.layers.size(); ++k) {
    const WallLayer& layer = c.layers[k];
    if (xi <= start + layer.thickness || k + 1 == c.layers.size())
      return t - flux * std::max(0.0, std::min(xi - start, layer.thickness)) / layer.conductivity;
    t -= flux * layer.thickness / layer.conductivity;
    start += layer.thickness;
  }
  return t;
}

Vec2 CompositeHeatFlux(const CompositeWallCase& c, Point p) {
  const double total = TotalThickness(c);
  const double xi = p.x - c.x0;
  if (xi < -edgeTolerance * total || xi > total * (1 + edgeTolerance))
    return Vec2{none, none};
  return Vec2{CompositeFlux(c), 0};
}

// ---- Pipe in a square --------------------------------------------------------------------

constexpr int32_t pipeTerms = 24;

// Householder least squares in extended precision: the fitted series then holds on the
// square to the last bit of a double.
std::vector<long double> LeastSquares(std::vector<std::vector<long double>> a,
                                      std::vector<long double> b) {
  const std::size_t rows = a.size();
  const std::size_t cols = a[0].size();
  for (std::size_t k = 0; k < cols; ++k) {
    long double norm = 0;
    for (std::size_t i = k; i < rows; ++i)
      norm += a[i][k] * a[i][k];
    norm = std::sqrt(norm);
    const long double alpha = a[k][k] > 0 ? -norm : norm;
    std::vector<long double> v(rows, 0);
    for (std::size_t i = k; i < rows; ++i)
      v[i] = a[i][k];
    v[k] -= alpha;
    long double vv = 0;
    for (std::size_t i = k; i < rows; ++i)
      vv += v[i] * v[i];
    if (vv == 0)
      continue;
    auto reflect = [&](auto&& column) {
      long double d = 0;
      for (std::size_t i = k; i < rows; ++i)
        d += v[i] * column(i);
      d *= 2 / vv;
      for (std::size_t i = k; i < rows; ++i)
        column(i) -= d * v[i];
    };
    for (std::size_t j = k; j < cols; ++j)
      reflect([&a, j](std::size_t i) -> long double& { return a[i][j]; });
    reflect([&b](std::size_t i) -> long double& { return b[i]; });
  }
  std::vector<long double> x(cols);
  for (std::size_t k = cols; k-- > 0;) {
    long double s = b[k];
    for (std::size_t j = k + 1; j < cols; ++j)
      s -= a[k][j] * x[j];
    x[k] = s / a[k][k];
  }
  return x;
}

// The series' terms at (r, phi) for a unit temperature difference: value and its two
// derivatives, with the powers built up term by term.
struct PipeTerms {
  double u, ur, uphi;
};

PipeTerms PipeSeries(const std::vector<double>& a, double r, double phi, double radius,
                     double half) {
  PipeTerms t{a[0] * std::log(r / radius), a[0] / r, 0};
  const double outer = std::pow(r / half, 4) / 4;                      // (r/a)^4 / 4
  const double inner = std::pow(radius * radius / (half * r), 4) / 4;  // (R^2/(a r))^4 / 4
  double po = 1, pi4 = 1;
  for (std::size_t n = 1; n < a.size(); ++n) {
    po *= outer;
    pi4 *= inner;
    const double k = 4.0 * static_cast<double>(n);
    const double c = std::cos(k * phi);
    const double s = std::sin(k * phi);
    t.u += a[n] * (po - pi4) * c;
    t.ur += a[n] * k / r * (po + pi4) * c;
    t.uphi -= a[n] * k * (po - pi4) * s;
  }
  return t;
}

std::vector<double> FitPipe(double side, double diameter) {
  const long double half = side / 2.0L;
  const long double radius = diameter / 2.0L;
  const int32_t columns = pipeTerms + 1;
  const int32_t rows = 4 * pipeTerms + 10;
  std::vector<std::vector<long double>> a(rows, std::vector<long double>(columns));
  std::vector<long double> b(rows, 1);
  // Collocation along one eighth of the square's outline (x = a, 0 <= y <= a), which the
  // symmetry repeats; the points crowd towards the corner, where the terms grow fastest.
  for (int32_t k = 0; k < rows; ++k) {
    const long double s = (1 - std::cos(pi * (k + 0.5L) / rows)) / 2;
    const long double x = half;
    const long double y = half * s;
    const long double r = std::sqrt(x * x + y * y);
    const long double phi = std::atan2(y, x);
    a[k][0] = std::log(r / radius);
    long double po = 1, pi4 = 1;
    for (int32_t n = 1; n < columns; ++n) {
      po *= std::pow(r / half, 4) / 4;
      pi4 *= std::pow(radius * radius / (half * r), 4) / 4;
      a[k][n] = (po - pi4) * std::cos(4.0L * n * phi);
    }
  }
  const std::vector<long double> x = LeastSquares(std::move(a), std::move(b));
  return std::vector<double>(x.begin(), x.end());
}

bool InsidePipeCase(const PipeInSquareCase& c, Point p, double& r, double& phi) {
  const double dx = p.x - c.centre.x;
  const double dy = p.y - c.centre.y;
  const double half = c.side / 2 * (1 + edgeTolerance);
  r = std::hypot(dx, dy);
  phi = std::atan2(dy, dx);
  // Inside the circle the series goes on smoothly: a grid's straight faces cut a little into
  // it and must still find values there.
  return std::abs(dx) <= half && std::abs(dy) <= half && r >= c.diameter / 4;
}

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

std::string Number(double v) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << v;
  return out.str();
}

}  // namespace

std::string CheckReference(const ReferenceCase& c) {
  auto positive = [](double v, const char* name) -> std::string {
    if (!(Finite(v) && v > 0))
      return std::string(name) + " must be a number greater than 0, found " + Number(v) + ".";
    return {};
  };
  auto finite = [](double v, const char* name) -> std::string {
    if (!Finite(v))
      return std::string(name) + " must be a finite number.";
    return {};
  };
  auto first = [](std::initializer_list<std::string> faults) {
    for (const std::string& f : faults) {
      if (!f.empty())
        return f;
    }
    return std::string();
  };
  return std::visit(
      Overloaded{
          [&](const PlaneWallCase& w) {
            return first({finite(w.x0, "x0"), positive(w.thickness, "thickness"),
                          positive(w.conductivity, "conductivity"),
                          positive(w.diffusivity, "diffusivity"), finite(w.initial, "initial"),
                          finite(w.westTemperature, "westTemperature"),
                          finite(w.eastTemperature, "eastTemperature")});
          },
          [&](const FinCase& f) {
            return first({finite(f.x0, "x0"), finite(f.y0, "y0"), positive(f.length, "length"),
                          positive(f.thickness, "thickness"),
                          positive(f.conductivity, "conductivity"), positive(f.h, "h"),
                          finite(f.baseTemperature, "baseTemperature"),
                          finite(f.ambient, "ambient")});
          },
          [&](const CompositeWallCase& w) {
            std::string fault =
                first({finite(w.x0, "x0"), finite(w.westTemperature, "westTemperature"),
                       finite(w.eastTemperature, "eastTemperature")});
            if (!fault.empty())
              return fault;
            if (w.layers.empty() || w.layers.size() > 100)
              return std::string("a composite wall has from 1 to 100 layers.");
            for (const WallLayer& layer : w.layers) {
              fault = first({positive(layer.thickness, "a layer's thickness"),
                             positive(layer.conductivity, "a layer's conductivity")});
              if (!fault.empty())
                return fault;
            }
            return std::string();
          },
          [&](const PipeInSquareCase& p) {
            std::string fault =
                first({finite(p.centre.x, "centre x"), finite(p.centre.y, "centre y"),
                       positive(p.side, "side"), positive(p.diameter, "diameter"),
                       positive(p.conductivity, "conductivity"),
                       finite(p.holeTemperature, "holeTemperature"),
                       finite(p.outerTemperature, "outerTemperature")});
            if (fault.empty() && !(p.diameter < p.side))
              fault = "the circle must fit inside the square: diameter < side.";
            // Nearer than this the series needs more terms than it carries.
            if (fault.empty() && !(p.diameter < 0.99 * p.side))
              fault = "the circle must leave a gap of at least 1 % of the side.";
            return fault;
          },
      },
      c);
}

std::string ReferenceTitle(const ReferenceCase& c) {
  return std::visit(
      Overloaded{
          [](const PlaneWallCase&) { return std::string("Plane wall, series solution"); },
          [](const FinCase&) { return std::string("Fin with a convective tip"); },
          [](const CompositeWallCase&) { return std::string("Composite wall"); },
          [](const PipeInSquareCase&) {
            return std::string("Circle in a square, series solution");
          },
      },
      c);
}

bool ReferenceSteady(const ReferenceCase& c) {
  return !std::holds_alternative<PlaneWallCase>(c);
}

bool SameReference(const ReferenceCase& a, const ReferenceCase& b) {
  if (a.index() != b.index())
    return false;
  return std::visit(
      Overloaded{
          [&](const PlaneWallCase& x) {
            const auto& y = std::get<PlaneWallCase>(b);
            return x.x0 == y.x0 && x.thickness == y.thickness && x.conductivity == y.conductivity &&
                   x.diffusivity == y.diffusivity && x.initial == y.initial &&
                   x.westInsulated == y.westInsulated && x.westTemperature == y.westTemperature &&
                   x.eastTemperature == y.eastTemperature;
          },
          [&](const FinCase& x) {
            const auto& y = std::get<FinCase>(b);
            return x.x0 == y.x0 && x.y0 == y.y0 && x.length == y.length &&
                   x.thickness == y.thickness && x.conductivity == y.conductivity && x.h == y.h &&
                   x.baseTemperature == y.baseTemperature && x.ambient == y.ambient;
          },
          [&](const CompositeWallCase& x) {
            const auto& y = std::get<CompositeWallCase>(b);
            if (x.x0 != y.x0 || x.westTemperature != y.westTemperature ||
                x.eastTemperature != y.eastTemperature || x.layers.size() != y.layers.size())
              return false;
            for (std::size_t k = 0; k < x.layers.size(); ++k) {
              if (x.layers[k].thickness != y.layers[k].thickness ||
                  x.layers[k].conductivity != y.layers[k].conductivity)
                return false;
            }
            return true;
          },
          [&](const PipeInSquareCase& x) {
            const auto& y = std::get<PipeInSquareCase>(b);
            return x.centre.x == y.centre.x && x.centre.y == y.centre.y && x.side == y.side &&
                   x.diameter == y.diameter && x.conductivity == y.conductivity &&
                   x.holeTemperature == y.holeTemperature &&
                   x.outerTemperature == y.outerTemperature;
          },
      },
      a);
}

ExactSolution::ExactSolution(const ReferenceCase& c) : kase(c) {
  INVARIANT(CheckReference(c).empty(), "CheckReference(c).empty()");
  if (const auto* pipe = std::get_if<PipeInSquareCase>(&kase))
    pipeCoefficients = FitPipe(pipe->side, pipe->diameter);
}

double ExactSolution::Temperature(Point p, double time) const {
  return std::visit(Overloaded{
                        [&](const PlaneWallCase& w) { return WallTemperature(w, p, time); },
                        [&](const FinCase& f) { return FinTemperature(f, p); },
                        [&](const CompositeWallCase& w) { return CompositeTemperature(w, p); },
                        [&](const PipeInSquareCase& c) {
                          double r, phi;
                          if (!InsidePipeCase(c, p, r, phi))
                            return none;
                          const PipeTerms t =
                              PipeSeries(pipeCoefficients, r, phi, c.diameter / 2, c.side / 2);
                          return c.holeTemperature + (c.outerTemperature - c.holeTemperature) * t.u;
                        },
                    },
                    kase);
}

Vec2 ExactSolution::Flux(Point p, double time) const {
  return std::visit(
      Overloaded{
          [&](const PlaneWallCase& w) { return WallFlux(w, p, time); },
          [&](const FinCase& f) { return FinFlux(f, p); },
          [&](const CompositeWallCase& w) { return CompositeHeatFlux(w, p); },
          [&](const PipeInSquareCase& c) {
            double r, phi;
            if (!InsidePipeCase(c, p, r, phi))
              return Vec2{none, none};
            const PipeTerms t = PipeSeries(pipeCoefficients, r, phi, c.diameter / 2, c.side / 2);
            const double scale = -c.conductivity * (c.outerTemperature - c.holeTemperature);
            const double cs = std::cos(phi);
            const double sn = std::sin(phi);
            return Vec2{scale * (t.ur * cs - t.uphi * sn / r),
                        scale * (t.ur * sn + t.uphi * cs / r)};
          },
      },
      kase);
}

double CircleInSquareShapeFactor(double side, double diameter) {
  return 2 * pi * FitPipe(side, diameter)[0];
}

namespace {

// Five-point Gauss-Legendre on [0, 1]: exact for polynomials of degree 9, far more than a
// face's share of a smooth field needs.
constexpr double gaussNodes[5] = {0.04691007703066800, 0.23076534494715845, 0.5,
                                  0.76923465505284155, 0.95308992296933200};
constexpr double gaussWeights[5] = {0.11846344252809454, 0.23931433524968324, 0.28444444444444444,
                                    0.23931433524968324, 0.11846344252809454};

// The heat rate through the straight face from a to b, positive along n ds = (dy, -dx): to
// the right of the way from a to b.
double FaceHeat(const ExactSolution& exact, Point a, Point b, double time) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  double sum = 0;
  for (int k = 0; k < 5; ++k) {
    const double t = gaussNodes[k];
    const Vec2 q = exact.Flux(Point{a.x + t * dx, a.y + t * dy}, time);
    sum += gaussWeights[k] * (q.x * dy - q.y * dx);
  }
  return sum;
}

// +1 when the volume's corners run counter-clockwise (I to the right of J, as in x and y).
double Orientation(const Media& media, int32_t i, int32_t j) {
  const Point& sw = media.node(i, j);
  return Cross(media.node(i + 1, j) - sw, media.node(i, j + 1) - sw) >= 0 ? 1.0 : -1.0;
}

}  // namespace

double ExactVolumeTemperature(const ExactSolution& exact, const Media& media, int32_t i, int32_t j,
                              double time) {
  return exact.Temperature(GeometryOf(media, i, j).centre, time);
}

double ExactHeatSN(const ExactSolution& exact, const Media& media, int32_t i, int32_t j,
                   double time) {
  // Along the face from node (i, j) to (i + 1, j) the right-hand side is -J on a
  // counter-clockwise grid, which is the stored sign.
  const double turn = Orientation(media, i, std::min(j, media.nj - 1));
  return turn * FaceHeat(exact, media.node(i, j), media.node(i + 1, j), time);
}

double ExactHeatWE(const ExactSolution& exact, const Media& media, int32_t i, int32_t j,
                   double time) {
  // From node (i, j + 1) down to (i, j) the right-hand side is -I.
  const double turn = Orientation(media, std::min(i, media.ni - 1), j);
  return turn * FaceHeat(exact, media.node(i, j + 1), media.node(i, j), time);
}

SideHeat ExactSideHeat(const ExactSolution& exact, const Media& media, double time) {
  SideHeat side{0, 0, 0, 0};
  for (int32_t i = 0; i < media.ni; ++i) {
    side.north += ExactHeatSN(exact, media, i, media.nj, time);
    side.south -= ExactHeatSN(exact, media, i, 0, time);
  }
  for (int32_t j = 0; j < media.nj; ++j) {
    side.east += ExactHeatWE(exact, media, media.ni, j, time);
    side.west -= ExactHeatWE(exact, media, 0, j, time);
  }
  return side;
}

SideHeat SideHeatIn(const NumMatrix<double>& heatSN, const NumMatrix<double>& heatWE) {
  const int32_t ni = heatSN.N();
  const int32_t nj = heatWE.M();
  SideHeat side{0, 0, 0, 0};
  for (int32_t i = 0; i < ni; ++i) {
    side.north += heatSN[i][nj];
    side.south -= heatSN[i][0];
  }
  for (int32_t j = 0; j < nj; ++j) {
    side.east += heatWE[ni][j];
    side.west -= heatWE[0][j];
  }
  return side;
}
