#ifndef CALORIVECTRIX_SIM_PAIRRUNNER_H
#define CALORIVECTRIX_SIM_PAIRRUNNER_H

// Runs two tasks at once on a machine that may be busy with other work.
//
// The caller runs the first task itself and offers the second to a worker thread kept for
// the runner's life. Whichever thread gets to the second task first runs it: the worker
// claims it when it wakes, and the caller takes it back if it is still unclaimed when the
// first is done. So a worker that is asleep, or waiting for a processor because other
// programs hold both, never holds the caller up; it only misses a task. The one wait left,
// for a task the worker has claimed and is running, is on a condition variable: no thread
// ever spins.
//
// The tasks must not write the same memory. Each runs exactly once, on one thread or the
// other, and its arithmetic does not depend on which, so the results are the same to the
// bit with one thread or two.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class PairRunner {
 public:
  // With `parallel` false, or on a machine with one processor, or when no thread can be
  // had, both tasks run on the caller, one after the other.
  explicit PairRunner(bool parallel);
  ~PairRunner();
  PairRunner(const PairRunner&) = delete;
  PairRunner& operator=(const PairRunner&) = delete;

  // Returns when both tasks have run.
  void Run(const std::function<void()>& first, const std::function<void()>& second);

  bool Parallel() const { return worker.joinable(); }

 private:
  enum State : int { Idle, Offered, Claimed, Done };

  void Work();

  std::thread worker;
  std::mutex mutex;
  std::condition_variable offered;   // the worker sleeps here between tasks
  std::condition_variable finished;  // the caller waits here for a claimed task
  const std::function<void()>* task = nullptr;
  std::atomic<int> state{Idle};
  std::atomic<bool> quit{false};
};

#endif
