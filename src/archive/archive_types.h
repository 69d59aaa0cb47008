// portable: no platform headers.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/path.h"

namespace ostrya::archive {

// Archive type codes: what detection yields and what the format handler table is keyed by.
using TypeCode = uint16_t;
inline constexpr TypeCode kNoArchive = 0;
inline constexpr TypeCode kZip = 10000;
inline constexpr TypeCode kUu = 10001;
inline constexpr TypeCode kXx = 10002;
inline constexpr TypeCode kMimeBase64 = 10003;
inline constexpr TypeCode kRar = 10004;
inline constexpr TypeCode kAce = 10005;
inline constexpr TypeCode kTar = 10006;
inline constexpr TypeCode kArc = 10007;
inline constexpr TypeCode kArj = 10008;
inline constexpr TypeCode kCab = 10009;
inline constexpr TypeCode kGzip = 10010;
inline constexpr TypeCode kTgz = 10011;
inline constexpr TypeCode kLha = 10012;
inline constexpr TypeCode kZoo = 10013;
inline constexpr TypeCode kBzip2 = 10016;
inline constexpr TypeCode kTbz = 10017;
inline constexpr TypeCode kIso = 10019;
inline constexpr TypeCode kFloppyImage = 10020;
inline constexpr TypeCode kRpm = 10021;
inline constexpr TypeCode kCpio = 10022;

// Results of the layer's operations: 0, or a negative code naming one cause.
inline constexpr int kDone = 0;
inline constexpr int kSetUpFailed = -1;
inline constexpr int kNotThisFormat = -2;
inline constexpr int kCompressedTarHoldsNoTar = -3;
inline constexpr int kLaterVolume = -4;
inline constexpr int kOpenFailed = -5;
inline constexpr int kReadFailed = -6;
inline constexpr int kWriteFailed = -7;
inline constexpr int kDamagedData = -8;
inline constexpr int kEncrypted = -9;
inline constexpr int kWrongPassword = -10;
inline constexpr int kUnsupportedMethod = -11;
inline constexpr int kPasswordCancelled = -12;
inline constexpr int kAttributesNotSet = -13;
inline constexpr int kOutputNotOpened = -14;
inline constexpr int kNeedsNewerArj = -17;
inline constexpr int kArjTypeNotExtractable = -18;
inline constexpr int kDecoderFailed = -20;

// DOS attribute bits of an entry.
inline constexpr uint32_t kEntryReadOnly = 0x01;
inline constexpr uint32_t kEntryHidden = 0x02;
inline constexpr uint32_t kEntrySystem = 0x04;
inline constexpr uint32_t kEntryFolder = 0x10;
inline constexpr uint32_t kEntryArchive = 0x20;
// The bits an extracted file is given back.
inline constexpr uint32_t kRestoredAttributes = 0x27;
// The flag character of an encrypted entry.
inline constexpr char kEncryptedFlag = 'E';
// An uncompressed size that the archive does not tell.
inline constexpr uint32_t kSizeNotGiven = 0xFFFFFFFF;
// Sizes travel in 32 bits; a larger one is told as not given rather than wrapped.
inline constexpr uint32_t reportedSize(uint64_t size) {
  return size < kSizeNotGiven ? static_cast<uint32_t>(size) : kSizeNotGiven;
}

struct ArchiveRecord {
  TypeCode type;
  uint16_t dosDate;
  uint16_t dosTime;
  uint64_t size;
  uint32_t openTick;
  uint16_t nameOffset;
  char path[platform::kMaxPath];
};

// The caller's record for one listing.
struct ListingRequest {
  // Written by the layer with the type it found.
  uint16_t typeResult = 0;
  // Set by a hook or an entry callback to keep the archive record; set before the call, they
  // stop detection and listing.
  uint32_t keep[2] = {0, 0};
  // The caller's own part.
  void* caller = nullptr;
};

// Built by ArchiveList for one listing and handed to every entry callback.
struct ListingContext {
  uint32_t reserved0 = 0;
  ListingRequest* request = nullptr;
  uint32_t bufferSizeHint = 4096;
  uint32_t reserved1 = 0;
  ArchiveRecord* record = nullptr;
};

// Called once per entry of a listing. `name` separates folders with '\' or '/' and ends with
// one for a folder; `flag` is kEncryptedFlag, a blank or 0; `method` is what the format says.
using EntryCallback = void (*)(const char* name, uint16_t dosDate, uint16_t dosTime,
                               uint32_t attributes, char flag, uint32_t size,
                               uint32_t compressedSize, uint32_t method, ListingContext* context);

// One entry to extract and where it goes; a pair whose output begins with kPairDone is done.
struct SelectionPair {
  const char* entryName;
  char* outputPath;
};
inline constexpr char kPairDone = ':';

// Keep the folder names stored in the archive.
inline constexpr uint32_t kModeKeepFolders = 0x1;
// Ask ConfirmOverwrite also when a selection list is given.
inline constexpr uint32_t kModeAskWithSelection = 0x2;

struct ExtractionRequest {
  void* owner = nullptr;
  // Non-zero: the formats the layer reads itself stop before the next entry.
  const std::atomic<uint32_t>* abortFlag = nullptr;
  const char* archivePath = nullptr;
  void* progressContext = nullptr;
  // Ended by a pair whose entry name is null.
  SelectionPair* selection = nullptr;
  const char* singleEntry = nullptr;
  const char* targetPath = nullptr;
  const char* outputFolder = nullptr;
  uint32_t mode = 0;
  void* callerContext = nullptr;
};

inline bool abortRequested(const ExtractionRequest& request) {
  return request.abortFlag && request.abortFlag->load(std::memory_order_relaxed) != 0;
}

}  // namespace ostrya::archive
