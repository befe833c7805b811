// The C++ blocks of a documentation file as one program, for the installed-package check
// (tests/consumer/check.cmake), which builds and runs it as a host would (DocBlocks.h tells
// the convention):
//
//   tarnwick_doc_program extract DOC.md DIR   writes DIR/NAME.cpp, the program, and DIR/NAME.out,
//                                             what the output blocks after its C++ blocks show
//                                             (NAME is DOC's file name without .md, in lower
//                                             case); writes nothing when DOC has no C++ block
//   tarnwick_doc_program compare EXPECTED ACTUAL
//                                             ends with 0 when the two files hold the same
//                                             output as output blocks are compared, else
//                                             shows both and ends with 1
//
// #line directives in the program name the documentation's own lines, so that a compiler's
// message or a warning points at the block that caused it.
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "docs/DocBlocks.h"

namespace {

using tarnwick::test::TDocBlock;

std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) throw std::runtime_error(Path + ": cannot read");
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& Path, const std::string& Text) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Text;
  if (!Out) throw std::runtime_error(Path.string() + ": cannot write");
}

bool IsInclude(const std::string& Line) { return Line.rfind("#include", 0) == 0; }

// A string literal for a #line directive.
std::string Quoted(const std::string& S) {
  std::string Out = "\"";
  for (char C : S) {
    if (C == '"' || C == '\\') Out += '\\';
    Out += C;
  }
  return Out + '"';
}

int Extract(const std::string& DocPath, const std::string& Dir) {
  const std::vector<TDocBlock> Blocks = tarnwick::test::ReadDocBlocks(DocPath);
  const std::string Source = std::filesystem::absolute(DocPath).string();
  std::vector<std::string> Includes;
  std::set<std::string> Seen;
  std::string Body;
  std::string Expected;
  int Depth = 0;
  for (std::size_t I = 0; I < Blocks.size(); ++I) {
    if (Blocks[I].Kind() != tarnwick::test::dkCpp) continue;
    if (I + 1 < Blocks.size() && Blocks[I + 1].Kind() == tarnwick::test::dkOutput) Expected += Blocks[I + 1].Text;
    Body += std::string(2 * (Depth + 2), ' ') + "{\n";
    Body += "#line " + std::to_string(Blocks[I].Line + 1) + " " + Quoted(Source) + "\n";
    std::istringstream Lines(Blocks[I].Text);
    for (std::string Line; std::getline(Lines, Line);) {
      // The line stays, empty, so that the lines after it keep their numbers.
      if (IsInclude(Line)) {
        if (Seen.insert(Line).second) Includes.push_back(Line);
        Line.clear();
      }
      Body += Line + "\n";
    }
    ++Depth;
  }
  if (Depth == 0) return 0;
  for (; Depth > 0; --Depth) Body += std::string(2 * (Depth + 1), ' ') + "}\n";

  std::string Name = std::filesystem::path(DocPath).stem().string();
  for (char& C : Name) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  std::string Program = "// The C++ blocks of " + Source + ", written by tarnwick_doc_program.\n";
  for (const std::string& Line : Includes) Program += Line + "\n";
  Program +=
      "#include <cstdio>\n"
      "#include <exception>\n"
      "\n"
      "int main() {\n"
      "  try {\n" +
      Body +
      "  } catch (const std::exception& E) {\n"
      "    std::fflush(stdout);\n"
      "    std::fprintf(stderr, \"" + Name + ": %s\\n\", E.what());\n"
      "    return 1;\n"
      "  }\n"
      "  return 0;\n"
      "}\n";
  std::filesystem::create_directories(Dir);
  WriteFile(std::filesystem::path(Dir) / (Name + ".cpp"), Program);
  WriteFile(std::filesystem::path(Dir) / (Name + ".out"), Expected);
  return 0;
}

int Compare(const std::string& ExpectedPath, const std::string& ActualPath) {
  const std::string Expected = tarnwick::test::NormalizeOutput(ReadFile(ExpectedPath));
  const std::string Actual = tarnwick::test::NormalizeOutput(ReadFile(ActualPath));
  if (Expected == Actual) return 0;
  std::fprintf(stderr, "the output blocks show\n%s\n--- but the program printed\n%s\n", Expected.c_str(), Actual.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string Mode = argc > 1 ? argv[1] : "";
    if (argc == 4 && Mode == "extract") return Extract(argv[2], argv[3]);
    if (argc == 4 && Mode == "compare") return Compare(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s extract DOC.md DIR | compare EXPECTED ACTUAL\n", argv[0]);
    return 2;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "%s\n", E.what());
    return 2;
  }
}
