// The token stream of one entry-point call of TKVFuzzyLogicParser. Internal to the parser.
#ifndef TARNWICK_PARSER_DETAIL_STREAMCALL_H_
#define TARNWICK_PARSER_DETAIL_STREAMCALL_H_

#include <memory>
#include <string>

#include "tarnwick/common/TextStream.h"
#include "tarnwick/parser/FuzzyLogicTokenStream.h"
#include "tarnwick/parser/KVFuzzyLogicParser.h"
#include "tarnwick/platform/ScopeGuard.h"
#include "tarnwick/platform/Streams.h"

namespace tarnwick::detail {

// FStream is a new token stream over AString for the life of the call; the stream of the
// enclosing call comes back before the call's own is freed, on every way out. So entry points
// nest: an event handler may parse or evaluate another text in the middle of a parse.
class TStreamCall {
 public:
  TStreamCall(TKVFuzzyLogicParser& Parser, const std::string& AString, const TEncoding* Encoding)
      : FStream(Parser.CreateStream(std::make_unique<TKVStringStream>(AString, Encoding), Encoding)),
        FCurrent(Parser.FStream, FStream.get()) {}
  TStreamCall(const TStreamCall&) = delete;
  TStreamCall& operator=(const TStreamCall&) = delete;

 private:
  std::unique_ptr<TFuzzyLogicTokenStream> FStream;
  TRestoreValue<TFuzzyLogicTokenStream*> FCurrent;
};

}  // namespace tarnwick::detail

#endif  // TARNWICK_PARSER_DETAIL_STREAMCALL_H_
