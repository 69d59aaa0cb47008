// portable: no platform headers.
#include "results/export.h"

#include <mutex>
#include <string>

#include "platform/locale_format.h"
#include "platform/path.h"

namespace ostrya {
namespace {

// Column titles.
constexpr uint32_t kTitleName = 50, kTitleSize = 51, kTitleModified = 52, kTitleAttributes = 53,
                   kTitlePath = 54, kTitleType = 55, kTitleFullPath = 56;

constexpr std::size_t kMaxTextLine = 4096;
constexpr std::size_t kMaxDateText = 32;

// What a row shows, as the result list shows it.
struct RowTexts {
  std::string attributes;
  std::string size;  // "<DIR>" for a folder
  std::string dateTime;
  std::string folder;  // empty when the folder is not known
  bool folderKnown = false;
  std::string path;  // folder, separator, name; the name alone without a folder
};

RowTexts rowTexts(ResultStore& store, const ResultRecord& record, char separator) {
  RowTexts row;
  row.attributes = attributeLetters(record.attributes());
  if (record.isFolder())
    row.size = "<DIR>";
  else if (record.size() != kUnknownSize)
    row.size = groupedNumber(record.size(), separator);
  row.dateTime = platform::dosDateTimeText(record.date(), record.time()).substr(0, kMaxDateText);
  const FolderRecord folder = store.folderRecordLocked(record.folderNumber());
  row.folderKnown = folder.bytes() != nullptr;
  if (row.folderKnown) row.folder = folder.path();
  row.path = store.joinedPathLocked(record);
  return row;
}

std::string textLine(const RowTexts& row) {
  char fields[64];
  std::snprintf(fields, sizeof fields, "%6s%15s%20s   ", row.attributes.c_str(), row.size.c_str(),
                row.dateTime.c_str());
  std::string line = fields + withControlsEscaped(row.path);
  if (line.size() > kMaxTextLine) line.resize(kMaxTextLine);
  return line;
}

// A field with the separator, a double quote or a line break goes in double quotes, a double
// quote inside it doubled, so that the field reads back whole and a name cannot split its
// record. Every other field stands as it is.
std::string csvField(const std::string& field) {
  if (field.find_first_of(";\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string csvLine(const RowTexts& row) {
  std::string path = row.path;
  if (path.size() >= platform::kMaxPath) path.resize(platform::kMaxPath - 1);
  return csvField(row.attributes) + ";" + csvField(row.size) + ";" + csvField(row.dateTime) + ";" +
         csvField(path);
}

// Names are anyone's: "&", "<", ">" and the double quote would break the table or bring
// markup in.
std::string html(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string htmlLine(ResultStore& store, const ResultRecord& record, const RowTexts& row,
                     const TextLookup& texts) {
  const std::string name = html(record.name());
  std::string cell = name;
  if (row.folderKnown && (record.attributes() & kRecInArchive) == 0)
    cell =
        "<A HREF=\"" + html(row.folder) + platform::kPathSeparator + name + "\">" + name + "</A>";
  const std::string size = record.isFolder() ? "DIR" : row.size;
  const std::string attributes = row.attributes.empty() ? "-" : row.attributes;
  return "<TR><TD>" + cell + "</TD><TD ALIGN=RIGHT>" + html(size) + "</TD><TD>" +
         html(row.dateTime) + "</TD><TD>" + html(attributes) + "</TD><TD>" +
         html(store.typeTextLocked(record, texts)) + "</TD><TD>" + html(row.folder) + "</TD></TR>";
}

// The last column holds the full path, and says so.
std::string csvHeader(const TextLookup& texts) {
  return csvField(texts.text(kTitleAttributes)) + ";" + csvField(texts.text(kTitleSize)) + ";" +
         csvField(texts.text(kTitleModified)) + ";" + csvField(texts.text(kTitleFullPath));
}

std::string htmlHeader(const TextLookup& texts) {
  std::string line = "<TR>";
  for (uint32_t id :
       {kTitleName, kTitleSize, kTitleModified, kTitleAttributes, kTitleType, kTitlePath})
    line += "<TH>" + html(texts.text(id)) + "</TH>";
  return line + "</TR>";
}

}  // namespace

// As ls shows them: tab, line feed and carriage return by their letters, other control bytes
// by three octal digits. The backslash stays as it is, since it separates Windows paths.
std::string withControlsEscaped(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else {
      const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                            static_cast<char>('0' + ((byte >> 3) & 7)),
                            static_cast<char>('0' + (byte & 7))};
      shown.append(octal, sizeof octal);
    }
  }
  return shown;
}

bool exportResults(ResultStore& store, ExportFormat format, OutputFile& file, void* owner,
                   const TextLookup& texts, char thousandsSeparator) {
  return store.rowCount() != 0 &&
         store.sort(store.sortMode(), store.sortDirection(), false, nullptr, texts) &&
         exportSortedResults(store, format, file, owner, texts, thousandsSeparator);
}

bool exportSortedResults(ResultStore& store, ExportFormat format, OutputFile& file, void* owner,
                         const TextLookup& texts, char thousandsSeparator) {
  if (store.rowCount() == 0) return false;
  try {
    std::lock_guard<std::mutex> hold(store.lock());
    const auto write = [&](const std::string& line) {
      return file.writeLine(owner, line.c_str()) == 0;
    };
    if (format == ExportFormat::Csv && !write(csvHeader(texts))) return false;
    if (format == ExportFormat::Html &&
        !(write("<HTML>\r\n<BODY>\r\n<TABLE BORDER=1>") && write(htmlHeader(texts))))
      return false;
    for (uint32_t r = 0;; ++r) {
      const ResultRecord record = store.recordOfRowLocked(r);
      if (record.bytes() == nullptr) break;
      const RowTexts row = rowTexts(store, record, thousandsSeparator);
      const std::string line = format == ExportFormat::Text  ? textLine(row)
                               : format == ExportFormat::Csv ? csvLine(row)
                                                             : htmlLine(store, record, row, texts);
      if (!write(line)) return false;
    }
    return format != ExportFormat::Html || write("</TABLE>\r\n</BODY>\r\n</HTML>");
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace ostrya
