// portable: no platform headers.
#include "foundation/language_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "foundation/file_access.h"
#include "foundation/program_files.h"
#include "platform/file.h"

namespace ostrya {
namespace {

// A language file line:  mnuFile_________=&Datei
// Keys are padded with '_' to the longest key name so that no key is the start of another
// ("mnuFile" of "mnuFileRun"), which lets a plain substring search find them.
constexpr char kKeyPadding = '_';
constexpr char kTextSectionLine[] = "[Text]";
constexpr std::string_view kDisplayNameKey = "Language";
// Longer values are cut: the texts are labels and help lines, and the largest buffer they are
// fetched into holds 259 bytes.
constexpr std::size_t kMaxValueLength = 255;
// A template line keeps at most this much of an escaped text; no built-in text comes near it.
constexpr std::size_t kMaxEscapedLength = 1023;

// A text for one entry: a stretch of the file, or an English text used instead.
struct Piece {
  const char* text = "";
  std::size_t length = 0;
  bool escapedLineFeeds = false;
};

std::size_t longestKeyLength(const LanguageTable& keys) {
  std::size_t longest = 0;
  for (const LanguageEntry* entry = keys.entries() + 1; entry->id != 0; ++entry)
    longest = std::max(longest, std::strlen(entry->text));
  return longest;
}

// How many text entries follow the code and name in both tables: the walk stops at whichever
// terminator comes first, so a short key table cannot make it run off the English one.
std::size_t sharedTextCount(const LanguageTable& english, const LanguageTable& keys) {
  std::size_t count = 0;
  while (english.entries()[2 + count].id != 0 && keys.entries()[2 + count].id != 0) ++count;
  return count;
}

std::string paddedKey(const char* key, std::size_t width) {
  std::string padded(key);
  if (padded.size() < width) padded.append(width - padded.size(), kKeyPadding);
  return padded;
}

// A value runs from just after its "=" to the end of the line. A zero byte ends it too, since
// the stored text ends there anyway.
Piece valueAt(std::string_view text, std::size_t start) {
  std::size_t end = start;
  while (end < text.size() && end - start < kMaxValueLength && text[end] != '\r' &&
         text[end] != '\n' && text[end] != '\0')
    ++end;
  return {text.data() + start, end - start};
}

// The display name's key is not padded, and it is also the end of the keys "mnuLanguage" and
// "sb_Language", so the search goes on past every occurrence that no "=" follows.
Piece displayNameIn(std::string_view text) {
  for (std::size_t at = text.find(kDisplayNameKey); at != std::string_view::npos;
       at = text.find(kDisplayNameKey, at + 1)) {
    const std::size_t equals = at + kDisplayNameKey.size();
    if (equals < text.size() && text[equals] == '=') return valueAt(text, equals + 1);
  }
  return {};
}

// Only the key's first occurrence counts; an unpadded key never matches a padded search.
Piece keyedValueIn(std::string_view text, const std::string& key) {
  const std::size_t at = text.find(key);
  if (at == std::string_view::npos) return {};
  const std::size_t equals = at + key.size();
  if (equals >= text.size() || text[equals] != '=') return {};
  Piece value = valueAt(text, equals + 1);
  value.escapedLineFeeds = true;
  return value;
}

Piece wholeText(const char* text) {
  return {text, std::strlen(text)};
}

// Copies a piece and its terminator to `at`. Translators cannot type a line feed into a
// one-line value, so the two characters "\n" stand for one in the texts of a file; the display
// name is a single line in a list and is taken as it stands.
char* appendText(char* at, const Piece& piece) {
  for (std::size_t i = 0; i < piece.length; ++i) {
    if (piece.escapedLineFeeds && piece.text[i] == '\\' && i + 1 < piece.length &&
        piece.text[i + 1] == 'n') {
      *at++ = '\n';
      ++i;
    } else {
      *at++ = piece.text[i];
    }
  }
  *at++ = '\0';
  return at;
}

bool fileExists(const std::string& path) {
  return platform::fileAttributes(path.c_str()) != platform::kNoAttributes;
}

// Gathers every text first, so that the entry array and the texts go into one exactly sized
// block that the table owns.
std::unique_ptr<LanguageTable> buildTable(const LanguageTable& english, const LanguageTable& keys,
                                          const std::string& code, std::string_view file) {
  const std::size_t width = longestKeyLength(keys);
  const std::size_t textCount = sharedTextCount(english, keys);
  std::unique_ptr<Piece[]> pieces(new (std::nothrow) Piece[textCount + 2]);
  if (!pieces) return nullptr;
  pieces[0] = wholeText(code.c_str());
  pieces[1] = displayNameIn(file);
  if (pieces[1].length == 0) pieces[1] = wholeText(keys.displayName());
  for (std::size_t i = 0; i < textCount; ++i) {
    const Piece value = keyedValueIn(file, paddedKey(keys.entries()[2 + i].text, width));
    pieces[2 + i] = value.length != 0 ? value : wholeText(english.entries()[2 + i].text);
  }

  const std::size_t entryCount = textCount + 3;  // code, name, texts, terminator
  const std::size_t entryBytes = entryCount * sizeof(LanguageEntry);
  std::size_t bytes = entryBytes;
  for (std::size_t i = 0; i < textCount + 2; ++i) bytes += pieces[i].length + 1;
  std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[bytes]);
  if (!block) return nullptr;

