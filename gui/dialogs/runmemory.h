#ifndef CALORIVECTRIX_GUI_DIALOGS_RUNMEMORY_H
#define CALORIVECTRIX_GUI_DIALOGS_RUNMEMORY_H

// Before a run starts: whether the snapshots it may store fit in the computer's memory. A
// valid problem can ask for a snapshot at each of a million animation times, and each costs
// about 48 bytes per volume; past the memory the program has, the run would end the program
// rather than fail. The machine is shared with everything else the student runs, and the
// solver needs memory of its own: up to a quarter of the memory a run simply starts; up to
// half the run window asks (a run may end early at its steady state) and a run without a
// window refuses; beyond half both refuse.

#include <QString>
#include <cstdint>

#include "sim/problem.h"

struct RunMemory {
  enum class Verdict { fits, large, tooLarge };
  uint64_t snapshotBytes = 0;  // one snapshot
  int64_t snapshotCount = 0;   // at most, with the state the run stops at
  uint64_t needed = 0;         // all of them
  uint64_t machine = 0;        // the memory the program may use
  Verdict verdict = Verdict::fits;
};

RunMemory CheckRunMemory(const ProblemRecord& problem, uint64_t machineBytes);

// What the run would need against what there is; with `advice`, what to do about it.
QString RunMemoryText(const RunMemory& memory, bool advice);

#endif
