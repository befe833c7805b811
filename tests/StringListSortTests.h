// One table of sort tests for every string list with a custom sort: the platform list and the
// typed list of the containers share one quicksort, and these tests hold both to it. A layer's
// test file instantiates the suite with a traits type that names the list and its sort call:
//
//   struct TraitsName {
//     using List = ...;  // a string list with Get, Add, GetCount, CompareStrings, events
//     static void Sort(List& L, const std::function<std::int32_t(List*, std::int32_t, std::int32_t)>& Compare);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, StringListCustomSort, TraitsName);
//
// Include it in one source file per test executable: it defines the suite.
#ifndef TARNWICK_TESTS_STRINGLISTSORTTESTS_H_
#define TARNWICK_TESTS_STRINGLISTSORTTESTS_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace tarnwick::test {

template <typename Traits>
class StringListCustomSort : public ::testing::Test {};

TYPED_TEST_SUITE_P(StringListCustomSort);

// Every comparison the sort asks for must name two items of the list, and a sort of eight items
// needs far fewer than kCallLimit of them: a scan that leaves the list, or a sort that never
// ends, fails the test instead of reading past the items or hanging.
TYPED_TEST_P(StringListCustomSort, ReturnsNormallyWhateverTheComparatorAnswers) {
  using List = typename TypeParam::List;
  using Compare = std::function<std::int32_t(List*, std::int32_t, std::int32_t)>;
  struct Case {
    const char* Name;
    Compare Fn;
    bool Consistent;  // an order: the result must be sorted by it
  };
  int Calls = 0;  // for the comparator that changes its mind
  const Case kCases[] = {
      {"always less", [](List*, std::int32_t, std::int32_t) { return -1; }, false},
      {"always greater", [](List*, std::int32_t, std::int32_t) { return 1; }, false},
      {"always equal", [](List*, std::int32_t, std::int32_t) { return 0; }, true},
      {"inconsistent", [&Calls](List*, std::int32_t, std::int32_t) { return ++Calls % 2 == 0 ? 1 : -1; }, false},
      {"reads the items, answers less",
       [](List* L, std::int32_t I1, std::int32_t I2) {
         (void)L->Get(I1);
         (void)L->Get(I2);
         return -1;
       },
       false},
      {"normal", [](List* L, std::int32_t I1, std::int32_t I2) { return L->CompareStrings(L->Get(I1), L->Get(I2)); },
       true},
  };
  static const std::vector<std::string> kItems = {"delta",   "Bravo", "alpha",   "bravo",
                                                  "Charlie", "Alpha", "charlie", "Delta"};
  constexpr int kCallLimit = 10000;

  for (const Case& C : kCases) {
    SCOPED_TRACE(C.Name);
    List L;
    for (const std::string& S : kItems) L.Add(S);
    std::vector<std::string> Events;
    L.SetOnChanging([&Events](TObject*) { Events.push_back("changing"); });
    L.SetOnChange([&Events](TObject*) { Events.push_back("change"); });
    int Asked = 0;
    std::vector<std::string> Escapes;
    const Compare Guarded = [&](List* Self, std::int32_t I1, std::int32_t I2) {
      if (++Asked > kCallLimit) throw std::runtime_error("the sort does not end");
      const std::int32_t N = Self->GetCount();
      if ((I1 < 0 || I1 >= N || I2 < 0 || I2 >= N) && Escapes.size() < 3)
        Escapes.push_back(std::to_string(I1) + "," + std::to_string(I2));
      return C.Fn(Self, I1, I2);
    };

    EXPECT_NO_THROW(TypeParam::Sort(L, Guarded));
    EXPECT_THAT(Escapes, ::testing::IsEmpty()) << "comparisons outside the list";
    EXPECT_THAT(Events, ::testing::ElementsAre("changing", "change"));
    std::vector<std::string> Got = Lines(L);
    if (C.Consistent) {
      for (std::int32_t I = 1; I < L.GetCount(); ++I) EXPECT_LE(C.Fn(&L, I - 1, I), 0) << "at " << I;
    }
    std::vector<std::string> Sorted = Got;
    std::vector<std::string> Expected = kItems;
    std::sort(Sorted.begin(), Sorted.end());
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Sorted, Expected) << "the items are the same, only reordered";
  }
}

// The order of equal items is the partitioning's own, the same for every list: case-only
// duplicates of a case-insensitive list land as the exchanges leave them, not in input order.
TYPED_TEST_P(StringListCustomSort, TheDefaultComparisonGivesThePartitioningsOrder) {
  using List = typename TypeParam::List;
  List L;
  for (const char* S : {"delta", "Bravo", "alpha", "bravo", "Charlie", "Alpha", "charlie", "Delta"}) L.Add(S);
  TypeParam::Sort(L, [](List* Self, std::int32_t I1, std::int32_t I2) {
    return Self->CompareStrings(Self->Get(I1), Self->Get(I2));
  });
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("alpha", "Alpha", "bravo", "Bravo", "charlie", "Charlie", "Delta",
                                               "delta"));
}

REGISTER_TYPED_TEST_SUITE_P(StringListCustomSort, ReturnsNormallyWhateverTheComparatorAnswers,
                            TheDefaultComparisonGivesThePartitioningsOrder);

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_STRINGLISTSORTTESTS_H_