  auto* entries = reinterpret_cast<LanguageEntry*>(block.get());
  char* at = reinterpret_cast<char*>(block.get() + entryBytes);
  for (std::size_t i = 0; i < textCount + 2; ++i) {
    const uint16_t id = i < 2 ? static_cast<uint16_t>(i) : keys.entries()[i].id;
    new (entries + i) LanguageEntry{id, at};
    at = appendText(at, pieces[i]);
  }
  new (entries + textCount + 2) LanguageEntry{0, nullptr};
  return std::unique_ptr<LanguageTable>(new (std::nothrow)
                                            LanguageTable(entries, std::move(block)));
}

// Tabs and line feeds would break the one-line value; the loader and get text turn the
// escapes back.
std::string escapedText(const char* text) {
  std::string escaped;
  for (const char* c = text; *c; ++c) {
    if (*c == '\t')
      escaped += "\\t";
    else if (*c == '\n')
      escaped += "\\n";
    else
      escaped += *c;
  }
  if (escaped.size() > kMaxEscapedLength) escaped.resize(kMaxEscapedLength);
  return escaped;
}

int writeTemplateLines(OutputFile& out, void* owner, const LanguageTable& english,
                       const LanguageTable& keys) {
  int code = out.writeLine(owner, kTextSectionLine);
  if (code == 0)
    code =
        out.writeLine(owner, (std::string(kDisplayNameKey) + "=" + english.displayName()).c_str());
  const std::size_t width = longestKeyLength(keys);
  const std::size_t textCount = sharedTextCount(english, keys);
  for (std::size_t i = 2; code == 0 && i < textCount + 2; ++i) {
    const std::string line =
        paddedKey(keys.entries()[i].text, width) + "=" + escapedText(english.entries()[i].text);
    code = out.writeLine(owner, line.c_str());
  }
  return code;
}

}  // namespace

std::unique_ptr<LanguageTable> loadLanguageFile(LanguageList languages, const std::string& base,
                                                const char* code) {
  const LanguageTable& english = englishLanguage();
  const LanguageTable* keys = findLanguage(languages, kKeyTableCode);
  if (keys == nullptr || keys == &english) return nullptr;
  try {
    std::string fileCode = code ? code : "";
    if (fileCode.size() == 1) fileCode += ' ';
    std::string path = languageFileName(base, fileCode, kLanguageFileExtension);
    if (!fileExists(path)) {
      path = languageFileName(base, english.code(), kLanguageFileExtension);
      if (!fileExists(path)) return nullptr;
    }
    const WholeFile file = readWholeFile(path.c_str());
    if (!file.text) return nullptr;
    return buildTable(english, *keys, fileCode, std::string_view(file.text.get(), file.length));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

const LanguageTable& languageFor(const char* code, const std::string& base,
                                 std::unique_ptr<LanguageTable>& loaded) {
  if (const LanguageTable* builtIn = findLanguage(builtInLanguages(), code)) return *builtIn;
  loaded = loadLanguageFile(builtInLanguages(), base, code);
  return loaded ? *loaded : englishLanguage();
}

int writeLanguageTemplate(LanguageList languages, const std::string& base, void* owner) {
  const LanguageTable& english = englishLanguage();
  const LanguageTable* keys = findLanguage(languages, kKeyTableCode);
  if (keys == nullptr || keys == &english) return -1;
  try {
    const std::string path = languageFileName(base, english.code(), kLanguageFileExtension);
    OutputFile out;
    if (out.create(owner, path.c_str()) != 0) return -1;
    return writeTemplateLines(out, owner, english, *keys);
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

}  // namespace ostrya
