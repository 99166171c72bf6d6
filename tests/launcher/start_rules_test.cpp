#include "launcher/start_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(DecideSingleInstance, EndsOnlyWhenAnotherLauncherHoldsTheName) {
  const std::uint32_t kErrorInvalidHandle = 6;  // the name is taken by a mutex, a section...
  const std::uint32_t kErrorNotEnoughMemory = 8;
  const struct {
    const char* what;
    bool gotEvent;
    std::uint32_t error;
    SingleInstance expected;
  } rows[] = {
      {"first launcher", true, 0, SingleInstance::kRun},
      {"another launcher, same user", true, kErrorAlreadyExists, SingleInstance::kAlreadyRunning},
      {"another launcher, elevated or another user's", false, kErrorAccessDenied,
       SingleInstance::kAlreadyRunning},
      {"name taken by another kind of object", false, kErrorInvalidHandle, SingleInstance::kRun},
      {"out of memory", false, kErrorNotEnoughMemory, SingleInstance::kRun},
      {"event had, stale access error", true, kErrorAccessDenied, SingleInstance::kRun},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DecideSingleInstance(row.gotEvent, row.error), row.expected) << row.what;
  }
}

TEST(TellsGameStartFailure, NotWhenThePlayerDeclinedElevation) {
  const std::uint32_t kErrorFileNotFound = 2;
  const std::uint32_t kErrorBadExeFormat = 193;
  EXPECT_FALSE(TellsGameStartFailure(kErrorCancelled));
  EXPECT_TRUE(TellsGameStartFailure(kErrorFileNotFound));
  EXPECT_TRUE(TellsGameStartFailure(kErrorBadExeFormat));
  EXPECT_TRUE(TellsGameStartFailure(kErrorAccessDenied));
}

}  // namespace
