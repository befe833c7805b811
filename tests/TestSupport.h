// What the tests of every layer share: exact exception messages, a live-instance counter with
// its fixture, the names of collection notifications, the lines of a string list, two builders
// of expected event lists and the leak checker's verdict. Only platform headers, so that any
// layer may include it.
#ifndef TARNWICK_TESTS_TESTSUPPORT_H_
#define TARNWICK_TESTS_TESTSUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "tarnwick/platform/Classes.h"
#include "tarnwick/platform/Strings.h"

#if defined(__SANITIZE_ADDRESS__)
#define TARNWICK_TEST_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define TARNWICK_TEST_LEAK_CHECKER 1
#endif
#endif
#ifdef TARNWICK_TEST_LEAK_CHECKER
#include <sanitizer/lsan_interface.h>
#endif

// Stmt must raise Type (or a class derived from it) with exactly the message Msg, which may be
// a C string or a std::string. A statement that raises nothing fails; one that raises
// something else leaves the test through gtest's own handler.
#define EXPECT_THROW_MSG(Stmt, Type, Msg)          \
  do {                                             \
    try {                                          \
      Stmt;                                        \
      ADD_FAILURE() << "no exception from " #Stmt; \
    } catch (const Type& E) {                      \
      EXPECT_EQ(std::string(E.what()), (Msg));     \
    }                                              \
  } while (false)

namespace tarnwick::test {

// The message of the E that Fn raises, for tests that compare it or keep it for later; a
// marker that no message ever equals when Fn raises nothing.
template <typename E, typename F>
std::string MessageOf(F&& Fn) {
  try {
    Fn();
  } catch (const E& Error) {
    return Error.what();
  }
  return "<no exception>";
}

// The number of TCounted objects alive, so that a test sees the exact moment an object dies.
inline int gAlive = 0;

// Base, counted in gAlive from the end of Base's construction to the start of its destruction.
// Copying is refused: a copy would be counted by no one.
template <typename Base>
class TCounted : public Base {
 public:
  TCounted() { ++gAlive; }
  TCounted(const TCounted&) = delete;
  TCounted& operator=(const TCounted&) = delete;
  ~TCounted() override { --gAlive; }
};

// Starts every test at no live counted objects and fails the test that leaves one alive.
class CountingTest : public ::testing::Test {
 protected:
  void SetUp() override { gAlive = 0; }
  void TearDown() override { EXPECT_EQ(gAlive, 0) << "every counted object dies with its last reference"; }
};

inline const char* NotificationName(TCollectionNotification Action) {
  switch (Action) {
    case cnAdded: return "added";
    case cnRemoved: return "removed";
    case cnExtracted: return "extracted";
    case cnExtracting: return "extracting";
    case cnDeleting: return "deleting";
  }
  return "?";
}

inline std::vector<std::string> Lines(const TStrings& L) {
  std::vector<std::string> Result;
  for (std::int32_t I = 0; I < L.GetCount(); ++I) Result.push_back(L.Get(I));
  return Result;
}

// Expected event lists: N copies of one line, and several lists one after the other.
inline std::vector<std::string> Repeat(const std::string& S, int N) { return std::vector<std::string>(N, S); }

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> Parts) {
  std::vector<std::string> Result;
  for (const auto& P : Parts) Result.insert(Result.end(), P.begin(), P.end());
  return Result;
}

// Whether the build has a leak checker, and its verdict on the whole process now: true when it
// finds no block that nothing reaches (always true without one; a test that needs the verdict
// skips itself there).
#ifdef TARNWICK_TEST_LEAK_CHECKER
inline constexpr bool kHasLeakChecker = true;
inline bool NothingLeaked() { return __lsan_do_recoverable_leak_check() == 0; }
#else
inline constexpr bool kHasLeakChecker = false;
inline bool NothingLeaked() { return true; }
#endif

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_TESTSUPPORT_H_
