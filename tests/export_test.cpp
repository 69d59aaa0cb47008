#include "results/export.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "foundation/language_table.h"
#include "platform/locale_format.h"
#include "platform/path.h"
#include "store_fill.h"
#include "test_tree.h"

namespace ostrya {
namespace {

const TextLookup& kEnglish = englishTexts();

const std::string S(1, platform::kPathSeparator);

class ExportTest : public ::testing::Test {
 protected:
  // Rows without a date, so that no locale enters the expected bytes.
  ExportTest() {
    folder = tree.native("data");
    test::addFolder(store, folder.c_str(),
                    {{"b.txt", 1234567, 0x21},
                     {"sub", 0, 0x10},
                     {"x;y.csv", 5, 0},
                     {"a<b>&\"c\".htm", 12, 0x20}});
    test::addFolder(store, (folder + S + "pack.zip" + S + "inner").c_str(),
                    {{"entry.txt", kUnknownSize, 0x8020}},
                    static_cast<uint16_t>(folder.size() + 9));
    store.sort(SortMode::Name, SortDirection::Ascending, false, nullptr, kEnglish);
  }

  std::string exported(ExportFormat format, const TextLookup& texts = kEnglish) {
    const std::string path = tree.native("out");
    OutputFile file;
    EXPECT_EQ(file.create(nullptr, path.c_str()), 0);
    EXPECT_TRUE(exportResults(store, format, file, nullptr, texts, '.'));
    file.close();
    std::ifstream in(tree.root() / "out", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  testing::TempTree tree;
  ResultStore store;
  std::string folder;
};

TEST_F(ExportTest, TextListIsFixedWidth) {
  const std::string entry = folder + S + "pack.zip" + S + "inner" + S;
  EXPECT_EQ(exported(ExportFormat::Text),
            "                <DIR>                       " + folder + S + "sub\r\n" +
                "     A             12                       " + folder + S + "a<b>&\"c\".htm\r\n" +
                "    RA      1.234.567                       " + folder + S + "b.txt\r\n" +
                "    AZ                                      " + entry + "entry.txt\r\n" +
                "                    5                       " + folder + S + "x;y.csv\r\n");
}

// A field with the separator, a double quote or a line break is quoted, the quotes inside it
// doubled; the last column is named for the full path it holds.
TEST_F(ExportTest, CsvQuotesWhatWouldBreakARecord) {
  const std::string entry = folder + S + "pack.zip" + S + "inner" + S;
  EXPECT_EQ(exported(ExportFormat::Csv),
            "Attributes;Size;Modified;Full path\r\n"
            ";<DIR>;;" +
                folder + S + "sub\r\n" + "A;12;;\"" + folder + S + "a<b>&\"\"c\"\".htm\"\r\n" +
                "RA;1.234.567;;" + folder + S + "b.txt\r\n" + "AZ;;;" + entry + "entry.txt\r\n" +
                ";5;;\"" + folder + S + "x;y.csv\"\r\n");
  ResultStore broken;
  test::addFolder(broken, folder.c_str(), {{"two\r\nlines", 1, 0}});
  const std::string path = tree.native("broken.csv");
  OutputFile file;
  ASSERT_EQ(file.create(nullptr, path.c_str()), 0);
  EXPECT_TRUE(exportResults(broken, ExportFormat::Csv, file, nullptr, kEnglish, '.'));
  file.close();
  EXPECT_EQ(testing::readFile(tree.root() / "broken.csv"),
            "Attributes;Size;Modified;Full path\r\n;1;;\"" + folder + S + "two\r\nlines\"\r\n");
  // Titles follow the language.
  const LanguageTable& german = *findLanguage(builtInLanguages(), "DE");
  const std::string csv = exported(ExportFormat::Csv, german);
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "Attribute;Gr\xf6\xdf"
            "e;Ge\xe4ndert am;Vollst\xe4ndiger Pfad");
  const std::string html = exported(ExportFormat::Html, german);
  EXPECT_NE(html.find("<TR><TH>Name</TH><TH>Gr\xf6\xdf"
                      "e</TH><TH>Ge\xe4ndert am</TH>"
                      "<TH>Attribute</TH><TH>Typ</TH><TH>In Ordner</TH></TR>"),
            std::string::npos);
}

// Control characters in a name are written out in the text list, as on a terminal.
TEST(ControlCharacters, AreWrittenOutAsLsDoes) {
  EXPECT_EQ(withControlsEscaped("plain \xe4 name"), "plain \xe4 name");
  EXPECT_EQ(withControlsEscaped(std::string("a\tb\nc\rd\x1b[31me\x7f\0f", 16)),
            "a\\tb\\nc\\rd\\033[31me\\177\\000f");
  EXPECT_EQ(withControlsEscaped("C:\\dir\\x"), "C:\\dir\\x");
}

TEST_F(ExportTest, CsvDoublesQuotesInsideAQuotedField) {
  store.reset();
  test::addFolder(store, "f", {{"q\"u;o.txt", 1, 0}, {"q\"u.txt", 2, 0}});
  EXPECT_EQ(exported(ExportFormat::Csv), "Attributes;Size;Modified;Full path\r\n;2;;\"f" + S +
                                             "q\"\"u.txt\"\r\n;1;;\"f" + S + "q\"\"u;o.txt\"\r\n");
}

TEST_F(ExportTest, HtmlTableEscapesNamesAndLinksOnlyFilesOnDisk) {
  const std::string html = exported(ExportFormat::Html);
  const std::string entryFolder = folder + S + "pack.zip" + S + "inner";
  std::istringstream lines(html);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) got.push_back(line);
  ASSERT_EQ(got.size(), 12u);
  EXPECT_EQ(got[0], "<HTML>\r");
  EXPECT_EQ(got[1], "<BODY>\r");
  EXPECT_EQ(got[2], "<TABLE BORDER=1>\r");
  EXPECT_EQ(got[3],
            "<TR><TH>Name</TH><TH>Size</TH><TH>Modified</TH><TH>Attributes</TH><TH>Type</TH>"
            "<TH>Path</TH></TR>\r");
  const std::string type = store.typeTextOfRow(0, kEnglish);
  EXPECT_EQ(got[4], "<TR><TD><A HREF=\"" + folder + S +
                        "sub\">sub</A></TD><TD ALIGN=RIGHT>DIR</TD>"
                        "<TD></TD><TD>-</TD><TD>" +
                        type + "</TD><TD>" + folder + "</TD></TR>\r");
  EXPECT_NE(got[5].find("<A HREF=\"" + folder + S +
                        "a&lt;b&gt;&amp;&quot;c&quot;.htm\">a&lt;b&gt;&amp;&quot;c&quot;.htm</A>"),
            std::string::npos)
      << got[5];
  EXPECT_NE(got[6].find("<TD ALIGN=RIGHT>1.234.567</TD><TD></TD><TD>RA</TD>"), std::string::npos);
  // An archive entry is named plainly, and its size is not known.
  EXPECT_EQ(got[7].substr(0, 52), "<TR><TD>entry.txt</TD><TD ALIGN=RIGHT></TD><TD></TD>");
  EXPECT_NE(got[7].find("<TD>" + entryFolder + "</TD></TR>"), std::string::npos);
  EXPECT_EQ(got[9], "</TABLE>\r");
  EXPECT_EQ(got[10], "</BODY>\r");
  EXPECT_EQ(html.substr(html.size() - 9), "</HTML>\r\n");
}

TEST_F(ExportTest, OrderFollowsTheCurrentSortAndNothingIsWrittenForNoRows) {
  store.sort(SortMode::Size, SortDirection::Descending, false, nullptr, kEnglish);
  const std::string text = exported(ExportFormat::Text);
  EXPECT_LT(text.find("sub"), text.find("b.txt"));      // folders first
  EXPECT_LT(text.find("b.txt"), text.find("a<b>"));     // then by size, largest first
  EXPECT_LT(text.find("x;y.csv"), text.find("entry"));  // unknown sizes last

  ResultStore empty;
  OutputFile file;
  ASSERT_EQ(file.create(nullptr, tree.native("none").c_str()), 0);
  EXPECT_FALSE(exportResults(empty, ExportFormat::Csv, file, nullptr, kEnglish, '.'));
}

TEST(DateTimeText, ShortDateTwoBlanksTimeWithoutSeconds) {
  const uint16_t date = static_cast<uint16_t>((2024 - 1980) << 9 | 5 << 5 | 17);
  const uint16_t time = static_cast<uint16_t>(13 << 11 | 7 << 5 | 29);
  const std::string text = platform::dosDateTimeText(date, time);
  ASSERT_NE(text.find("  "), std::string::npos) << text;
  EXPECT_NE(text.find("17"), std::string::npos) << text;
  EXPECT_NE(text.find("07"), std::string::npos) << text;
  EXPECT_EQ(text.find("58"), std::string::npos) << text;  // no seconds
  EXPECT_EQ(platform::dosDateTimeText(0, 0), "");         // month 0: no date
}

}  // namespace
}  // namespace ostrya
