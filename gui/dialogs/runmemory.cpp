#include "gui/dialogs/runmemory.h"

#include <QLocale>
#include <algorithm>
#include <cstdint>

#include "sim/manager.h"

namespace {

QString Size(uint64_t bytes) {
  return QLocale::c().formattedDataSize(static_cast<qint64>(std::min<uint64_t>(bytes, INT64_MAX)),
                                        1, QLocale::DataSizeTraditionalFormat);
}

}  // namespace

RunMemory CheckRunMemory(const ProblemRecord& problem, uint64_t machineBytes) {
  RunMemory memory;
  const int32_t ni = problem.media->ni;
  const int32_t nj = problem.media->nj;
  // A steady solve keeps the starting field and the steady one, whatever the times say.
  const int32_t times = problem.runMode == RunMode::Steady ? 1 : problem._marks->N();
  memory.snapshotBytes = SnapshotBytes(ni, nj);
  memory.snapshotCount = static_cast<int64_t>(times) + 1;
  memory.needed = RunSnapshotBytes(ni, nj, times);
  memory.machine = machineBytes;
  if (memory.needed > machineBytes / 2)
    memory.verdict = RunMemory::Verdict::tooLarge;
  else if (memory.needed > machineBytes / 4)
    memory.verdict = RunMemory::Verdict::large;
  return memory;
}

QString RunMemoryText(const RunMemory& memory, bool advice) {
  const QString share = memory.verdict == RunMemory::Verdict::tooLarge
                            ? QString("more than half of the %1 of memory")
                            : QString("more than a quarter of the %1 of memory");
  QString text =
      QString(
          "The run would store up to %1 snapshots of %2 each, %3 in all: %4 this "
          "computer can give the program.")
          .arg(memory.snapshotCount)
          .arg(Size(memory.snapshotBytes), Size(memory.needed), share.arg(Size(memory.machine)));
  if (advice) {
    text +=
        " Choose fewer animation times (Simulation > Animation Times...) or a grid of fewer "
        "volumes.";
  }
  return text;
}
