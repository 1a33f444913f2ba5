#include "sim/refinement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <sstream>

#include "sim/check.h"
#include "sim/numeric.h"
#include "sim/reference.h"
#include "sim/streammedia.h"

// ---- Copies and finer grids --------------------------------------------------------------

namespace {

std::unique_ptr<Function1D> CopyFunction(const Function1D& f) {
  if (const auto* c = dynamic_cast<const FConstant*>(&f))
    return std::make_unique<FConstant>(c->k);
  if (const auto* l = dynamic_cast<const FLinear*>(&f))
    return std::make_unique<FLinear>(l->a, l->b);
  if (const auto* s = dynamic_cast<const FSin*>(&f))
    return std::make_unique<FSin>(s->a, s->b, s->c);
  const auto& c = dynamic_cast<const FCos&>(f);
  return std::make_unique<FCos>(c.a, c.b, c.c);
}

// The grid of the same kind and recipe with ni x nj volumes; a grid from a file is copied
// node by node (only at its own size).
std::unique_ptr<Media> SameKind(const Media& media, int32_t ni, int32_t nj) {
  const VolumeProperties gold = DefaultMaterial();
  if (const auto* c = dynamic_cast<const CartesianMedia*>(&media))
    return std::make_unique<CartesianMedia>(c->width, c->height, ni, nj, gold);
  if (const auto* p = dynamic_cast<const PolarMedia*>(&media))
    return std::make_unique<PolarMedia>(p->re, p->ri, p->angleDegrees, ni, nj, gold);
  if (const auto* m = dynamic_cast<const MixedMedia*>(&media))
    return std::make_unique<MixedMedia>(m->w, m->h, m->u, m->r, ni, nj, gold);
  INVARIANT(ni == media.ni && nj == media.nj, "ni == media.ni && nj == media.nj");
  auto copy = std::make_unique<Media>(ni, nj, gold);
  for (int32_t i = 0; i <= ni; ++i) {
    for (int32_t j = 0; j <= nj; ++j)
      copy->node(i, j) = media.node(i, j);
  }
  return copy;
}

// The rectangle with a hole divides its outline into n, m and n pieces (n = nj/3): a finer
// grid nests in the coarse one only when its n is the coarse n times the factor. When
// factor * nj is not divisible in the same way, the finer grid is built here with the
// generator's own formulas and the nested counts.
std::unique_ptr<Media> NestedMixed(const MixedMedia& coarse, int32_t factor) {
  const int32_t ni = coarse.ni * factor;
  const int32_t nj = coarse.nj * factor;
  const int32_t n = coarse.nj / 3 * factor;
  if (nj / 3 == n)
    return std::make_unique<MixedMedia>(coarse.w, coarse.h, coarse.u, coarse.r, ni, nj,
                                        DefaultMaterial());
  const int32_t m = nj - 2 * n;
  const double hx = numeric::SinglePrecision(coarse.w / n);
  const double hy = numeric::SinglePrecision(coarse.h / m);
  std::vector<Point> outer(static_cast<std::size_t>(nj) + 1);
  for (int32_t k = 0; k <= n; ++k)
    outer[k] = Point{k * hx, 0};
  for (int32_t k = 0; k <= m; ++k)
    outer[n + k] = Point{coarse.w, k * hy};
  for (int32_t k = 0; k <= n; ++k)
    outer[n + m + k] = Point{coarse.w - k * hx, coarse.h};
  auto grid = std::make_unique<Media>(ni, nj, DefaultMaterial());
  const Point o{0, coarse.u};
  for (int32_t j = 0; j <= nj; ++j) {
    const double qx = outer[j].x - o.x;
    const double qy = outer[j].y - o.y;
    const double length = numeric::SinglePrecision(std::sqrt(qx * qx + qy * qy));
    const double step = numeric::SinglePrecision((length - coarse.r) / ni);
    for (int32_t i = 0; i <= ni; ++i) {
      const double rho = numeric::SinglePrecision(coarse.r + i * step);
      grid->node(i, j) = Point{o.x + (rho / length) * qx, o.y + (rho / length) * qy};
    }
  }
  return grid;
}

// Whether p lies in volume (i, j), edges included (within rounding).
bool Holds(const Media& media, int32_t i, int32_t j, Point p) {
  const Point corners[4] = {media.node(i, j), media.node(i + 1, j), media.node(i + 1, j + 1),
                            media.node(i, j + 1)};
  double sign = 0;
  for (int k = 0; k < 4; ++k) {
    const Point& a = corners[k];
    const Point& b = corners[(k + 1) % 4];
    const Vec2 edge = b - a;
    const double side = Cross(edge, p - a);
    const double slack = 1e-9 * Dot(edge, edge);
    if (std::abs(side) <= slack)
      continue;
    if (sign == 0)
      sign = side;
    else if ((side > 0) != (sign > 0))
      return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<ProblemRecord> CopyProblem(const ProblemRecord& p) {
  auto copy = std::make_unique<ProblemRecord>();
  copy->ReleaseConditions();
  copy->northFace = std::make_unique<Face>();
  copy->southFace = std::make_unique<Face>();
  copy->eastFace = std::make_unique<Face>();
  copy->westFace = std::make_unique<Face>();

  std::map<const Function1D*, const Function1D*> functions;
  auto function = [&](const Function1D* f) {
    auto found = functions.find(f);
    if (found != functions.end())
      return found->second;
    copy->functionList.push_back(CopyFunction(*f));
    return functions[f] = copy->functionList.back().get();
  };
  for (const auto& f : p.functionList)
    function(f.get());

  // Conditions shared between segments stay shared: each is copied once.
  std::map<const FHeat*, FHeat*> conditions;
  auto condition = [&](const FHeat* c) {
    auto found = conditions.find(c);
    if (found != conditions.end())
      return found->second;
    FHeat* made = nullptr;
    if (const auto* t = dynamic_cast<const FTemperature*>(c)) {
      made = new FTemperature(function(t->temperature));
    } else if (const auto* q = dynamic_cast<const FFlux*>(c)) {
      made = new FFlux(function(q->flux));
    } else {
      const auto& h = dynamic_cast<const FConvection&>(*c);
      made = new FConvection(function(h.h), function(h.ambient));
    }
    return conditions[c] = made;
  };
  const Face* const from[] = {p.northFace.get(), p.southFace.get(), p.eastFace.get(),
                              p.westFace.get()};
  Face* const to[] = {copy->northFace.get(), copy->southFace.get(), copy->eastFace.get(),
                      copy->westFace.get()};
  for (int k = 0; k < 4; ++k) {
    // Each segment starts where the last one ended, so every insertion appends and the
    // bounds come out exactly as they were.
    for (int32_t s = 0; s < from[k]->count; ++s)
      to[k]->Insert(Segment{from[k]->bounds[s], from[k]->bounds[s + 1], condition(from[k]->f[s])});
  }

  copy->media = SameKind(*p.media, p.media->ni, p.media->nj);
  for (int32_t i = 0; i < p.media->ni; ++i) {
    for (int32_t j = 0; j < p.media->nj; ++j)
      copy->media->volume(i, j) = p.media->volume(i, j);
  }
  copy->initialTemp = p.initialTemp;
  copy->tolTime = p.tolTime;
  copy->tolSpace = p.tolSpace;
  copy->maxIterTime = p.maxIterTime;
  copy->maxIterSpace = p.maxIterSpace;
  copy->dt = p.dt;
  copy->solver = p.solver;
  copy->SetMarks(std::make_unique<NumVector<int>>(*p._marks));
  copy->reference = p.reference;
  return copy;
}

bool Refinable(const Media& media) {
  return dynamic_cast<const CartesianMedia*>(&media) || dynamic_cast<const PolarMedia*>(&media) ||
         dynamic_cast<const MixedMedia*>(&media);
}

std::unique_ptr<Media> RefinedGrid(const Media& coarse, int32_t factor) {
  INVARIANT(Refinable(coarse) && factor >= 1, "Refinable(coarse) && factor >= 1");
  std::unique_ptr<Media> fine;
  if (const auto* mixed = dynamic_cast<const MixedMedia*>(&coarse))
    fine = NestedMixed(*mixed, factor);
  else
    fine = SameKind(coarse, coarse.ni * factor, coarse.nj * factor);
  for (int32_t i = 0; i < fine->ni; ++i) {
    for (int32_t j = 0; j < fine->nj; ++j) {
      // The coarse volume the nesting puts it in; the search is for grids whose rounding
      // moves a node across a coarse edge.
      const Point centre = GeometryOf(*fine, i, j).centre;
      VolumeIndex holder{i / factor, j / factor};
      if (!Holds(coarse, holder.i, holder.j, centre)) {
        const VolumeIndex found = FindVolume(coarse, centre);
        if (found.Valid())
          holder = found;
      }
      fine->volume(i, j) = coarse.volume(holder.i, holder.j);
    }
  }
  return fine;
}

int32_t MaxStudyLevels(const Media& media) {
  if (!Refinable(media))
    return 0;
  int32_t levels = 1;
  for (int64_t factor = 2;; factor *= 2) {
    const int64_t ni = media.ni * factor;
    const int64_t nj = media.nj * factor;
    if (ni > maxGridFileVolumesPerDirection || nj > maxGridFileVolumesPerDirection ||
        ni * nj > maxGridFileVolumes)
      return levels;
    ++levels;
  }
}

// ---- Interpolation -------------------------------------------------------------------------

namespace {

// (s, t) in the bilinear quad a-b-c-d (counter-clockwise from a) that maps to p, by Newton's
// method; false when p lies outside it.
bool BilinearInverse(const Point& a, const Point& b, const Point& c, const Point& d, Point p,
                     double& s, double& t) {
  s = 0.5;
  t = 0.5;
  for (int k = 0; k < 30; ++k) {
    const double x = (1 - s) * (1 - t) * a.x + s * (1 - t) * b.x + s * t * c.x + (1 - s) * t * d.x;
    const double y = (1 - s) * (1 - t) * a.y + s * (1 - t) * b.y + s * t * c.y + (1 - s) * t * d.y;
    const double xs = (1 - t) * (b.x - a.x) + t * (c.x - d.x);
    const double ys = (1 - t) * (b.y - a.y) + t * (c.y - d.y);
    const double xt = (1 - s) * (d.x - a.x) + s * (c.x - b.x);
    const double yt = (1 - s) * (d.y - a.y) + s * (c.y - b.y);
    const double det = xs * yt - xt * ys;
    if (det == 0 || !std::isfinite(det))
      return false;
    const double rx = p.x - x;
    const double ry = p.y - y;
    const double ds = (rx * yt - ry * xt) / det;
    const double dt = (xs * ry - ys * rx) / det;
    s += ds;
    t += dt;
    if (std::abs(ds) + std::abs(dt) < 1e-15)
      break;
  }
  const double slack = 1e-9;
  return s >= -slack && s <= 1 + slack && t >= -slack && t <= 1 + slack;
}

}  // namespace

double InterpolatedTemperature(const Media& media, const NumMatrix<double>& T, Point p) {
  const VolumeIndex v = FindVolume(media, p);
  if (!v.Valid())
    return std::numeric_limits<double>::quiet_NaN();
  const Point centre = GeometryOf(media, v.i, v.j).centre;
  const double size = std::sqrt(ExtentSquared(media, v.i, v.j));
  if (std::hypot(p.x - centre.x, p.y - centre.y) <= 1e-12 * size)
    return T[v.i][v.j];
  // The cells of the grid of centres that touch this volume's centre.
  for (int32_t i = std::max(v.i - 1, 0); i <= std::min(v.i, media.ni - 2); ++i) {
    for (int32_t j = std::max(v.j - 1, 0); j <= std::min(v.j, media.nj - 2); ++j) {
      const Point a = GeometryOf(media, i, j).centre;
      const Point b = GeometryOf(media, i + 1, j).centre;
      const Point c = GeometryOf(media, i + 1, j + 1).centre;
      const Point d = GeometryOf(media, i, j + 1).centre;
      double s, t;
      if (BilinearInverse(a, b, c, d, p, s, t)) {
        return (1 - s) * (1 - t) * T[i][j] + s * (1 - t) * T[i + 1][j] + s * t * T[i + 1][j + 1] +
               (1 - s) * t * T[i][j + 1];
      }
    }
  }
  return T[v.i][v.j];
}

// ---- The scheme's order ------------------------------------------------------------------

namespace {

// The positions along a side of its boundary faces' midpoints, as the simulator measures
// them (normalised arc length).
template <class NodeAt>
std::vector<double> SidePositions(int32_t n, NodeAt nodeAt) {
  std::vector<double> pos(static_cast<std::size_t>(n));
  double sum = 0;
  for (int32_t k = 0; k < n; ++k) {
    const Point a = nodeAt(k);
    const Point b = nodeAt(k + 1);
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    pos[k] = sum + length / 2;
    sum += length;
  }
  for (double& x : pos)
    x = sum > 0 ? x / sum : 0.5;
  return pos;
}

// Whether the condition holds the face near some temperature: a temperature, or convection
// with a film coefficient.
bool Holding(const FHeat* c, double x) {
  if (dynamic_cast<const FTemperature*>(c))
    return true;
  if (const auto* h = dynamic_cast<const FConvection*>(c))
    return h->h->Value(x) != 0;
  return false;
}

// |cos| of the angle between a boundary face (from a to b) and the line across its volume
// (from the opposite face's midpoint to this face's).
double Skew(Point a, Point b, Point acrossFrom, Point acrossTo) {
  const Vec2 s = b - a;
  const Vec2 r = acrossTo - acrossFrom;
  const double norms = std::sqrt(Dot(s, s) * Dot(r, r));
  return norms > 0 ? std::abs(Dot(s, r)) / norms : 0;
}

}  // namespace

int32_t SchemeOrder(const Media& media, ProblemRecord& sides) {
  // Beyond about 6 degrees from square the measured order drops to one.
  constexpr double skewed = 0.1;
  const int32_t ni = media.ni;
  const int32_t nj = media.nj;
  bool first = false;
  const std::vector<double> south = SidePositions(ni, [&](int32_t k) { return media.node(k, 0); });
  const std::vector<double> north = SidePositions(ni, [&](int32_t k) { return media.node(k, nj); });
  const std::vector<double> west = SidePositions(nj, [&](int32_t k) { return media.node(0, k); });
  const std::vector<double> east = SidePositions(nj, [&](int32_t k) { return media.node(ni, k); });
  for (int32_t i = 0; i < ni && !first; ++i) {
    const VolumeGeometry s = GeometryOf(media, i, 0);
    const VolumeGeometry n = GeometryOf(media, i, nj - 1);
    if (Holding(sides.southFace->ConditionAt(south[i]), south[i]) &&
        Skew(media.node(i, 0), media.node(i + 1, 0), s.mn, s.ms) > skewed)
      first = true;
    if (Holding(sides.northFace->ConditionAt(north[i]), north[i]) &&
        Skew(media.node(i, nj), media.node(i + 1, nj), n.ms, n.mn) > skewed)
      first = true;
  }
  for (int32_t j = 0; j < nj && !first; ++j) {
    const VolumeGeometry w = GeometryOf(media, 0, j);
    const VolumeGeometry e = GeometryOf(media, ni - 1, j);
    if (Holding(sides.westFace->ConditionAt(west[j]), west[j]) &&
        Skew(media.node(0, j), media.node(0, j + 1), w.me, w.mw) > skewed)
      first = true;
    if (Holding(sides.eastFace->ConditionAt(east[j]), east[j]) &&
        Skew(media.node(ni, j), media.node(ni, j + 1), e.mw, e.me) > skewed)
      first = true;
  }
  return first ? 1 : 2;
}

// ---- The end of a run --------------------------------------------------------------------

namespace {

bool AllFinite(const NumMatrix<double>& m) {
  for (int32_t i = 0; i < m.N(); ++i) {
    for (int32_t j = 0; j < m.M(); ++j) {
      if (!std::isfinite(m[i][j]))
        return false;
    }
  }
  return true;
}

// A step that changes the field by less than this share of its range changes nothing a
// double can show: the run has arrived where running on to the end time would leave it.
constexpr double unchangingStep = 1e-12;

}  // namespace

RunEnd RunProblemToEnd(ProblemRecord& problem, const Media& grid, SimCallback callback,
                       void* callbackData) {
  RunEnd end;
  NumMatrix<double> start(grid.ni, grid.nj);
  start.SetAll(problem.initialTemp);
  // Every grid runs to the same time: the problem's own steady-state tolerance would stop
  // each grid at a step of its own and leave a different remainder of the transient in each.
  Simulator sim(&grid, problem.northFace.get(), problem.southFace.get(), problem.eastFace.get(),
                problem.westFace.get(), unchangingStep, problem.tolSpace, problem.maxIterTime,
                problem.maxIterSpace, problem.dt, start, callback, callbackData,
                SolverKind::Direct);
  // A steady problem ends at its steady field, solved at once on every grid.
  const int8_t result =
      problem.runMode == RunMode::Steady ? sim.SolveSteady() : sim.Advance(problem.maxIterTime);
  if (result == Simulator::Complete || result == Simulator::ReachedTarget) {
    end.snapshot = std::make_unique<SimSnapshot>(sim);
    if (AllFinite(end.snapshot->T) && AllFinite(end.snapshot->heatSN) &&
        AllFinite(end.snapshot->heatWE)) {
      end.status = RunEnd::Status::Done;
      return end;
    }
    end.snapshot.reset();
    end.message = "the run gave temperatures that are not finite numbers";
    return end;
  }
  if (result == Simulator::StoppedByUser ||
      (result == Simulator::StepFailed && sim.Failure() == StepFailure::None)) {
    end.status = RunEnd::Status::Stopped;
    return end;
  }
  switch (sim.Failure()) {
    case StepFailure::Singular:
      end.message = "the direct solver could not solve the equations (a singular system)";
      break;
    case StepFailure::NotFinite:
      end.message = "a temperature overflowed or became undefined";
      break;
    case StepFailure::NoSteadyState:
      end.message = "it has no steady state: no temperature or convection holds part of it";
      break;
    case StepFailure::OutOfMemory:
      end.message = "there was not enough memory";
      break;
    default:
      end.message = "a time step could not be solved";
      break;
  }
  return end;
}

// ---- The study ---------------------------------------------------------------------------

namespace study {

const char* QuantityName(int32_t quantity) {
  static const char* const names[quantityCount] = {
      "Heat in through North", "Heat in through South",    "Heat in through East",
      "Heat in through West",  "Temperature at the probe", "Largest temperature"};
  return names[quantity];
}

const char* QuantityUnit(int32_t quantity) {
  return quantity < ProbeTemperature ? "W/m" : "";
}

const char* QuantityKey(int32_t quantity) {
  static const char* const keys[quantityCount] = {"HeatInNorth",      "HeatInSouth",
                                                  "HeatInEast",       "HeatInWest",
                                                  "ProbeTemperature", "LargestTemperature"};
  return keys[quantity];
}

Estimate EstimateConvergence(double coarse, double medium, double fine, double scale,
                             double expectedOrder, double otherExpectedOrder) {
  Estimate e;
  e.expectedOrder = expectedOrder;
  e.otherExpectedOrder = otherExpectedOrder;
  const double d1 = coarse - medium;
  const double d2 = medium - fine;
  // Seven digits: far below what any grid changes, well above what rounding and the run's
  // stop leave behind.
  const double rounding = 1e-7 * scale;
  if (std::abs(d1) <= rounding && std::abs(d2) <= rounding) {
    e.kind = Estimate::Kind::Unchanged;
    return e;
  }
  if (std::abs(d2) <= rounding) {
    e.kind = Estimate::Kind::Settled;
    return e;
  }
  if (std::abs(d1) <= rounding || std::abs(d2) >= std::abs(d1)) {
    e.kind = Estimate::Kind::Diverging;
    return e;
  }
  if ((d1 > 0) != (d2 > 0)) {
    e.kind = Estimate::Kind::Oscillating;
    return e;
  }
  e.kind = Estimate::Kind::Converging;
  e.order = std::log2(d1 / d2);
  e.extrapolated = fine - d2 / (std::pow(2.0, e.order) - 1);
  auto near = [&e](double expected) {
    return expected > 0 && std::abs(e.order - expected) <= 0.25 * expected;
  };
  e.trusted = near(expectedOrder) || near(otherExpectedOrder);
  // The order the observed one matched, for the index below and the verdict.
  if (!near(expectedOrder) && near(otherExpectedOrder))
    std::swap(e.expectedOrder, e.otherExpectedOrder);
  // Roache's grid-convergence index: with an order that matches the scheme's, a safety
  // factor of 1.25 on the Richardson estimate of the finest grid's error; without, the
  // conservative 3 and the smaller of the two orders.
  e.safetyFactor = e.trusted ? 1.25 : 3.0;
  const double p = e.trusted ? e.order : std::min(e.order, expectedOrder);
  e.gci = e.safetyFactor * std::abs(d2) / (std::pow(2.0, p) - 1);
  return e;
}

namespace {

std::string Number(double v, int digits = 6) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.precision(digits);
  out << (v == 0 ? 0.0 : v);
  return out.str();
}

std::string Fixed(double v, int decimals) {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out.setf(std::ios::fixed);
  out.precision(decimals);
  out << v;
  return out.str();
}

}  // namespace

std::string Verdict(const Estimate& e, int32_t quantity, double finest, bool hottestOnSide) {
  const std::string unit = QuantityUnit(quantity);
  const std::string withUnit = unit.empty() ? std::string() : " " + unit;
  const std::string expected = Fixed(e.expectedOrder, 0);
  std::string why;
  if (quantity == LargestTemperature && hottestOnSide) {
    why =
        " (the hottest volume lies against a side: its centre, half a volume from the side, "
        "approaches the side's temperature at first order where the temperature still rises "
        "towards the side, and at the scheme's order where it levels off there)";
  } else if (e.expectedOrder == 1) {
    why =
        " (first order on this grid: its lines meet a side held at a temperature at an "
        "angle)";
  }
  switch (e.kind) {
    case Estimate::Kind::TooFewLevels:
      return "Three levels are needed to estimate an order.";
    case Estimate::Kind::Unchanged:
      return "Does not change with the grid: every level gives " + Number(finest, 8) + withUnit +
             " to seven digits. This answer does not depend on the grid.";
    case Estimate::Kind::Settled:
      return "The two finest grids agree to seven digits: " + Number(finest, 8) + withUnit +
             " is the answer these settings give.";
    case Estimate::Kind::Oscillating:
      return "The differences between the levels change sign: the values swing about the "
             "answer, so no order can be read from them and nothing is extrapolated. The "
             "grids are not yet fine enough, or something else (the time step, the end time) "
             "sets the error.";
    case Estimate::Kind::Diverging:
      return "The differences between the levels do not shrink: the values are not yet "
             "converging, so no order is given and nothing is extrapolated. Try finer grids, "
             "and look for what the grid cannot resolve: a sharp corner, or a sudden change "
             "of condition along a side.";
    case Estimate::Kind::Converging:
      break;
  }
  const std::string band =
      "±" + Number(e.gci, 3) + withUnit +
      (finest != 0 ? " (" + Number(100 * e.gci / std::abs(finest), 2) + " %)" : std::string());
  if (e.trusted) {
    return "Observed order " + Fixed(e.order, 2) + ", near the expected " + expected + why +
           ": the grids are in the asymptotic range, and the extrapolated value " +
           Number(e.extrapolated, 8) + withUnit +
           " is likely closer to the exact answer than the finest grid's. Grid-convergence "
           "index: the finest value lies within " +
           band + " of the grid-independent answer (safety factor 1.25).";
  }
  const std::string expectedHere =
      e.otherExpectedOrder > 0 ? Fixed(e.expectedOrder, 0) + " or " + Fixed(e.otherExpectedOrder, 0)
                               : expected;
  return "Observed order " + Fixed(e.order, 2) + ", far from the expected " + expectedHere + why +
         ": the grids are not yet in the asymptotic range, so the extrapolated value " +
         Number(e.extrapolated, 8) + withUnit +
         " is not to be trusted. A cautious grid-convergence index puts the finest value within " +
         band + " of the grid-independent answer (safety factor 3).";
}

namespace {

struct Watch {
  Progress* progress;
  double before;  // share of the study done before this level
  double weight;  // this level's share
  int32_t steps;
};

bool OnStep(Simulator* sim, int32_t code, double, void* data) {
  auto& w = *static_cast<Watch*>(data);
  if (w.progress->cancel.load())
    return false;
  if (code == progress::StepAccepted && w.steps > 0) {
    const double share = static_cast<double>(sim->Iteration()) / w.steps;
    w.progress->done.store(w.before + w.weight * std::min(share, 1.0));
  }
  return true;
}

double Spacing(const Media& media) {
  double area = 0;
  for (int32_t i = 0; i < media.ni; ++i) {
    for (int32_t j = 0; j < media.nj; ++j)
      area += AreaOf(media, i, j);
  }
  return std::sqrt(area / (static_cast<double>(media.ni) * media.nj));
}

Level Measure(const Media& grid, const SimSnapshot& s, int32_t factor, Point probe) {
  Level level;
  level.factor = factor;
  level.ni = grid.ni;
  level.nj = grid.nj;
  level.spacing = Spacing(grid);
  level.steps = s.Iteration();
  level.time = s.Time();
  const SideHeat in = SideHeatIn(s.heatSN, s.heatWE);
  level.values[HeatNorth] = in.north;
  level.values[HeatSouth] = in.south;
  level.values[HeatEast] = in.east;
  level.values[HeatWest] = in.west;
  level.values[ProbeTemperature] = InterpolatedTemperature(grid, s.T, probe);
  int32_t hi = 0, hj = 0;
  for (int32_t i = 0; i < grid.ni; ++i) {
    for (int32_t j = 0; j < grid.nj; ++j) {
      if (s.T[i][j] > s.T[hi][hj]) {
        hi = i;
        hj = j;
      }
    }
  }
  level.values[LargestTemperature] = s.T[hi][hj];
  level.hottestOnSide = hi == 0 || hj == 0 || hi == grid.ni - 1 || hj == grid.nj - 1;
  return level;
}

}  // namespace

Result Run(ProblemRecord& problem, const Settings& settings, Progress& progress) {
  const Media& grid = *problem.media;
  INVARIANT(settings.levels >= 3 && settings.levels <= MaxStudyLevels(grid),
            "settings.levels >= 3 && settings.levels <= MaxStudyLevels(grid)");
  Result result;
  result.probe = settings.probe.Valid() && settings.probe.i < grid.ni && settings.probe.j < grid.nj
                     ? settings.probe
                     : VolumeIndex{grid.ni / 2, grid.nj / 2};
  result.probePoint = GeometryOf(grid, result.probe.i, result.probe.j).centre;
  result.schemeOrder = SchemeOrder(grid, problem);
  for (double& v : result.exact)
    v = std::numeric_limits<double>::quiet_NaN();

  // Each level has four times the volumes of the last; its share of the bar follows that.
  double total = 0;
  for (int32_t k = 0; k < settings.levels; ++k)
    total += std::pow(4.0, k);
  double before = 0;
  std::unique_ptr<Media> finest;
  for (int32_t k = 0; k < settings.levels; ++k) {
    progress.level.store(k);
    const int32_t factor = 1 << k;
    std::unique_ptr<Media> level = RefinedGrid(grid, factor);
    Watch watch{&progress, before, std::pow(4.0, k) / total, problem.maxIterTime};
    RunEnd end = RunProblemToEnd(problem, *level, OnStep, &watch);
    if (end.status == RunEnd::Status::Stopped || progress.cancel.load()) {
      result.status = Result::Status::Cancelled;
      return result;
    }
    if (end.status == RunEnd::Status::Failed) {
      result.status = Result::Status::Failed;
      result.message = "The grid of " + std::to_string(level->ni) + " x " +
                       std::to_string(level->nj) + " volumes failed: " + end.message + ".";
      return result;
    }
    result.levels.push_back(Measure(*level, *end.snapshot, factor, result.probePoint));
    before += watch.weight;
    progress.done.store(before);
    finest = std::move(level);
  }

  // What counts as rounding: the largest heat rate for the heat rates, the range of
  // temperatures (or their size, for a uniform field) for the temperatures.
  double heatScale = 0, low = 0, high = 0, size = 0;
  bool first = true;
  for (const Level& level : result.levels) {
    for (int32_t q = HeatNorth; q <= HeatWest; ++q)
      heatScale = std::max(heatScale, std::abs(level.values[q]));
    for (int32_t q = ProbeTemperature; q <= LargestTemperature; ++q) {
      const double v = level.values[q];
      low = first ? v : std::min(low, v);
      high = first ? v : std::max(high, v);
      size = std::max(size, std::abs(v));
      first = false;
    }
  }
  const double temperatureScale = high - low > 1e-3 * size ? high - low : std::max(size, 1.0);
  const std::size_t n = result.levels.size();
  for (int32_t q = 0; q < quantityCount; ++q) {
    const bool heat = q <= HeatWest;
    const bool onSide = result.levels.back().hottestOnSide;
    const bool sided = q == LargestTemperature && onSide;
    result.estimates[q] = EstimateConvergence(
        result.levels[n - 3].values[q], result.levels[n - 2].values[q],
        result.levels[n - 1].values[q], heat ? std::max(heatScale, 1e-300) : temperatureScale,
        result.schemeOrder, sided ? (result.schemeOrder == 1 ? 2 : 1) : 0);
    result.verdicts[q] = Verdict(result.estimates[q], q, result.levels.back().values[q], onSide);
  }

  if (problem.reference && CheckReference(*problem.reference).empty()) {
    const ExactSolution exact(*problem.reference);
    const double time = result.levels.back().time;
    const SideHeat sides = ExactSideHeat(exact, *finest, time);
    result.exact[HeatNorth] = sides.north;
    result.exact[HeatSouth] = sides.south;
    result.exact[HeatEast] = sides.east;
    result.exact[HeatWest] = sides.west;
    // A side the exact solution leaves insulated reads zero, not the few millionths its
    // flux gathers along a side the grid's rounding has tilted.
    const double largest = std::max(
        {std::abs(sides.north), std::abs(sides.south), std::abs(sides.east), std::abs(sides.west)});
    for (int32_t q = HeatNorth; q <= HeatWest; ++q) {
      if (std::abs(result.exact[q]) <= 1e-8 * largest)
        result.exact[q] = 0;
    }
    result.exact[ProbeTemperature] = exact.Temperature(result.probePoint, time);
    result.referenceTitle = ReferenceTitle(*problem.reference);
  }
  result.status = Result::Status::Done;
  progress.done.store(1.0);
  return result;
}

}  // namespace study
