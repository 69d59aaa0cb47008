#include "search/search_input.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/language_file.h"
#include "search/search_options.h"
#include "test_tree.h"

namespace ostrya {
namespace {

// The window and the command line refuse the same input, each with the field and the detail
// its message names.
TEST(SearchInput, RefusesWhatCannotMeanAnything) {
  testing::TempTree tree;
  tree.folder("here");
  const std::string here = tree.native("here");
  const std::string missing = tree.native("gone");
  const struct {
    std::string lookIn;
    const char* text;
    uint32_t options;
    uint32_t problem;
    PanelField field;
    std::string detail;
  } cases[] = {
      {here, "4D 5A 90", kOptHex, 0, PanelField::ContainingText, ""},
      {here, "4d5a", kOptHex, 0, PanelField::ContainingText, ""},
      {here, "", kOptHex, 0, PanelField::ContainingText, ""},
      {here, "ZZ", kOptHex, kTextHexCharacter, PanelField::ContainingText, "Z"},
      {here, "4D,5A", kOptHex, kTextHexCharacter, PanelField::ContainingText, ","},
      {here, "   ", kOptHex, kTextHexNoDigits, PanelField::ContainingText, ""},
      // Digits pair up as the content test reads them: AB 0C, and 06.
      {here, "ABC", kOptHex, 0, PanelField::ContainingText, ""},
      {here, "6", kOptHex, 0, PanelField::ContainingText, ""},
      {here, "(a", kOptRegex, kTextPatternInvalid, PanelField::ContainingText,
       "missing closing parenthesis at offset 2"},
      {here, "(a", 0, 0, PanelField::ContainingText, ""},
      // A byte string goes before an expression, as in the content test.
      {here, "(a", kOptRegex | kOptHex, kTextHexCharacter, PanelField::ContainingText, "("},
      {here, "4D 5A", kOptRegex | kOptHex, 0, PanelField::ContainingText, ""},
      {here + ";" + std::string(300, 'x'), "", 0, kTextFolderMissing, PanelField::LookIn,
       std::string(300, 'x')},
      {here + ";;" + missing, "", 0, kTextFolderMissing, PanelField::LookIn, missing},
      {";" + here + ";", "ZZ", 0, 0, PanelField::ContainingText, ""},
  };
  for (const auto& c : cases) {
    const InputCheck check = checkSearchInput(c.lookIn.c_str(), c.text, c.options);
    EXPECT_EQ(check.problem, c.problem) << c.lookIn << " " << c.text;
    if (c.problem == 0) continue;
    EXPECT_EQ(check.field, c.field) << c.text;
    EXPECT_EQ(check.detail, c.detail) << c.text;
  }
  const InputCheck folder = checkSearchInput(missing.c_str(), "", 0);
  EXPECT_EQ(inputProblemText(folder, englishTexts()), "The folder " + missing + " does not exist.");
  std::unique_ptr<LanguageTable> loaded;
  EXPECT_EQ(
      inputProblemText(checkSearchInput(here.c_str(), "Q", kOptHex), languageFor("DE", "", loaded)),
      "'Q' ist keine Hexadezimalziffer.");
}

}  // namespace
}  // namespace ostrya
