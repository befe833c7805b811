// The code blocks of the user documentation (README.md and docs/*.md) and the one convention
// that says how each is checked. A block is fenced: a line "```" followed by its info string,
// its lines, and a line "```", both fences at the start of their lines. The first word of the
// info string is the block's kind:
//
//   cpp     C++ statements. The C++ blocks of one file are one program, run against the
//           installed package: each block's #include lines go to the top of the program, the
//           rest runs in order inside main, each block in a scope nested in the one before, so
//           that a block sees the names of the blocks above it.
//   fzl     A definition text. It is read into both forms of the model (TFuzzyLogic and
//           TIFuzzyLogic, automatic terms on), which must print it alike, and what they print
//           must read back as the same text. The word "no-auto-terms" reads it with automatic
//           terms off; the word "error" says the text must fail, in both forms with the same
//           message, which an output block must show.
//   output  What the block before it prints: a C++ block its standard output, a definition its
//           printed form (or its error's message). Compared line by line, ignoring blanks at
//           line ends, the line-end style and blank lines at the end.
//   sh      Shell commands, shown and not run by the documentation's checks.
//
// Nothing here depends on the library, so that the tool that writes the C++ programs builds
// without it.
#ifndef TARNWICK_TESTS_DOCS_DOCBLOCKS_H_
#define TARNWICK_TESTS_DOCS_DOCBLOCKS_H_

#include <cstddef>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick::test {

enum TDocBlockKind { dkCpp, dkDefinition, dkOutput, dkShell, dkUnknown };

struct TDocBlock {
  std::string Info;  // the whole info string
  std::string Text;  // the lines between the fences, each ending with a line feed
  int Line = 0;      // the line of the opening fence, from 1

  TDocBlockKind Kind() const {
    const std::string Word = Words().empty() ? std::string() : Words().front();
    if (Word == "cpp") return dkCpp;
    if (Word == "fzl") return dkDefinition;
    if (Word == "output") return dkOutput;
    if (Word == "sh") return dkShell;
    return dkUnknown;
  }
  // A word of the info string after the kind ("error", "no-auto-terms").
  bool Has(const std::string& Flag) const {
    const std::vector<std::string> W = Words();
    for (std::size_t I = 1; I < W.size(); ++I)
      if (W[I] == Flag) return true;
    return false;
  }
  std::vector<std::string> Words() const {
    std::vector<std::string> Result;
    std::istringstream In(Info);
    for (std::string Word; In >> Word;) Result.push_back(Word);
    return Result;
  }
};

// The fenced blocks of the file at Path in order. Raises std::runtime_error, naming the file
// and line, for a file that cannot be read, a block that is never closed, and a fence that
// does not start its line (it would not be read as one, and its block would go unchecked).
inline std::vector<TDocBlock> ReadDocBlocks(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) throw std::runtime_error(Path + ": cannot read");
  std::vector<TDocBlock> Blocks;
  bool Inside = false;
  int LineNumber = 0;
  for (std::string Line; std::getline(In, Line);) {
    ++LineNumber;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    const std::size_t First = Line.find_first_not_of(" \t");
    const bool Fence = First != std::string::npos && (Line.compare(First, 3, "```") == 0 || Line.compare(First, 3, "~~~") == 0);
    if (Fence && (First != 0 || Line[0] == '~'))
      throw std::runtime_error(Path + ":" + std::to_string(LineNumber) + ": a fence must be ``` at the start of its line");
    if (!Inside && Fence) {
      Inside = true;
      Blocks.push_back({Line.substr(3), {}, LineNumber});
    } else if (Inside && Fence) {
      if (Line.find_first_not_of('`') != std::string::npos)
        throw std::runtime_error(Path + ":" + std::to_string(LineNumber) + ": a closing fence holds nothing else");
      Inside = false;
    } else if (Inside) {
      Blocks.back().Text += Line + '\n';
    }
  }
  if (Inside) throw std::runtime_error(Path + ":" + std::to_string(Blocks.back().Line) + ": the block is not closed");
  return Blocks;
}

// Text as output blocks are compared: CR LF as LF, no blanks or tabs at line ends, no line
// ends at the end.
inline std::string NormalizeOutput(const std::string& Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (char C : Text) {
    if (C == '\r') continue;
    if (C == '\n')
      while (!Result.empty() && (Result.back() == ' ' || Result.back() == '\t')) Result.pop_back();
    Result += C;
  }
  while (!Result.empty() && (Result.back() == '\n' || Result.back() == ' ' || Result.back() == '\t')) Result.pop_back();
  return Result;
}

}  // namespace tarnwick::test

#endif  // TARNWICK_TESTS_DOCS_DOCBLOCKS_H_
