#ifndef CALORIVECTRIX_SIM_HISTORY_H
#define CALORIVECTRIX_SIM_HISTORY_H

// The time history of a few watched volumes: their temperatures after every accepted time
// step of a run, not only at the animation times, so that a curve of T(t) is smooth however
// few snapshots are stored.
//
// A row holds the step, its time and one temperature per watched volume, copied from the
// simulator's field as it stood after the step: a row at a snapshot's step holds exactly the
// snapshot's numbers. Rows at snapshots are pinned (the manager pins them as it stores each
// snapshot). A run of very many steps would fill the memory one row a step; past `maxRows`
// rows every other unpinned row goes and from then on only every second step is kept (then
// every fourth, and so on), so the curve stays whole from start to end with its pinned rows
// exactly where they were.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/geometry.h"

class Simulator;

class TimeHistory {
 public:
  static constexpr int32_t kMaxVolumes = 8;
  // About 8 MB at most with eight volumes.
  static constexpr std::size_t kMaxRows = 100000;

  explicit TimeHistory(std::size_t maxRows = kMaxRows);

  // Starts the history afresh for these volumes (at most kMaxVolumes, each inside the
  // simulator's grid).
  void Watch(const std::vector<VolumeIndex>& volumes);
  const std::vector<VolumeIndex>& Volumes() const { return volumes; }
  bool Empty() const { return volumes.empty(); }

  // Adds a row for the simulator's current step, unless thinning skips it or it is the
  // last row's step already. Never throws: without memory for a row, recording stops and
  // Complete() turns false.
  void Record(const Simulator& sim);
  // Adds the current step if it is missing, and keeps its row whatever thinning comes.
  void Pin(const Simulator& sim);

  std::size_t Rows() const { return iterations.size(); }
  int32_t Iteration(std::size_t row) const { return iterations[row]; }
  double Time(std::size_t row) const { return times[row]; }
  double Value(std::size_t row, std::size_t column) const {
    return values[row * volumes.size() + column];
  }
  bool Pinned(std::size_t row) const { return pinned[row] != 0; }
  // Which steps are kept between pins: every one (1), every second (2), ...
  int32_t Stride() const { return stride; }
  // False when memory ran out and the rows stop early.
  bool Complete() const { return complete; }
  // The column of a volume, or -1 when it is not watched.
  int32_t ColumnOf(VolumeIndex volume) const;

 private:
  bool Add(const Simulator& sim, bool pin);
  void Thin();

  std::size_t maxRows;
  // Rows at which the next thinning comes.
  std::size_t limit;
  std::vector<VolumeIndex> volumes;
  std::vector<int32_t> iterations;
  std::vector<double> times;
  std::vector<double> values;
  std::vector<char> pinned;
  int32_t stride = 1;
  bool complete = true;
};

#endif
