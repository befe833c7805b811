// The scope guards: when the action runs, which error wins, and what a restorer puts back.
#include "tarnwick/platform/ScopeGuard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace tarnwick {
namespace {

using ::testing::ElementsAre;

// Also an action that cannot raise, whose guard counts no exceptions.
TEST(ScopeExit, RunsOnEveryWayOut) {
  std::vector<std::string> Log;
  int Quiet = 0;
  {
    const TScopeExit Done([&] { Log.push_back("done"); });
    const TScopeExit Counted([&]() noexcept { ++Quiet; });
    Log.push_back("body");
  }
  EXPECT_THROW(
      {
        const TScopeExit Done([&] { Log.push_back("done after error"); });
        const TScopeExit Counted([&]() noexcept { ++Quiet; });
        throw std::runtime_error("body failed");
      },
      std::runtime_error);
  EXPECT_THAT(Log, ElementsAre("body", "done", "done after error"));
  EXPECT_EQ(Quiet, 2);
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

// The same rules for a scope that is one call: Finally runs after Body on every way out, its
// error reaches the caller only when Body ended normally, also in a destructor run by the
// unwinding of another error.
TEST(TryFinally, RunsFinallyOnEveryWayOutAndTheFirstErrorWins) {
  std::vector<std::string> Log;
  TryFinally([&] { Log.push_back("body"); }, [&] { Log.push_back("finally"); });
  EXPECT_THROW_MSG(TryFinally([&] { throw std::runtime_error("body failed"); }, [&] { Log.push_back("after error"); }),
                   std::runtime_error, "body failed");
  EXPECT_THROW_MSG(TryFinally([] {}, [] { throw std::logic_error("finally failed"); }), std::logic_error,
                   "finally failed");
  EXPECT_THROW_MSG(TryFinally([] { throw std::runtime_error("body failed"); },
                              [] { throw std::logic_error("finally failed"); }),
                   std::runtime_error, "body failed");
  EXPECT_THAT(Log, ElementsAre("body", "finally", "after error"));

  struct TCleanUp {
    std::string& Seen;
    ~TCleanUp() {
      try {
        TryFinally([] {}, [] { throw std::logic_error("inner finally failed"); });
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
  EXPECT_EQ(Seen, "inner finally failed");
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
