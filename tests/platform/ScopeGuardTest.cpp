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

// What Inner raises, run in a destructor that the unwinding of another error calls.
template <typename TInner>
std::string ErrorSeenInADestructorWhileUnwinding(TInner Inner) {
  struct TCleanUp {
    TInner& Inner;
    std::string& Seen;
    ~TCleanUp() {
      try {
        Inner();
      } catch (const std::logic_error& E) {
        Seen = E.what();
      }
    }
  };
  std::string Seen;
  try {
    const TCleanUp CleanUp{Inner, Seen};
    throw std::runtime_error("outer");
  } catch (const std::runtime_error& E) {
    EXPECT_STREQ(E.what(), "outer");
  }
  return Seen;
}

// A guard made while an error is already on its way (in a destructor run by the unwinding) lets
// its action's error through when its own scope ends normally: only an error that would meet
// another one in the same scope is dropped.
TEST(ScopeExit, CountsOnlyTheErrorsOfItsOwnScope) {
  EXPECT_EQ(ErrorSeenInADestructorWhileUnwinding([] {
              const TScopeExit Done([] { throw std::logic_error("inner action failed"); });
            }),
            "inner action failed");
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

  EXPECT_EQ(ErrorSeenInADestructorWhileUnwinding(
                [] { TryFinally([] {}, [] { throw std::logic_error("inner finally failed"); }); }),
            "inner finally failed");
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
