// portable: no platform headers.
#include "engines/zip/zip_methods.h"

#include "engines/zip/deflate64.h"
#include "engines/zip/explode.h"
#include "engines/zip/library_decoders.h"
#include "engines/zip/unreduce.h"
#include "engines/zip/unshrink.h"

namespace ostrya::engines::zip {
namespace {

// Method numbers as the ZIP format assigns them.
enum Method : uint16_t {
  kStored = 0,
  kShrunk = 1,
  kReducedFirst = 2,
  kReducedLast = 5,
  kImploded = 6,
  kDeflated = 8,
  kDeflated64 = 9,
  kBzip2 = 12,
  kLzma = 14,
  kZstd = 93,
  kXz = 95,
};

}  // namespace

bool methodDecoded(uint16_t method) {
  switch (method) {
    case kStored:
    case kShrunk:
    case kImploded:
    case kDeflated:
    case kDeflated64:
    case kBzip2:
    case kLzma:
    case kZstd:
    case kXz:
      return true;
    default:
      return method >= kReducedFirst && method <= kReducedLast;
  }
}

Decoded decodeMethod(uint16_t method, uint16_t flags, uint64_t size, CompressedInput& input,
                     DecodedOutput& output) {
  switch (method) {
    case kStored:
      return copyStored(input, output);
    case kShrunk:
      return unshrink(input, output, size);
    case kImploded:
      return explode(input, output, size, flags);
    case kDeflated:
      return inflateRaw(input, output);
    case kDeflated64:
      return inflate64(input, output);
    case kBzip2:
      return decodeBzip2(input, output);
    case kLzma:
      return decodeZipLzma(input, output, size);
    case kZstd:
      return decodeZstd(input, output);
    case kXz:
      return decodeXz(input, output);
    default:
      if (method >= kReducedFirst && method <= kReducedLast)
        return unreduce(input, output, size, method - kReducedFirst + 1);
      return Decoded::Damaged;
  }
}

}  // namespace ostrya::engines::zip
