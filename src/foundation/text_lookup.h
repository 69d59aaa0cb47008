// portable: no platform headers.
#pragma once

#include <cstdint>

namespace ostrya {

// Text identifiers of the type word, the status-bar words and the messages about a search's
// input.
enum TextId : uint32_t {
  kTextFile = 2020,
  kTextTotal = 2021,
  kTextSelected = 2022,
  kTextOneFile = 2023,
  kTextFiles = 2024,
  kTextOneFolder = 2025,
  kTextFolders = 2026,
  kTextOneByte = 2027,
  kTextBytes = 2028,
  kTextCanceled = 2029,
  kTextNotSearched = 2030,
  // The module commands.
  kTextModuleCallFailed = 10001,
  kTextEntryPointMissing = 10002,
  // A filter bound that is no date or time.
  kTextInvalidDate = 10010,
  kTextInvalidTime = 10011,
  // Input a search cannot run with.
  kTextHexCharacter = 10020,
  kTextHexNoDigits = 10021,
  kTextPatternInvalid = 10022,
  kTextFolderMissing = 10023,
};

// Where visible texts come from: the current language table.
class TextLookup {
 public:
  virtual ~TextLookup() = default;
  // The text of an identifier; never null (an empty text when the table has none).
  virtual const char* text(uint32_t id) const = 0;
};

// The built-in English table.
const TextLookup& englishTexts();

}  // namespace ostrya
