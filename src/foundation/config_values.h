// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya {

class ConfigStore;

// Capacities of built value-list formats, terminator included.
inline constexpr std::size_t kValueListFormatCapacity = 64;
inline constexpr std::size_t kSixteenValueFormatCapacity = 80;
inline constexpr std::size_t kPairFormatCapacity = 32;

// Expands a compact list shape into its scan and print format: "5%d" gives
// "%d,%d,%d,%d,%d", "13%d,%s" thirteen "%d" and a "%s", "2%lx" two "%lx". False, with an empty
// format, when the format does not fit the capacity.
bool buildValueListFormat(const char* shape, char* out, std::size_t capacity);

// Prints 32-bit numbers and a final text with a built format ("%d" signed, "%u" unsigned,
// "%x" hexadecimal, each with an optional "l"; "%s" the text). False, with an empty result,
// when the numbers run out or the result does not fit.
bool printValueList(const char* format, const uint32_t* numbers, std::size_t count,
                    const char* text, char* out, std::size_t capacity);

// Reads a value list as the C library's scan would with the format, but with 32-bit
// wrap-around instead of overflow, and with "%s" taking the rest of the value as it stands.
// With hexadecimal false, "%x" reads decimal. Returns the number of fields read.
std::size_t scanValueList(const char* value, const char* format, bool hexadecimal,
                          uint32_t* numbers, std::size_t count, char* text,
                          std::size_t textCapacity);

// A value list under a key. Lists with hexadecimal fields are written with a leading "#"; on
// reading, a leading "#" selects hexadecimal and its absence decimal. getValueList returns the
// number of fields read.
void putValueList(ConfigStore& store, const char* section, const char* key, const char* shape,
                  const uint32_t* numbers, std::size_t count, const char* text = nullptr);
std::size_t getValueList(ConfigStore& store, const char* section, const char* key,
                         const char* shape, uint32_t* numbers, std::size_t count,
                         char* text = nullptr, std::size_t textCapacity = 0);

// A window's restored rectangle and whether it is maximised, as kept under "Pos".
struct WindowPlacement {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  bool maximised;
};
// The system's "default position" value, for a placement that was never saved.
inline constexpr int32_t kDefaultPosition = INT32_MIN;
void saveWindowPlacement(ConfigStore& store, const char* section, const WindowPlacement& placement);
WindowPlacement loadWindowPlacement(ConfigStore& store, const char* section);

// The options word, key "Opt" (0 when absent).
void putOptions(ConfigStore& store, const char* section, uint32_t options);
uint32_t getOptions(ConfigStore& store, const char* section);

// The list behind a drop-down combo box, as the history load and save see it.
class HistoryList {
 public:
  virtual ~HistoryList() = default;
  virtual std::size_t count() const = 0;
  // The item's text cut to capacity - 1 bytes; empty for an item that does not exist.
  virtual void itemText(std::size_t index, char* out, std::size_t capacity) const = 0;
  virtual void append(const char* text) = 0;
};
// How many entries of each history survive a restart.
inline constexpr std::size_t kHistoryCount = 30;
// Appends the non-empty values of keys "1" to count, in that order.
void loadHistoryList(ConfigStore& store, HistoryList& list, const char* section, std::size_t count);
// Replaces the section by the list's first count items under keys "1" onward (an empty item
// leaves its key out).
void saveHistoryList(ConfigStore& store, const HistoryList& list, const char* section,
                     std::size_t count);

// A logical font: its thirteen numbers in the platform's order, then the face name.
struct FontDescription {
  int32_t height;
  int32_t width;
  int32_t escapement;
  int32_t orientation;
  int32_t weight;
  uint8_t italic;
  uint8_t underline;
  uint8_t strikeOut;
  uint8_t charSet;
  uint8_t outPrecision;
  uint8_t clipPrecision;
  uint8_t quality;
  uint8_t pitchAndFamily;
  char faceName[32];
};
void putFont(ConfigStore& store, const char* section, const char* key, const FontDescription& font);
// Leaves the font as it is unless the thirteen numbers can be read.
bool getFont(ConfigStore& store, const char* section, const char* key, FontDescription& font);

struct ColourPair {
  uint32_t text;
  uint32_t background;
};
void putColours(ConfigStore& store, const char* section, const char* key,
                const ColourPair& colours);
// Black on the window background when the pair is missing, unreadable or of one colour.
ColourPair getColours(ConfigStore& store, const char* section, const char* key,
                      uint32_t windowBackground);

// The sixteen custom colours of the colour dialog, key "CC".
inline constexpr std::size_t kCustomColourCount = 16;
void putCustomColours(ConfigStore& store, const char* section,
                      const uint32_t (&colours)[kCustomColourCount]);
// Sixteen times white unless all sixteen stored colours can be read.
void getCustomColours(ConfigStore& store, const char* section,
                      uint32_t (&colours)[kCustomColourCount]);

}  // namespace ostrya
