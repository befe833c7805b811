// TLooseResult: how a set operation holds the set it is building until it returns it. Internal
// to the model.
#ifndef TARNWICK_MODEL_DETAIL_LOOSERESULT_H_
#define TARNWICK_MODEL_DETAIL_LOOSERESULT_H_

#include <memory>

#include "tarnwick/model/FuzzySet.h"

namespace tarnwick::detail {

// A new result in a collection belongs to the collection from birth and stays there when a
// later step fails, like any other item. A result without a collection belongs to nobody until
// it is returned, so this frees it on every way out but Release.
class TLooseResult {
 public:
  explicit TLooseResult(TFuzzySet* Result) noexcept
      : FResult(Result), FLoose(Result->TCollectionItem::GetCollection() == nullptr ? Result : nullptr) {}
  TFuzzySet* operator->() const noexcept { return FResult; }
  TFuzzySet& operator*() const noexcept { return *FResult; }
  // Hands the result over: from here on it is the caller's (or still its collection's).
  [[nodiscard]] TFuzzySet* Release() noexcept {
    static_cast<void>(FLoose.release());
    return FResult;
  }

 private:
  TFuzzySet* FResult;
  std::unique_ptr<TFuzzySet> FLoose;
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_LOOSERESULT_H_
