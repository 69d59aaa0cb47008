// portable: no platform headers.
#include "results/totals.h"

#include <new>

namespace ostrya {
namespace {

// The canceled note is added only to a text that still has room below this length.
constexpr std::size_t kCanceledNoteLimit = 512;

// One "<count> <word>" clause; the joiner depends on whether an earlier clause was written.
void appendClause(std::string& text, bool afterClause, uint64_t count, uint32_t oneId,
                  uint32_t manyId, const TextLookup& texts, char separator) {
  text += afterClause ? ", " : " ";
  text += groupedNumber(count, separator);
  text += ' ';
  text += texts.text(count == 1 ? oneId : manyId);
}

}  // namespace

// A NUL separator (a locale without grouping) writes plain digits rather than cutting the text.
std::string groupedNumber(uint64_t value, char thousandsSeparator) {
  try {
    std::string digits = std::to_string(value);
    if (thousandsSeparator == '\0') return digits;
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
      if (i != 0 && (digits.size() - i) % 3 == 0) grouped += thousandsSeparator;
      grouped += digits[i];
    }
    return grouped;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

// A run that found nothing still says "0 files" so the status bar shows the search ended; an
// empty selection says nothing.
std::string totalsText(const Totals& totals, TotalsKind kind, bool canceled,
                       const TextLookup& texts, char thousandsSeparator) {
  try {
    std::string text;
    const bool total = kind == TotalsKind::Total;
    if (totals.files != 0 || totals.folders != 0 || totals.bytes != 0) {
      text = texts.text(total ? kTextTotal : kTextSelected);
      if (totals.files != 0)
        appendClause(text, false, totals.files, kTextOneFile, kTextFiles, texts,
                     thousandsSeparator);
      if (totals.folders != 0)
        appendClause(text, totals.files != 0, totals.folders, kTextOneFolder, kTextFolders, texts,
                     thousandsSeparator);
      if (totals.bytes != 0)
        appendClause(text, totals.files != 0 || totals.folders != 0, totals.bytes, kTextOneByte,
                     kTextBytes, texts, thousandsSeparator);
    } else if (total) {
      text = "0 ";
      text += texts.text(kTextFiles);
    }
    if (total && canceled && text.size() < kCanceledNoteLimit) {
      text += " - ";
      text += texts.text(kTextCanceled);
    }
    if (text.size() > kMaxTotalsText) text.resize(kMaxTotalsText);
    return text;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace ostrya
