#ifndef CALORIVECTRIX_SIM_ADVISOR_H
#define CALORIVECTRIX_SIM_ADVISOR_H

// How a time step compares with the time heat takes to spread through the problem:
//
//   Fourier number of a volume   Fo = alpha dt / h^2,  alpha = k / (rho cp), h the volume's
//                                smaller width (between the midpoints of opposite faces)
//   diffusion time of the domain  L^2 / alpha_min, L the longest of the four sides measured
//                                along their nodes, alpha_min the slowest material's
//
// A step far longer than the diffusion time reaches the steady state in a few steps; a run
// much shorter stops in the middle of the transient. Fo says how far heat spreads within a
// step compared with one volume: the steps are implicit and stable at any Fo, but at large
// Fo a volume's temperature jumps rather than follows the transient.

#include <cstdint>

#include "sim/containers.h"
#include "sim/media.h"

struct TimeStepAdvice {
  enum class Advice : int8_t {
    None,
    StepLongerThanDiffusion,  // dt > diffusion time
    FirstSnapshotLate,        // the first animation time after 0 comes after it
    RunEndsEarly,             // the last step comes before it
  };

  double minFourier = 0;
  double maxFourier = 0;
  double slowestDiffusivity = 0;  // m^2/s
  double longestSide = 0;         // m
  // Infinite when some material does not conduct (alpha = 0).
  double diffusionTime = 0;   // s
  double stepsToDiffuse = 0;  // diffusionTime / dt
  // Of the run as set: the time of its last step, and of its first animation time after 0
  // that is not the last (0 when there is none).
  double endTime = 0;
  double firstSnapshotTime = 0;
  Advice advice = Advice::None;
};

// For a time step dt > 0, `steps` time steps and the animation times `marks` (in steps, from
// 0; marks past `steps` are ignored, as the parameters would drop them). Only the most
// pressing advice is given, in the order of the enumeration.
TimeStepAdvice AdviseTimeStep(const Media& media, double dt, int32_t steps,
                              const NumVector<int>& marks);

#endif
