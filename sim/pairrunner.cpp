#include "sim/pairrunner.h"

#include <system_error>

PairRunner::PairRunner(bool parallel) {
  if (!parallel || std::thread::hardware_concurrency() < 2)
    return;
  try {
    worker = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): both tasks run here, to the same result.
  }
}

PairRunner::~PairRunner() {
  if (!worker.joinable())
    return;
  {
    std::lock_guard<std::mutex> lock(mutex);
    quit.store(true);
  }
  offered.notify_one();
  worker.join();
}

void PairRunner::Run(const std::function<void()>& first, const std::function<void()>& second) {
  if (!worker.joinable()) {
    first();
    second();
    return;
  }
  task = &second;
  state.store(Offered, std::memory_order_release);
  {
    // Taken and released so that a worker about to sleep has either seen the offer or is
    // already waiting for the notification.
    std::lock_guard<std::mutex> lock(mutex);
  }
  offered.notify_one();

  first();

  int expected = Offered;
  if (state.compare_exchange_strong(expected, Idle, std::memory_order_acq_rel)) {
    // The worker has not woken up in time (or has no processor): no point waiting for it.
    second();
    return;
  }
  if (state.load(std::memory_order_acquire) != Done) {
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [this] { return state.load(std::memory_order_acquire) == Done; });
  }
  state.store(Idle, std::memory_order_relaxed);
}

void PairRunner::Work() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      offered.wait(
          lock, [this] { return quit.load() || state.load(std::memory_order_acquire) == Offered; });
      if (quit.load())
        return;
    }
    int expected = Offered;
    // The caller may have taken the task back since the wake-up.
    if (!state.compare_exchange_strong(expected, Claimed, std::memory_order_acq_rel))
      continue;
    (*task)();
    state.store(Done, std::memory_order_release);
    { std::lock_guard<std::mutex> lock(mutex); }
    finished.notify_one();
  }
}
