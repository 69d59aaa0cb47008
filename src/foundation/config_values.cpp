// portable: no platform headers.
#include "foundation/config_values.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/config_store.h"

namespace ostrya {

namespace {

// Room for the longest list the program writes: thirteen signed numbers and a face name.
constexpr std::size_t kValueCapacity = 512;
// A history entry is read into a path-sized buffer with some room to spare.
constexpr std::size_t kHistoryValueCapacity = 264;
// Keeps a hostile repeat count from meaning billions of repetitions; the capacity ends any
// format long before.
constexpr std::size_t kMaxRepeat = 1000;

constexpr const char* kPlacementKey = "Pos";
constexpr const char* kPlacementSpecification = "5%d";
// The state number of a maximised window; every other state is kept as 0, "normal".
constexpr uint32_t kMaximisedState = 3;
constexpr const char* kOptionsKey = "Opt";
constexpr const char* kFontSpecification = "13%d,%s";
constexpr std::size_t kFontNumberCount = 13;
constexpr const char* kColourPairSpecification = "2%lx";
constexpr const char* kCustomColoursKey = "CC";
constexpr const char* kCustomColoursSpecification = "16%lx";
constexpr uint32_t kWhite = 0xFFFFFF;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int digitValue(char c, unsigned base) {
  int digit = -1;
  if (isDigit(c))
    digit = c - '0';
  else if (c >= 'a' && c <= 'f')
    digit = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    digit = c - 'A' + 10;
  return digit >= 0 && static_cast<unsigned>(digit) < base ? digit : -1;
}

// A number as the C library scans one (leading blanks, sign, "0x" before hexadecimal digits),
// accumulated in 32 bits so that a hostile value wraps instead of overflowing. False without a
// digit.
bool readNumber(const char*& in, unsigned base, uint32_t& number) {
  const char* at = in;
  while (isBlank(*at)) ++at;
  const bool negative = *at == '-';
  if (*at == '-' || *at == '+') ++at;
  if (base == 16 && at[0] == '0' && (at[1] == 'x' || at[1] == 'X') && digitValue(at[2], 16) >= 0)
    at += 2;
  if (digitValue(*at, base) < 0) return false;
  uint32_t value = 0;
  for (int digit; (digit = digitValue(*at, base)) >= 0; ++at)
    value = value * base + static_cast<uint32_t>(digit);
  number = negative ? 0u - value : value;
  in = at;
  return true;
}

// The conversion letter of the field starting at `percent` ("%d", "%ld", ...), and where the
// field ends.
char conversion(const char* percent, const char*& next) {
  const char* letter = percent + 1;
  if (*letter == 'l') ++letter;
  next = *letter != '\0' ? letter + 1 : letter;
  return *letter;
}

bool hasHexadecimalField(const char* format) {
  for (const char* at = format; *at != '\0';) {
    if (*at != '%') {
      ++at;
      continue;
    }
    if (conversion(at, at) == 'x') return true;
  }
  return false;
}

void putList(ConfigStore& store, const char* section, const char* key, const char* shape,
             std::size_t formatCapacity, const uint32_t* numbers, std::size_t count,
             const char* text) {
  char format[kSixteenValueFormatCapacity];
  if (!buildValueListFormat(shape, format, std::min(formatCapacity, sizeof format))) return;
  char value[kValueCapacity];
  const std::size_t mark = hasHexadecimalField(format) ? 1 : 0;
  value[0] = '#';
  if (!printValueList(format, numbers, count, text, value + mark, sizeof value - mark)) return;
  store.putText(section, key, value);
}

std::size_t getList(ConfigStore& store, const char* section, const char* key, const char* shape,
                    std::size_t formatCapacity, uint32_t* numbers, std::size_t count, char* text,
                    std::size_t textCapacity) {
  char format[kSixteenValueFormatCapacity];
  if (!buildValueListFormat(shape, format, std::min(formatCapacity, sizeof format))) return 0;
  char value[kValueCapacity];
  store.getText(section, key, "", value, sizeof value);
  const bool hexadecimal = value[0] == '#';
  return scanValueList(value + (hexadecimal ? 1 : 0), format, hexadecimal, numbers, count, text,
                       textCapacity);
}

void copyCut(const char* text, char* out, std::size_t capacity) {
  const std::size_t length = std::min(std::strlen(text), capacity - 1);
  std::memcpy(out, text, length);
  out[length] = '\0';
}

}  // namespace

// Each item of the ","-separated shape may begin with a repeat count; all repetitions
// of all items are joined by ",".
bool buildValueListFormat(const char* shape, char* out, std::size_t capacity) {
  if (out == nullptr || capacity == 0) return false;
  out[0] = '\0';
  if (shape == nullptr) return false;
  std::size_t length = 0;
  bool first = true;
  const char* item = shape;
  for (;;) {
    std::size_t repeat = 1;
    if (isDigit(*item)) {
      repeat = 0;
      for (; isDigit(*item); ++item) repeat = std::min(repeat * 10 + (*item - '0'), kMaxRepeat);
    }
    const char* itemEnd = std::strchr(item, ',');
    if (itemEnd == nullptr) itemEnd = item + std::strlen(item);
    const std::size_t itemLength = static_cast<std::size_t>(itemEnd - item);
    for (std::size_t i = 0; i < repeat; ++i) {
      const std::size_t separator = first ? 0 : 1;
      if (separator + itemLength >= capacity - length) {
        out[0] = '\0';
        return false;
      }
      if (!first) out[length++] = ',';
      std::memcpy(out + length, item, itemLength);
      length += itemLength;
      first = false;
    }
    if (*itemEnd == '\0') break;
    item = itemEnd + 1;
  }
  out[length] = '\0';
  return true;
}

bool printValueList(const char* format, const uint32_t* numbers, std::size_t count,
                    const char* text, char* out, std::size_t capacity) {
  if (out == nullptr || capacity == 0) return false;
  out[0] = '\0';
  if (format == nullptr) return false;
  std::size_t length = 0;
  std::size_t used = 0;
  for (const char* at = format; *at != '\0';) {
    char field[16];
    const char* piece = at;
    std::size_t pieceLength = 1;
    if (*at != '%') {
      ++at;
    } else {
      const char letter = conversion(at, at);
      if ((letter == 'd' || letter == 'i' || letter == 'u' || letter == 'x') && used >= count) {
        out[0] = '\0';
        return false;
      }
      if (letter == 'd' || letter == 'i')
        std::snprintf(field, sizeof field, "%ld", static_cast<long>(int32_t(numbers[used++])));
      else if (letter == 'u')
        std::snprintf(field, sizeof field, "%lu", static_cast<unsigned long>(numbers[used++]));
      else if (letter == 'x')
        std::snprintf(field, sizeof field, "%lx", static_cast<unsigned long>(numbers[used++]));
      else if (letter == '%')
        std::strcpy(field, "%");
      else if (letter != 's') {
        out[0] = '\0';
        return false;
      }
      piece = letter == 's' ? (text ? text : "") : field;
      pieceLength = std::strlen(piece);
    }
    if (pieceLength >= capacity - length) {
      out[0] = '\0';
      return false;
    }
    std::memcpy(out + length, piece, pieceLength);
    length += pieceLength;
  }
  out[length] = '\0';
  return true;
}

// Like the C library's scan, reading stops at the first field or separator that does not
// match. "%s" takes the rest of the value, blanks and commas included: a font's face name is
// everything after its thirteenth ",".
std::size_t scanValueList(const char* value, const char* format, bool hexadecimal,
                          uint32_t* numbers, std::size_t count, char* text,
                          std::size_t textCapacity) {
  if (value == nullptr || format == nullptr) return 0;
  std::size_t fields = 0;
  std::size_t used = 0;
  const char* in = value;
  for (const char* at = format; *at != '\0';) {
    if (isBlank(*at)) {
      while (isBlank(*in)) ++in;
      ++at;
      continue;
    }
    if (*at != '%') {
      if (*in != *at) break;
      ++in;
      ++at;
      continue;
    }
    const char letter = conversion(at, at);
    if (letter == '%') {
      if (*in != '%') break;
      ++in;
    } else if (letter == 's') {
      if (*in == '\0') break;
      if (text != nullptr && textCapacity != 0) copyCut(in, text, textCapacity);
      in += std::strlen(in);
      ++fields;
    } else if (letter == 'd' || letter == 'i' || letter == 'u' || letter == 'x') {
      const unsigned base = letter == 'x' && hexadecimal ? 16 : 10;
      uint32_t number = 0;
      if (used >= count || !readNumber(in, base, number)) break;
      numbers[used++] = number;
      ++fields;
    } else {
      break;
    }
  }
  return fields;
}

void putValueList(ConfigStore& store, const char* section, const char* key, const char* shape,
                  const uint32_t* numbers, std::size_t count, const char* text) {
  putList(store, section, key, shape, kSixteenValueFormatCapacity, numbers, count, text);
}

std::size_t getValueList(ConfigStore& store, const char* section, const char* key,
                         const char* shape, uint32_t* numbers, std::size_t count, char* text,
                         std::size_t textCapacity) {
  return getList(store, section, key, shape, kSixteenValueFormatCapacity, numbers, count, text,
                 textCapacity);
}

void saveWindowPlacement(ConfigStore& store, const char* section,
                         const WindowPlacement& placement) {
  const uint32_t numbers[5] = {uint32_t(placement.left), uint32_t(placement.top),
                               uint32_t(placement.width), uint32_t(placement.height),
                               placement.maximised ? kMaximisedState : 0u};
  putList(store, section, kPlacementKey, kPlacementSpecification, kValueListFormatCapacity, numbers,
          5, nullptr);
}

// A placement that is missing or not five numbers leaves the position and size to the system.
WindowPlacement loadWindowPlacement(ConfigStore& store, const char* section) {
  uint32_t numbers[5] = {};
  if (getList(store, section, kPlacementKey, kPlacementSpecification, kValueListFormatCapacity,
              numbers, 5, nullptr, 0) < 5)
    return {kDefaultPosition, kDefaultPosition, kDefaultPosition, kDefaultPosition, false};
  return {int32_t(numbers[0]), int32_t(numbers[1]), int32_t(numbers[2]), int32_t(numbers[3]),
          numbers[4] == kMaximisedState};
}

void putOptions(ConfigStore& store, const char* section, uint32_t options) {
  store.putNumber(section, kOptionsKey, options);
}

uint32_t getOptions(ConfigStore& store, const char* section) {
  return store.getNumber(section, kOptionsKey, 0);
}

// The whole list is read under one hold of the lock, so that another thread's save cannot
// interleave with it.
void loadHistoryList(ConfigStore& store, HistoryList& list, const char* section,
                     std::size_t count) {
  ConfigStore::Lock lock(store);
  if (!lock.held()) return;
  for (std::size_t n = 1; n <= count; ++n) {
    char key[24];
    std::snprintf(key, sizeof key, "%lu", static_cast<unsigned long>(n));
    char value[kHistoryValueCapacity];
    store.getText(section, key, "", value, sizeof value);
    if (value[0] != '\0') list.append(value);
  }
}

// The section is written anew, so that keys of a longer list saved before do not survive.
void saveHistoryList(ConfigStore& store, const HistoryList& list, const char* section,
                     std::size_t count) {
  ConfigStore::Lock lock(store);
  if (!lock.held()) return;
  store.removeSection(section);
  const std::size_t items = std::min(count, list.count());
  for (std::size_t i = 0; i < items; ++i) {
    char item[kHistoryValueCapacity] = "";
    list.itemText(i, item, sizeof item);
    item[sizeof item - 1] = '\0';
    if (item[0] == '\0') continue;
    char key[24];
    std::snprintf(key, sizeof key, "%lu", static_cast<unsigned long>(i + 1));
    store.putText(section, key, item);
  }
}

void putFont(ConfigStore& store, const char* section, const char* key,
             const FontDescription& font) {
  const uint32_t numbers[kFontNumberCount] = {uint32_t(font.height),
                                              uint32_t(font.width),
                                              uint32_t(font.escapement),
                                              uint32_t(font.orientation),
                                              uint32_t(font.weight),
                                              font.italic,
                                              font.underline,
                                              font.strikeOut,
                                              font.charSet,
                                              font.outPrecision,
                                              font.clipPrecision,
                                              font.quality,
                                              font.pitchAndFamily};
  // The face name may fill its field without a terminator.
  char faceName[sizeof font.faceName];
  const char* nameEnd = std::find(font.faceName, font.faceName + sizeof faceName - 1, '\0');
  const std::size_t nameLength = static_cast<std::size_t>(nameEnd - font.faceName);
  std::memcpy(faceName, font.faceName, nameLength);
  faceName[nameLength] = '\0';
  putList(store, section, key, kFontSpecification, kValueListFormatCapacity, numbers,
          kFontNumberCount, faceName);
}

bool getFont(ConfigStore& store, const char* section, const char* key, FontDescription& font) {
  uint32_t numbers[kFontNumberCount] = {};
  char faceName[sizeof font.faceName] = "";
  if (getList(store, section, key, kFontSpecification, kValueListFormatCapacity, numbers,
              kFontNumberCount, faceName, sizeof faceName) < kFontNumberCount)
    return false;
  font.height = int32_t(numbers[0]);
  font.width = int32_t(numbers[1]);
  font.escapement = int32_t(numbers[2]);
  font.orientation = int32_t(numbers[3]);
  font.weight = int32_t(numbers[4]);
  font.italic = uint8_t(numbers[5]);
  font.underline = uint8_t(numbers[6]);
  font.strikeOut = uint8_t(numbers[7]);
  font.charSet = uint8_t(numbers[8]);
  font.outPrecision = uint8_t(numbers[9]);
  font.clipPrecision = uint8_t(numbers[10]);
  font.quality = uint8_t(numbers[11]);
  font.pitchAndFamily = uint8_t(numbers[12]);
  std::memcpy(font.faceName, faceName, sizeof faceName);
  return true;
}

void putColours(ConfigStore& store, const char* section, const char* key,
                const ColourPair& colours) {
  const uint32_t numbers[2] = {colours.text, colours.background};
  putList(store, section, key, kColourPairSpecification, kPairFormatCapacity, numbers, 2, nullptr);
}

// Text and background of one colour would be unreadable; such a pair counts as never set.
ColourPair getColours(ConfigStore& store, const char* section, const char* key,
                      uint32_t windowBackground) {
  uint32_t numbers[2] = {};
  if (getList(store, section, key, kColourPairSpecification, kPairFormatCapacity, numbers, 2,
              nullptr, 0) < 2 ||
      numbers[0] == numbers[1])
    return {0, windowBackground};
  return {numbers[0], numbers[1]};
}

void putCustomColours(ConfigStore& store, const char* section,
                      const uint32_t (&colours)[kCustomColourCount]) {
  putList(store, section, kCustomColoursKey, kCustomColoursSpecification,
          kSixteenValueFormatCapacity, colours, kCustomColourCount, nullptr);
}

// A partly readable set would mix stored and default colours; all sixteen or none are taken.
void getCustomColours(ConfigStore& store, const char* section,
                      uint32_t (&colours)[kCustomColourCount]) {
  std::fill(std::begin(colours), std::end(colours), kWhite);
  uint32_t stored[kCustomColourCount] = {};
  if (getList(store, section, kCustomColoursKey, kCustomColoursSpecification,
              kSixteenValueFormatCapacity, stored, kCustomColourCount, nullptr,
              0) == kCustomColourCount)
    std::copy(std::begin(stored), std::end(stored), std::begin(colours));
}

}  // namespace ostrya
