#include <gtest/gtest.h>

#include "framework/background_task.h"

using namespace rb;

namespace {

int64_t gFakeNow = 0;
int gRuns = 0;
int64_t FakeClock() { return gFakeNow; }
void CountRun() { ++gRuns; }

class BackgroundTask : public ::testing::Test {
 protected:
  void SetUp() override {
    gFakeNow = 1'000'000'000;
    gRuns = 0;
    SetBackgroundClockForTesting(&FakeClock);
    SetEventProcessorForTesting(&CountRun);
    NoteEventLoopRan();
  }
  void TearDown() override {
    SetBackgroundClockForTesting(nullptr);
    SetEventProcessorForTesting(nullptr);
  }
};

constexpr int64_t kMs = 1'000'000;

}  // namespace

TEST_F(BackgroundTask, YieldsOnlyAfterFiveMilliseconds) {
  int64_t before = EventProcessingCountForTesting();
  for (int i = 0; i < 1000; ++i) RuntimeBackgroundTask();
  gFakeNow += 4 * kMs;
  RuntimeBackgroundTask();
  EXPECT_EQ(gRuns, 0);

  gFakeNow += 1 * kMs;
  RuntimeBackgroundTask();
  RuntimeBackgroundTask();
  EXPECT_EQ(gRuns, 1);
  EXPECT_EQ(EventProcessingCountForTesting(), before + 1);

  gFakeNow += 5 * kMs;
  RuntimeBackgroundTask();
  EXPECT_EQ(gRuns, 2);
}

TEST_F(BackgroundTask, EventLoopRunningElsewhereRestartsTheInterval) {
  gFakeNow += 4 * kMs;
  NoteEventLoopRan();
  gFakeNow += 4 * kMs;
  RuntimeBackgroundTask();
  EXPECT_EQ(gRuns, 0);
  gFakeNow += 1 * kMs;
  RuntimeBackgroundTask();
  EXPECT_EQ(gRuns, 1);
}

TEST_F(BackgroundTask, WithoutAnApplicationNothingIsProcessed) {
  SetEventProcessorForTesting(nullptr);
  int64_t before = EventProcessingCountForTesting();
  gFakeNow += 10 * kMs;
  RuntimeBackgroundTask();
  EXPECT_EQ(EventProcessingCountForTesting(), before);
}
