#ifndef CALORIVECTRIX_GUI_DIALOGS_INSIGHTTARGET_H
#define CALORIVECTRIX_GUI_DIALOGS_INSIGHTTARGET_H

// What the Time History and Volume Equation windows need of the window whose results they
// read: the grid, the watched volumes, the results with the snapshot on show, and a run in
// progress. The window tells them (Update) whenever any of these changes while they show.

#include <cstdint>
#include <vector>

#include "sim/geometry.h"
#include "sim/manager.h"
#include "sim/media.h"

class InsightTarget {
 public:
  virtual ~InsightTarget() = default;

  // The grid the results belong to (never null here).
  virtual const Media* Grid() const = 0;
  virtual const std::vector<VolumeIndex>& WatchedVolumes() const = 0;
  // The results of the last accepted run, or null.
  virtual const SimManager* Results() const = 0;
  // The index of the snapshot on show in Results().
  virtual int32_t ShownIndex() const = 0;
  // A run going on in the run window, or null: its history grows as it runs.
  virtual const SimManager* LiveRun() const = 0;
};

#endif
