#include "framework/background_task.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <ctime>

namespace rb {

namespace {

constexpr int64_t kYieldIntervalNs = 5'000'000;

std::atomic<int64_t> gLastRun{0};
std::atomic<int64_t> gProcessed{0};
std::atomic<int64_t (*)()> gClock{nullptr};
std::atomic<void (*)()> gProcessor{nullptr};

// The coarse clock is read without a system call and costs a few
// nanoseconds; its resolution of a few milliseconds is fine for the interval.
inline int64_t Now() {
  if (auto clock = gClock.load(std::memory_order_relaxed)) return clock();
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

void ProcessEvents() {
  if (auto processor = gProcessor.load(std::memory_order_relaxed)) {
    processor();
    gProcessed.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return;
  QCoreApplication::processEvents();
  gProcessed.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

void RuntimeBackgroundTask() {
  const int64_t now = Now();
  if (now - gLastRun.load(std::memory_order_relaxed) < kYieldIntervalNs) return;
  // Noted first, so that a handler that loops and yields again returns at once.
  gLastRun.store(now, std::memory_order_relaxed);
  ProcessEvents();
}

void NoteEventLoopRan() { gLastRun.store(Now(), std::memory_order_relaxed); }

int64_t EventProcessingCountForTesting() { return gProcessed.load(std::memory_order_relaxed); }

void SetBackgroundClockForTesting(int64_t (*nowNanoseconds)()) { gClock.store(nowNanoseconds); }

void SetEventProcessorForTesting(void (*processEvents)()) { gProcessor.store(processEvents); }

}  // namespace rb
