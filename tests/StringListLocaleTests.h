// One table of locale tests for every string list: the platform list and the typed list of the
// containers order, find and refuse duplicates by the process's global locale, and keep byte
// order in the classic one. A layer's test file instantiates the suite with the list type:
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, StringListLocale, ListType);
//
// Include it in one source file per test executable: it defines the suite.
#ifndef TARNWICK_TESTS_STRINGLISTLOCALETESTS_H_
#define TARNWICK_TESTS_STRINGLISTLOCALETESTS_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "TestLocale.h"
#include "TestSupport.h"
#include "tarnwick/platform/Exceptions.h"
#include "tarnwick/platform/Strings.h"

namespace tarnwick::test {

template <typename List>
class StringListLocale : public ::testing::Test {
 protected:
  // zebra, éclair, eclair, apple, co-op, in that order.
  static void AddWords(List& L) {
    for (const char* S : {"zebra", "\xC3\xA9" "clair", "eclair", "apple", "co-op"}) L.Add(S);
  }
};

TYPED_TEST_SUITE_P(StringListLocale);

TYPED_TEST_P(StringListLocale, TheClassicLocaleKeepsByteOrder) {
  TypeParam L;
  this->AddWords(L);
  L.SetSorted(true);
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("apple", "co-op", "eclair", "zebra", "\xC3\xA9" "clair"));
  std::int32_t Index = -1;
  EXPECT_FALSE(L.Find("coop", Index));
  EXPECT_EQ(Index, 2);
}

TYPED_TEST_P(StringListLocale, EachSearchAsksForTheGlobalLocaleAnew) {
  TypeParam L;
  this->AddWords(L);
  EXPECT_EQ(L.IndexOf("coop"), -1);
  {
    const TGlobalLocale Dictionary(DictionaryLocale());
    EXPECT_EQ(L.IndexOf("coop"), 4);
  }
  EXPECT_EQ(L.IndexOf("coop"), -1);
}

TYPED_TEST_P(StringListLocale, SortFindIndexOfAndDuplicatesFollowTheGlobalLocale) {
  const TGlobalLocale Dictionary(DictionaryLocale());
  TypeParam L;
  L.SetCaseSensitive(true);  // the collation alone, without folding
  this->AddWords(L);
  L.SetSorted(true);
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("apple", "co-op", "eclair", "\xC3\xA9" "clair", "zebra"));

  std::int32_t Index = -1;
  EXPECT_TRUE(L.Find("coop", Index));
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(L.IndexOf("coop"), 1);
  EXPECT_FALSE(L.Find("\xC3\xA9" "b", Index));
  EXPECT_EQ(Index, 2) << "where the locale puts it, not after zebra";

  EXPECT_EQ(L.Add("coop"), 1) << "dupIgnore: the locale's equal line is there already";
  EXPECT_EQ(L.GetCount(), 5);
  L.SetDuplicates(dupError);
  EXPECT_THROW_MSG(L.Add("c-oop"), EStringListError, "String list does not allow duplicates");
  L.SetDuplicates(dupAccept);
  EXPECT_EQ(L.Add("coop"), 1) << "dupAccept: before the equal line";
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("apple", "coop", "co-op", "eclair", "\xC3\xA9" "clair", "zebra"));

  // Names are looked up by the same comparison.
  TypeParam Values;
  Values.Add("co-op=1");
  EXPECT_EQ(Values.GetValue("coop"), "1");
}

TYPED_TEST_P(StringListLocale, ACaseInsensitiveListFoldsByTheGlobalLocale) {
  TypeParam Classic;
  Classic.Add("\xC3\x89" "clair");
  EXPECT_EQ(Classic.IndexOf("\xC3\xA9" "CLAIR"), -1) << "the classic locale folds ASCII letters only";

  const TGlobalLocale Accents(DictionaryLocale(/*WithAccents=*/true));
  TypeParam L;
  for (const char* S : {"Zebra", "\xC3\x89" "clair", "apple"}) L.Add(S);
  L.SetSorted(true);
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("apple", "\xC3\x89" "clair", "Zebra"));
  std::int32_t Index = -1;
  EXPECT_TRUE(L.Find("\xC3\xA9" "CLAIR", Index));
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(L.Add("\xC3\xA9" "clair"), 1) << "equal but for case: ignored";
  L.SetCaseSensitive(true);  // sorts again: capitals first, the accented one as an E
  EXPECT_THAT(Lines(L), ::testing::ElementsAre("\xC3\x89" "clair", "Zebra", "apple"));
  EXPECT_FALSE(L.Find("\xC3\xA9" "CLAIR", Index));
}

REGISTER_TYPED_TEST_SUITE_P(StringListLocale, TheClassicLocaleKeepsByteOrder, EachSearchAsksForTheGlobalLocaleAnew,
                            SortFindIndexOfAndDuplicatesFollowTheGlobalLocale,
                            ACaseInsensitiveListFoldsByTheGlobalLocale);

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_STRINGLISTLOCALETESTS_H_
