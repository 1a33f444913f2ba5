#ifndef CALORIVECTRIX_SIM_REFINEMENT_H
#define CALORIVECTRIX_SIM_REFINEMENT_H

// How good is an answer: the same problem run on its own grid and on grids 2, 4, ... times
// finer in each direction, the quantities a student reads compared level by level, and
// from the three finest levels the observed order of convergence
//
//   p = log2((f1 - f2) / (f2 - f4))
//
// and the Richardson-extrapolated value f4 + (f4 - f2) / (2^p - 1), with Roache's
// grid-convergence index as the band the finest value is likely to lie within.
//
// The scheme's own order, against which p is judged, was measured on problems with exact
// answers: second order in the spacing (errors fall four times when it halves) on
// rectangles, ring sectors and smoothly curved grids; first order where the grid's lines
// meet a side held at a temperature (or cooled by convection) at an angle, as at the outer
// corners of the rectangle with a hole, where the error gathers.
//
// A study runs on a private copy of the problem (CopyProblem), so it may run on a thread of
// its own while the student goes on editing; the copy's conditions are made and released
// by the thread that owns the copy, never by the study's.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/geometry.h"
#include "sim/manager.h"
#include "sim/problem.h"

// A deep copy: its own grid, materials, functions, conditions (shared between segments as
// in the original), settings, animation times and reference.
std::unique_ptr<ProblemRecord> CopyProblem(const ProblemRecord& problem);

// Whether the grid is one the program generates (rectangle, annular sector, rectangle with
// a hole), which can be made finer from its recipe; grids read from files cannot.
bool Refinable(const Media& media);

// The grid `factor` times finer in each direction, nested in the given one: every coarse
// volume is split into factor x factor volumes. Each fine volume takes the material of the
// coarse volume that holds its centre. Needs a refinable grid.
std::unique_ptr<Media> RefinedGrid(const Media& coarse, int32_t factor);

// The most levels (the grid itself, then 2, 4, ... times finer) whose finest grid stays
// within the sizes a problem or grid file may have; 0 when the grid cannot be refined.
int32_t MaxStudyLevels(const Media& media);

// The temperature at a point, interpolated bilinearly between the centres of the four
// volumes around it (at a volume's centre, that volume's own). A point closer to a side
// than the nearest centres takes the value of the volume holding it; NaN outside the grid.
double InterpolatedTemperature(const Media& media, const NumMatrix<double>& T, Point p);

// The order of accuracy the scheme has on this grid with these sides: 1 when the grid's
// lines meet a boundary face that carries a temperature or convection condition at more
// than about 6 degrees from square, otherwise 2.
int32_t SchemeOrder(const Media& media, ProblemRecord& sides);

// ---- The end of a run ------------------------------------------------------------------

// The answer of the problem on a grid, as the study compares grids: for a steady problem
// its steady field, solved at once; otherwise the transient run with the direct solver to
// the problem's end time, the same time on every grid (a run whose field no longer changes
// at all, to rounding, has reached that end already and stops). This is the one place that
// decides what "the end of a run" is.
struct RunEnd {
  enum class Status { Done, Stopped, Failed };
  Status status = Status::Failed;
  // The field at the end; null unless Done.
  std::unique_ptr<SimSnapshot> snapshot;
  // Why it failed, in words, when it did.
  std::string message;
};
RunEnd RunProblemToEnd(ProblemRecord& problem, const Media& grid, SimCallback callback,
                       void* callbackData);

// ---- The study -------------------------------------------------------------------------

namespace study {

// The quantities compared, in the order of the table.
enum Quantity : int32_t {
  HeatNorth,  // heat rate per unit depth into the domain through each side (W/m)
  HeatSouth,
  HeatEast,
  HeatWest,
  ProbeTemperature,    // at the probe point, interpolated on every level
  LargestTemperature,  // of all volumes
  quantityCount
};

// "Heat in through North" and so on; the unit.
const char* QuantityName(int32_t quantity);
const char* QuantityUnit(int32_t quantity);
// The column names of the study's table files: "HeatInNorth", ...
const char* QuantityKey(int32_t quantity);

struct Level {
  int32_t factor = 1;
  int32_t ni = 0, nj = 0;
  double spacing = 0;  // the square root of the mean volume area
  int32_t steps = 0;
  double time = 0;
  double values[quantityCount] = {};
  // Whether the hottest volume touches a side: its value then approaches the side's at
  // first order, whatever the scheme's order.
  bool hottestOnSide = false;
};

// What the three finest levels say about one quantity.
struct Estimate {
  enum class Kind {
    TooFewLevels,  // fewer than three levels
    Unchanged,     // every level gives the same value, to rounding
    Settled,       // the two finest agree to rounding, the coarsest does not
    Oscillating,   // the differences change sign
    Diverging,     // the differences do not shrink
    Converging,    // the differences shrink monotonically: p and the extrapolation
  };
  Kind kind = Kind::TooFewLevels;
  double order = 0;          // observed p (Converging)
  double expectedOrder = 2;  // the scheme's
  // A second order that is as right: a hottest volume against a side approaches the side's
  // value at first order or at the scheme's, depending on the field there; 0 when none.
  double otherExpectedOrder = 0;
  double extrapolated = 0;  // (Converging)
  bool trusted = false;     // p near the expected order (Converging)
  double gci = 0;           // the band around the finest value, in the quantity's unit
  double safetyFactor = 0;  // 1.25 when trusted, 3 otherwise
};

// From the values on three levels, coarsest first, each twice as fine as the last. `scale`
// is the size against which a difference counts as rounding.
Estimate EstimateConvergence(double coarse, double medium, double fine, double scale,
                             double expectedOrder, double otherExpectedOrder = 0);

// The estimate in words, for the window, the table file and the report.
std::string Verdict(const Estimate& estimate, int32_t quantity, double finest, bool hottestOnSide);

// Shared between the thread that runs a study and the one that watches it.
struct Progress {
  std::atomic<bool> cancel{false};
  // The level being run (0-based) and the share of the whole study done, 0 to 1.
  std::atomic<int32_t> level{0};
  std::atomic<double> done{0};
};

struct Settings {
  int32_t levels = 3;
  // The probe volume on the problem's own grid; an invalid one picks the middle volume.
  VolumeIndex probe{-1, -1};
};

struct Result {
  enum class Status { Done, Cancelled, Failed };
  Status status = Status::Failed;
  std::string message;  // why it failed
  std::vector<Level> levels;
  VolumeIndex probe{-1, -1};
  Point probePoint{0, 0};
  int32_t schemeOrder = 2;
  // The problem's reference at the end time, where it gives the quantity; NaN elsewhere.
  double exact[quantityCount] = {};
  std::string referenceTitle;
  Estimate estimates[quantityCount];
  std::string verdicts[quantityCount];
};

// Runs every level in turn on the problem (a private copy: the study moves its sides'
// cursors) and estimates the convergence of each quantity. Checks `progress.cancel` between
// and within the runs. Needs a refinable grid and 3 to MaxStudyLevels levels.
Result Run(ProblemRecord& problem, const Settings& settings, Progress& progress);

}  // namespace study

#endif
