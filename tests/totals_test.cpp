#include "results/totals.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrya {
namespace {

TEST(Totals, GroupedNumbers) {
  struct Case {
    uint64_t value;
    char separator;
    const char* text;
  };
  const Case cases[] = {
      {0, '.', "0"},
      {999, '.', "999"},
      {1000, '.', "1.000"},
      {123456, ',', "123,456"},
      {1234567, '.', "1.234.567"},
      {18446744073709551615u, ',', "18,446,744,073,709,551,615"},
      {1234567, '\0', "1234567"},
  };
  for (const Case& c : cases) EXPECT_EQ(groupedNumber(c.value, c.separator), c.text) << c.value;
}

TEST(Totals, Texts) {
  struct Case {
    Totals totals;
    TotalsKind kind;
    bool canceled;
    char separator;
    const char* text;
  };
  const TotalsKind total = TotalsKind::Total;
  const TotalsKind selected = TotalsKind::Selected;
  const Case cases[] = {
      {{}, total, false, '.', "0 files"},
      {{}, total, true, '.', "0 files - search canceled"},
      {{}, selected, false, '.', ""},
      {{}, selected, true, '.', ""},
      {{.files = 1, .bytes = 1}, total, false, '.', "Total 1 file, 1 byte"},
      {{.folders = 1}, selected, false, '.', "Selected 1 folder"},
      {{.folders = 2}, selected, true, '.', "Selected 2 folders"},
      {{.bytes = 5}, total, false, '.', "Total 5 bytes"},
      {{.folders = 1, .files = 3, .bytes = 1234},
       total,
       false,
       '.',
       "Total 3 files, 1 folder, 1.234 bytes"},
      {{.folders = 1, .files = 3, .bytes = 1234},
       total,
       false,
       ',',
       "Total 3 files, 1 folder, 1,234 bytes"},
      {{.folders = 2, .bytes = 1234567},
       total,
       true,
       ',',
       "Total 2 folders, 1,234,567 bytes - search canceled"},
      {{.files = 1234567, .archiveEntries = 9}, selected, true, '.', "Selected 1.234.567 files"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(totalsText(c.totals, c.kind, c.canceled, englishTexts(), c.separator), c.text)
        << c.text;
}

// A language file may carry texts of any length; the status bar takes at most 511 characters.
class LongTotalText final : public TextLookup {
 public:
  explicit LongTotalText(std::size_t length) : total_(length, 'T') {}
  const char* text(uint32_t id) const override {
    return id == kTextTotal ? total_.c_str() : englishTexts().text(id);
  }

 private:
  std::string total_;
};

TEST(Totals, LongTextsAreCutAndTheCanceledNoteNeedsRoom) {
  const Totals oneFile{.files = 1};
  // 500 + " 1 file" leaves room for the note, which is then cut.
  const std::string roomy = totalsText(oneFile, TotalsKind::Total, true, LongTotalText(500), '.');
  EXPECT_EQ(roomy.size(), kMaxTotalsText);
  EXPECT_EQ(roomy.substr(500), " 1 file - s");
  // 505 + " 1 file" is 512 characters: no note, and the text is cut to 511.
  const std::string full = totalsText(oneFile, TotalsKind::Total, true, LongTotalText(505), '.');
  EXPECT_EQ(full.size(), kMaxTotalsText);
  EXPECT_EQ(full.substr(505), " 1 fil");
}

}  // namespace
}  // namespace ostrya
