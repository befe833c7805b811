// Reading a token's kind, line and number in the lexer and the parser. Internal to the parser.
#ifndef TARNWICK_PARSER_DETAIL_TOKENREADS_H_
#define TARNWICK_PARSER_DETAIL_TOKENREADS_H_

#include <cstdint>

#include "tarnwick/model/FuzzyInterfaces.h"
#include "tarnwick/platform/Classes.h"

namespace tarnwick::detail {

// Token when it is of the lexer's own class, else nullptr. Through the interface each read is
// an indirect call that first finds the class's part across its virtual bases; the lexer's own
// tokens, nearly all there are, are read directly instead (their getters are not overridden).
inline const TFuzzyStreamToken* OwnToken(const IFuzzyStreamToken* Token) noexcept {
  return ExactClassObject<const TFuzzyStreamToken>(Token);
}

inline std::int32_t KindOf(const IFuzzyStreamToken* Token) {
  if (const TFuzzyStreamToken* Own = OwnToken(Token)) return Own->TBaseStreamToken::GetDataType();
  return Token->GetDataType();
}

inline std::int32_t LineOf(const IFuzzyStreamToken* Token) {
  if (const TFuzzyStreamToken* Own = OwnToken(Token)) return Own->TBaseStreamToken::GetLineNumber();
  return Token->GetLineNumber();
}

inline double NumberOf(const IFuzzyStreamToken* Token) {
  if (const TFuzzyStreamToken* Own = OwnToken(Token)) return Own->TBaseStreamToken::GetNumber();
  return Token->GetNumber();
}

}  // namespace tarnwick::detail

#endif  // TARNWICK_PARSER_DETAIL_TOKENREADS_H_
