// The two scope guards: when the action runs, which error wins, and what a restorer puts back.
#include "tarnwick/platform/ScopeGuard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestSupport.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;

TEST(ScopeExit, RunsOnEveryWayOut) {
  std::vector<std::string> Log;
  {
    const TScopeExit Done([&] { Log.push_back("done"); });
    Log.push_back("body");
  }
  EXPECT_THROW(
      {
        const TScopeExit Done([&] { Log.push_back("done after error"); });
        throw std::runtime_error("body failed");
      },
      std::runtime_error);
  EXPECT_THAT(Log, ElementsAre("body", "done", "done after error"));
}

TEST(ScopeExit, AnErrorOfTheActionReachesTheCallerWhenNothingElseIsOnItsWay) {
  EXPECT_THROW_MSG({ const TScopeExit Done([] { throw std::runtime_error("action failed"); }); },
                   std::runtime_error, "action failed");
}

TEST(ScopeExit, TheFirstErrorWins) {
  bool Ran = false;
  EXPECT_THROW_MSG(
      {
        const TScopeExit Done([&] {
          Ran = true;
          throw std::runtime_error("action failed");
        });
        throw std::runtime_error("body failed");
      },
      std::runtime_error, "body failed");
  EXPECT_TRUE(Ran);
}

// A guard made while an error is already on its way (in a destructor run by the unwinding) lets
// its action's error through when its own scope ends normally: only an error that would meet
// another one in the same scope is dropped.
TEST(ScopeExit, CountsOnlyTheErrorsOfItsOwnScope) {
  struct TCleanUp {
    std::string& Seen;
    ~TCleanUp() {
      try {
        const TScopeExit Done([] { throw std::logic_error("inner action failed"); });
      } catch (const std::logic_error& E) {
        Seen = E.what();
      }
    }
  };
  std::string Seen;
  EXPECT_THROW(
      {
        const TCleanUp CleanUp{Seen};
        throw std::runtime_error("outer");
      },
      std::runtime_error);
  EXPECT_EQ(Seen, "inner action failed");
}

// The guards' own count of exceptions in flight is the standard one: none, one while a
// destructor runs in the unwinding, two when that destructor's own scope unwinds too, and
// counted apart for another thread.
TEST(ScopeExit, CountsTheExceptionsInFlightAsTheStandardDoes) {
  struct TProbe {
    std::vector<std::pair<int, int>>& Counts;
    bool Nested;
    ~TProbe() {
      Counts.emplace_back(detail::UncaughtExceptions(), std::uncaught_exceptions());
      if (!Nested) return;
      try {
        const TProbe Inner{Counts, false};
        throw std::logic_error("inner");
      } catch (const std::logic_error&) {
      }
    }
  };
  std::vector<std::pair<int, int>> Counts;
  Counts.emplace_back(detail::UncaughtExceptions(), std::uncaught_exceptions());
  try {
    const TProbe Outer{Counts, true};
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  std::thread([&Counts] { Counts.emplace_back(detail::UncaughtExceptions(), std::uncaught_exceptions()); }).join();
  Counts.emplace_back(detail::UncaughtExceptions(), std::uncaught_exceptions());
  using P = std::pair<int, int>;
  EXPECT_THAT(Counts, ElementsAre(P{0, 0}, P{1, 1}, P{2, 2}, P{0, 0}, P{0, 0}));
}

TEST(RestoreValue, PutsThePreviousValueBackOnEveryWayOut) {
  int Depth = 1;
  {
    const TRestoreValue Nested(Depth, 2);
    EXPECT_EQ(Depth, 2);
    {
      const TRestoreValue Deeper(Depth, 3);
      EXPECT_EQ(Depth, 3);
    }
    EXPECT_EQ(Depth, 2);
  }
  EXPECT_EQ(Depth, 1);

  const char* Text = "outer";
  try {
    const TRestoreValue Inner(Text, "inner");
    EXPECT_STREQ(Text, "inner");
    throw std::runtime_error("stop");
  } catch (const std::runtime_error&) {
  }
  EXPECT_STREQ(Text, "outer");
}

}  // namespace
}  // namespace tarnwick
