// The code blocks of the user documentation (README.md and docs/*.md) are read at test time,
// so that the documentation cannot drift from the library: every block is of a kind that
// docs/DocBlocks.h names, and every definition block reads, prints and fails as it shows. (The
// C++ blocks are built and run against the installed package by package.find_package and
// package.pkg_config.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "docs/DocBlocks.h"
#include "parser/ParserTestSupport.h"
#include "tarnwick/platform/Exceptions.h"

namespace tarnwick {
namespace {

using test::TDocBlock;

std::vector<std::string> DocumentationFiles() {
  std::vector<std::string> Files{std::string(TARNWICK_SOURCE_DIR) + "/README.md"};
  const std::filesystem::path Docs = std::string(TARNWICK_SOURCE_DIR) + "/docs";
  if (std::filesystem::is_directory(Docs))
    for (const auto& Entry : std::filesystem::directory_iterator(Docs))
      if (Entry.path().extension() == ".md") Files.push_back(Entry.path().string());
  std::sort(Files.begin() + 1, Files.end());
  return Files;
}

// What reading Text into a new model of Form gives: its printed form, or the message of the
// error it raises. Failed is set when it raises.
std::string ReadIn(test::TModelForm Form, const std::string& Text, bool AutoTerms, bool& Failed) {
  test::TFormModel Model(Form);
  Model.Logic().SetAutoTerms(AutoTerms);
  Failed = false;
  try {
    Model.Assign(Text);
    return Model.Print();
  } catch (const Exception& E) {
    Failed = true;
    return E.what();
  }
}

// A definition block: both forms read it alike, and either print it, reading back as the same
// text, or fail with the same message; an output block after it shows that text or message.
void CheckDefinition(const std::string& Where, const TDocBlock& Block, const TDocBlock* Output) {
  const bool AutoTerms = !Block.Has("no-auto-terms");
  const bool MustFail = Block.Has("error");
  bool Failed[2] = {false, false};
  const std::string Owned = ReadIn(test::mfCollection, Block.Text, AutoTerms, Failed[0]);
  const std::string Counted = ReadIn(test::mfInterface, Block.Text, AutoTerms, Failed[1]);
  for (int Form = 0; Form < 2; ++Form) {
    EXPECT_EQ(Failed[Form], MustFail) << Where << ": in the " << test::FormName(test::kBothForms[Form]) << ", "
                                      << (Failed[Form] ? "fails with " : "prints ") << (Form == 0 ? Owned : Counted);
  }
  EXPECT_EQ(test::NormalizeOutput(Counted), test::NormalizeOutput(Owned)) << Where << ": the two forms differ";
  if (MustFail) {
    EXPECT_NE(Output, nullptr) << Where << ": a block that fails shows its message in an output block";
  } else if (!Failed[0]) {
    bool Again = false;
    for (test::TModelForm Form : test::kBothForms)
      EXPECT_EQ(ReadIn(Form, Owned, AutoTerms, Again), Owned)
          << Where << ": the printed form does not read back the same in the " << test::FormName(Form);
  }
  if (Output != nullptr) {
    EXPECT_EQ(test::NormalizeOutput(Owned), test::NormalizeOutput(Output->Text)) << Where << ": not what it shows";
  }
}

TEST(Documentation, EveryBlockIsOfAKnownKindAndEveryDefinitionReadsAsItShows) {
  for (const std::string& File : DocumentationFiles()) {
    std::vector<TDocBlock> Blocks;
    try {
      Blocks = test::ReadDocBlocks(File);
    } catch (const std::exception& E) {
      ADD_FAILURE() << E.what();
      continue;
    }
    for (std::size_t I = 0; I < Blocks.size(); ++I) {
      const TDocBlock& Block = Blocks[I];
      const std::string Where = File + ":" + std::to_string(Block.Line);
      const TDocBlock* Next = I + 1 < Blocks.size() ? &Blocks[I + 1] : nullptr;
      const TDocBlock* Output = Next != nullptr && Next->Kind() == test::dkOutput ? Next : nullptr;
      switch (Block.Kind()) {
        case test::dkDefinition:
          CheckDefinition(Where, Block, Output);
          break;
        case test::dkOutput:
          EXPECT_TRUE(I > 0 && (Blocks[I - 1].Kind() == test::dkCpp || Blocks[I - 1].Kind() == test::dkDefinition))
              << Where << ": an output block follows the C++ or definition block whose output it shows";
          break;
        case test::dkCpp:
        case test::dkShell:
          break;
        case test::dkUnknown:
          ADD_FAILURE() << Where << ": a block of unknown kind \"" << Block.Info << "\" (cpp, fzl, output or sh)";
          break;
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick
