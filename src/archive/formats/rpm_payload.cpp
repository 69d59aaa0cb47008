// portable: no platform headers.
#include "archive/formats/rpm_payload.h"

#include <bzlib.h>
#include <zlib.h>

#include <cstring>

#include "archive/archive_types.h"
#include "archive/byte_fields.h"

namespace ostrya::archive {
namespace {

// The gzip member header: ID1 ID2 method flags, time (4), extra flags, system; then what the
// flags announce: an extra field with its 16-bit length, a name and a comment ended by NULs,
// and a 16-bit header check.
constexpr std::size_t kFixedHeader = 10;
constexpr uint8_t kDeflate = 8;
constexpr uint8_t kHeaderCheckFlag = 0x02;
constexpr uint8_t kExtraFlag = 0x04;
constexpr uint8_t kNameFlag = 0x08;
constexpr uint8_t kCommentFlag = 0x10;

bool skipBytes(std::size_t count, std::size_t size, std::size_t& at) {
  if (size - at < count) return false;
  at += count;
  return true;
}

bool skipText(const uint8_t* data, std::size_t size, std::size_t& at) {
  const void* nul = std::memchr(data + at, 0, size - at);
  if (nul == nullptr) return false;
  at = static_cast<std::size_t>(static_cast<const uint8_t*>(nul) - data) + 1;
  return true;
}

bool gzipHeaderSize(const uint8_t* data, std::size_t size, std::size_t& headerSize) {
  if (size < kFixedHeader || data[0] != 0x1F || data[1] != 0x8B || data[2] != kDeflate)
    return false;
  const uint8_t flags = data[3];
  std::size_t at = kFixedHeader;
  if (flags & kExtraFlag) {
    if (size - at < 2) return false;
    const std::size_t extra = le16(data + at);
    if (!skipBytes(2 + extra, size, at)) return false;
  }
  if ((flags & kNameFlag) && !skipText(data, size, at)) return false;
  if ((flags & kCommentFlag) && !skipText(data, size, at)) return false;
  if ((flags & kHeaderCheckFlag) && !skipBytes(2, size, at)) return false;
  headerSize = at;
  return true;
}

// The deflate data behind the gzip header; its trailer is not needed, the stream ends itself.
int inflatePayload(const uint8_t* input, std::size_t inputSize, uint8_t* output,
                   std::size_t capacity, std::size_t& produced) {
  std::size_t headerSize = 0;
  if (!gzipHeaderSize(input, inputSize, headerSize)) return kDecoderFailed;
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return kDecoderFailed;
  stream.next_in = const_cast<Bytef*>(input + headerSize);
  stream.avail_in = static_cast<uInt>(inputSize - headerSize);
  stream.next_out = output;
  stream.avail_out = static_cast<uInt>(capacity);
  const int result = inflate(&stream, Z_FINISH);
  produced = capacity - stream.avail_out;
  inflateEnd(&stream);
  return result == Z_STREAM_END ? kDone : kDecoderFailed;
}

int bunzipPayload(const uint8_t* input, std::size_t inputSize, uint8_t* output,
                  std::size_t capacity, std::size_t& produced) {
  bz_stream stream{};
  if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return kDecoderFailed;
  stream.next_in = reinterpret_cast<char*>(const_cast<uint8_t*>(input));
  stream.avail_in = static_cast<unsigned>(inputSize);
  stream.next_out = reinterpret_cast<char*>(output);
  stream.avail_out = static_cast<unsigned>(capacity);
  const int result = BZ2_bzDecompress(&stream);
  produced = capacity - stream.avail_out;
  BZ2_bzDecompressEnd(&stream);
  return result == BZ_STREAM_END ? kDone : kDecoderFailed;
}

}  // namespace

int decompressPayload(PayloadCompressor compressor, const uint8_t* input, std::size_t inputSize,
                      uint8_t* output, std::size_t capacity, std::size_t& produced) {
  produced = 0;
  return compressor == PayloadCompressor::Gzip
             ? inflatePayload(input, inputSize, output, capacity, produced)
             : bunzipPayload(input, inputSize, output, capacity, produced);
}

}  // namespace ostrya::archive
