#include "sim/history.h"

#include <new>

#include "sim/check.h"
#include "sim/simulator.h"

TimeHistory::TimeHistory(std::size_t rowLimit)
    : maxRows(rowLimit < 4 ? 4 : rowLimit), limit(maxRows) {}

void TimeHistory::Watch(const std::vector<VolumeIndex>& watched) {
  INVARIANT(watched.size() <= static_cast<std::size_t>(kMaxVolumes), "watched.size()<=8");
  volumes = watched;
  iterations.clear();
  times.clear();
  values.clear();
  pinned.clear();
  stride = 1;
  limit = maxRows;
  complete = true;
}

int32_t TimeHistory::ColumnOf(VolumeIndex volume) const {
  for (std::size_t k = 0; k < volumes.size(); ++k) {
    if (volumes[k] == volume)
      return static_cast<int32_t>(k);
  }
  return -1;
}

namespace {

// Room for `more` elements, doubling as a vector would; may throw, and then changes nothing.
template <class T>
void Room(std::vector<T>& v, std::size_t more) {
  if (v.capacity() - v.size() < more)
    v.reserve(2 * v.size() + more + 16);
}

}  // namespace

bool TimeHistory::Add(const Simulator& sim, bool pin) {
  if (!iterations.empty() && iterations.back() == sim.Iteration()) {
    if (pin)
      pinned.back() = 1;
    return true;
  }
  if (!complete)
    return false;
  // Room first, so that a row either goes in whole or not at all.
  try {
    Room(iterations, 1);
    Room(times, 1);
    Room(pinned, 1);
    Room(values, volumes.size());
  } catch (const std::bad_alloc&) {
    complete = false;
    return false;
  }
  iterations.push_back(sim.Iteration());
  times.push_back(sim.Time());
  pinned.push_back(pin ? 1 : 0);
  for (const VolumeIndex& v : volumes)
    values.push_back(sim.T[v.i][v.j]);
  if (iterations.size() >= limit)
    Thin();
  return true;
}

void TimeHistory::Record(const Simulator& sim) {
  if (volumes.empty())
    return;
  if (sim.Iteration() % stride != 0)
    return;
  Add(sim, false);
}

void TimeHistory::Pin(const Simulator& sim) {
  if (volumes.empty())
    return;
  Add(sim, true);
}

void TimeHistory::Thin() {
  if (stride < (1 << 30))
    stride *= 2;
  const std::size_t columns = volumes.size();
  std::size_t kept = 0;
  for (std::size_t row = 0; row < iterations.size(); ++row) {
    // The first row, the pinned ones and those on the new stride stay.
    const bool keep = row == 0 || pinned[row] != 0 || iterations[row] % stride == 0;
    if (!keep)
      continue;
    iterations[kept] = iterations[row];
    times[kept] = times[row];
    pinned[kept] = pinned[row];
    for (std::size_t c = 0; c < columns; ++c)
      values[kept * columns + c] = values[row * columns + c];
    ++kept;
  }
  iterations.resize(kept);
  times.resize(kept);
  pinned.resize(kept);
  values.resize(kept * columns);
  // Pinned rows never go: however many there are, the next thinning waits until the rows
  // have doubled, so each row costs a constant share of the thinning.
  limit = kept * 2 > maxRows ? kept * 2 : maxRows;
}
