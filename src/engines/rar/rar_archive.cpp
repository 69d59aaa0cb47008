// portable: no platform headers.
#include "engines/rar/rar_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/codepage.h"

namespace ostrya::engines::rar {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

// DOS attributes: what Windows writers stored, else what the Unix mode says.
uint32_t dosAttributes(archive_entry* entry) {
  constexpr uint32_t kFolder = 0x10;
  constexpr uint32_t kReadOnly = 0x01;
  uint32_t attributes = 0;
  if (archive_entry_filetype(entry) == AE_IFDIR) attributes |= kFolder;
  if ((archive_entry_perm(entry) & 0222) == 0) attributes |= kReadOnly;
  return attributes;
}

// The name as libarchive decoded it (RAR stores Unicode, or OEM bytes it converts), in the
// program's file name characters.
void nameOf(archive_entry* entry, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  out[0] = '\0';
  const wchar_t* wide = archive_entry_pathname_w(entry);
  if (wide == nullptr) {
    // No conversion: the bytes as stored.
    if (const char* bytes = archive_entry_pathname(entry)) {
      std::strncpy(out, bytes, capacity - 1);
      out[capacity - 1] = '\0';
    }
    return;
  }
  std::u16string units;
  for (const wchar_t* at = wide; *at; ++at) {
    const auto code = static_cast<uint32_t>(*at);
    if (code >= 0x10000 && code <= 0x10FFFF) {
      units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(code <= 0xFFFF ? code : '?');
    }
  }
  platform::utf16ToFileName(units.data(), units.size(), out, capacity);
}

// The target of a symbolic link entry; null for any other entry.
const char* linkTarget(archive_entry* entry) {
  if (archive_entry_filetype(entry) != AE_IFLNK) return nullptr;
  const char* target = archive_entry_symlink(entry);
  return target ? target : "";
}

}  // namespace

RarArchive::~RarArchive() {
  if (reader_) archive_read_free(reader_);
}

int RarArchive::open(const char* path, RarOpenMode) {
  reader_ = archive_read_new();
  if (reader_ == nullptr) return kRarNoMemory;
  if (archive_read_support_format_rar(reader_) != ARCHIVE_OK ||
      archive_read_support_format_rar5(reader_) != ARCHIVE_OK)
    return kRarNoMemory;
  if (archive_read_open_filename(reader_, path, kReadBlock) != ARCHIVE_OK) return kRarOpenFailed;
  return kRarSuccess;
}

void RarArchive::setCallback(RarCallback callback, void* user) {
  callback_ = callback;
  user_ = user;
}

int RarArchive::readHeader(RarHeader& header) {
  if (reader_ == nullptr) return kRarBadArchive;
  const int result = archive_read_next_header(reader_, &entry_);
  if (result == ARCHIVE_EOF) return kRarEndOfArchive;
  if (result != ARCHIVE_OK && result != ARCHIVE_WARN) {
    entry_ = nullptr;
    return kRarBadData;
  }
  nameOf(entry_, header.name, header.nameCapacity);
  encrypted_ = archive_entry_is_encrypted(entry_) != 0;
  header.flags = encrypted_ ? kRarFlagEncrypted : 0;
  header.size =
      archive_entry_size_is_set(entry_) ? static_cast<uint64_t>(archive_entry_size(entry_)) : 0;
  // A link stores its target as its data; on Windows it becomes a file that holds the target.
  if (const char* target = linkTarget(entry_)) header.size = std::strlen(target);
  // libarchive does not tell the packed size.
  header.packedSize = 0;
  header.hasTime = archive_entry_mtime_is_set(entry_) != 0;
  header.modified = header.hasTime ? archive_entry_mtime(entry_) : 0;
  header.attributes = dosAttributes(entry_);
  header.method = 0;
  return kRarSuccess;
}

int RarArchive::process(RarOperation operation, EntrySink* output) {
  if (entry_ == nullptr) return kRarBadData;
  if (operation != RarOperation::Extract || output == nullptr) {
    // A solid archive decodes what it skips; damage shows here too.
    return archive_read_data_skip(reader_) == ARCHIVE_OK ? kRarSuccess : kRarBadData;
  }
  return extract(*output);
}

// libarchive decrypts no RAR data: an encrypted entry still asks for its password, as the
// interface does, and then ends as data that could not be decoded.
int RarArchive::extract(EntrySink& output) {
  if (encrypted_) {
    if (password_[0] == '\0' && callback_)
      callback_(RarMessage::NeedPassword, user_, reinterpret_cast<intptr_t>(password_),
                static_cast<intptr_t>(sizeof password_));
    return kRarBadData;
  }
  if (const char* target = linkTarget(entry_))
    return output.write(target, std::strlen(target)) ? kRarSuccess : kRarWriteFailed;
  for (;;) {
    const void* block = nullptr;
    std::size_t length = 0;
    la_int64_t offset = 0;
    const int result = archive_read_data_block(reader_, &block, &length, &offset);
    if (result == ARCHIVE_EOF) return kRarSuccess;
    if (result != ARCHIVE_OK && result != ARCHIVE_WARN) return kRarBadData;
    if (length != 0 && !output.write(block, length)) return kRarWriteFailed;
    if (callback_) callback_(RarMessage::ProcessData, user_, 0, static_cast<intptr_t>(length));
  }
}

}  // namespace ostrya::engines::rar
