#ifndef CALORIVECTRIX_SIM_TUTORIALS_H
#define CALORIVECTRIX_SIM_TUTORIALS_H

// The four worked examples of the help file, built as a student builds them by following
// the steps of each topic: the default problem changed through the same operations the
// dialogs perform (a new grid, materials, boundary segments, custom functions, parameters,
// animation times). The help states the numbers these problems give; the tests keep the
// two in step, and the problems can be saved as example files. Each carries the exact
// solution of its textbook case as its reference (sim/reference.h).

#include <cstdint>
#include <memory>

#include "sim/manager.h"
#include "sim/problem.h"

namespace tutorial {

// Example 1: a steel slab 0.1 m thick, initially at 0, whose East face is held at 1 from
// time 0 while its West face is insulated.
std::unique_ptr<ProblemRecord> TransientSlab();
// Example 2: an aluminium fin 0.1 m long and 4 mm thick, base (West) at 100, convection
// with h = 50 W/(m^2 K) to surroundings at 0 on the other three sides.
std::unique_ptr<ProblemRecord> Fin();
// Example 3: a wall of 0.2 m of brick and 0.05 m of expanded polystyrene, inside (West) at
// 20 and outside (East) at 0.
std::unique_ptr<ProblemRecord> CompositeWall();
// Example 4: a pipe of diameter 0.2 m in the middle of a 1 m square block, the half West of
// the symmetry line: the hole (West) at 0, the outer square (East) at 1.
std::unique_ptr<ProblemRecord> ShapeFactor();

// Runs the problem from its initial temperature to the end, as "Run" and then "Close" in
// the run dialog do, and returns the results with their last snapshot as the final state:
// in the problem's run mode, so a steady problem gives its steady field.
std::unique_ptr<SimManager> Run(ProblemRecord& problem);
// The same run stopped where "Run" leaves it, with the simulator still held (to check it).
std::unique_ptr<SimManager> RunKeepingSimulator(ProblemRecord& problem);

// The heat rate per unit depth (W/m) entering the domain through its West side: the "Sum"
// the profile window shows for the first West-East line.
double WestInflow(const SimSnapshot& snapshot);

// Textbook results the topics compare with.
//
// Temperature rise, as a fraction of the step applied at one face, at distance x from the
// insulated face of a slab of thickness L, at Fourier number Fo = alpha t / L^2 (series
// solution, summed until the terms vanish).
double SlabSeries(double xOverL, double fourier);
// Heat rate per unit depth (W/m) of a straight fin of thickness t and length L with a
// convective tip, base excess temperature theta.
double FinHeatRate(double k, double h, double t, double length, double theta);
// Conduction shape factor per unit length of a circular pipe of diameter d centred in a
// square of side w (w > d), by the textbook's correlation: 2 pi / ln(1.08 w / d). The exact
// value is CircleInSquareShapeFactor (sim/reference.h).
double PipeInSquareShapeFactor(double w, double d);

}  // namespace tutorial

#endif
