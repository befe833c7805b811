// The per-thread block caches of the model's objects that every parse and rule step makes and
// drops by the hundred (points, point lists, sets of both forms, the lexer's tokens): which
// classes each cache serves, and so how large its blocks are. The mechanism and what a thread
// keeps are in platform/detail/BlockCache.h. Internal to the model: the source that defines a
// class's operator new and delete includes it, so that the calls made there take the cache inline.
#ifndef TARNWICK_MODEL_DETAIL_BLOCKCACHES_H_
#define TARNWICK_MODEL_DETAIL_BLOCKCACHES_H_

#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/model/FuzzySet.h"
#include "tarnwick/model/FuzzySetValues.h"
#include "tarnwick/model/IFuzzySet.h"
#include "tarnwick/platform/detail/BlockCache.h"

namespace tarnwick::detail {

using TPointBlocks = TThreadBlockCache<kBlockSizeOf<TFuzzySetValue>, kPointCacheBytes>;
using TPointListBlocks = TThreadBlockCache<kBlockSizeOf<TFuzzySetValues, TIFSValues>, kPointListCacheBytes>;
using TSetBlocks = TThreadBlockCache<kBlockSizeOf<TFuzzySet, TIFuzzySet>, kSetCacheBytes>;
using TTokenBlocks = TThreadBlockCache<kBlockSizeOf<TFuzzyStreamToken>, kTokenCacheBytes>;

}  // namespace tarnwick::detail

#endif  // TARNWICK_MODEL_DETAIL_BLOCKCACHES_H_
