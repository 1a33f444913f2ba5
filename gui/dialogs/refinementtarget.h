#ifndef CALORIVECTRIX_GUI_REFINEMENTTARGET_H
#define CALORIVECTRIX_GUI_REFINEMENTTARGET_H

// What the refinement study window needs of the window that holds the problem: the problem
// as it stands (the study copies it when it starts and never changes it), and the volume
// the student last pointed at, to offer as the probe.

#include "sim/geometry.h"
#include "sim/problem.h"

class RefinementTarget {
 public:
  virtual ~RefinementTarget() = default;

  virtual const ProblemRecord& StudyProblem() const = 0;
  // (-1, -1) when the pointer is over no volume.
  virtual VolumeIndex ProbedVolume() const = 0;
};

#endif
