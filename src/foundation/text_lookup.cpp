// portable: no platform headers.
#include "foundation/text_lookup.h"

namespace ostrya {
namespace {

struct TextRow {
  uint32_t id;
  const char* text;
};

constexpr TextRow kEnglishStatusTexts[] = {
    {kTextFile, "File"},         {kTextTotal, "Total"},
    {kTextSelected, "Selected"}, {kTextOneFile, "file"},
    {kTextFiles, "files"},       {kTextOneFolder, "folder"},
    {kTextFolders, "folders"},   {kTextOneByte, "byte"},
    {kTextBytes, "bytes"},       {kTextCanceled, "search canceled"},
};

class EnglishTexts final : public TextLookup {
 public:
  const char* text(uint32_t id) const override {
    for (const TextRow& row : kEnglishStatusTexts)
      if (row.id == id) return row.text;
    return "";
  }
};

}  // namespace

const TextLookup& englishTexts() {
  static const EnglishTexts texts;
  return texts;
}

}  // namespace ostrya
