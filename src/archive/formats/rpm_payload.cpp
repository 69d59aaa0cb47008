// portable: no platform headers.
#include "archive/formats/rpm_payload.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

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

// xz and the older .lzma format alike; memory for the decoder is bounded by what a package
// made with the highest preset needs, and more.
int unxzPayload(const uint8_t* input, std::size_t inputSize, uint8_t* output, std::size_t capacity,
                std::size_t& produced) {
  constexpr uint64_t kDecoderMemory = uint64_t{1} << 30;
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_auto_decoder(&stream, kDecoderMemory, 0) != LZMA_OK) return kDecoderFailed;
  stream.next_in = input;
  stream.avail_in = inputSize;
  stream.next_out = output;
  stream.avail_out = capacity;
  const lzma_ret result = lzma_code(&stream, LZMA_FINISH);
  produced = capacity - stream.avail_out;
  lzma_end(&stream);
  return result == LZMA_STREAM_END ? kDone : kDecoderFailed;
}

// Every frame of the payload, one after another, until the input ends.
int unzstdPayload(const uint8_t* input, std::size_t inputSize, uint8_t* output,
                  std::size_t capacity, std::size_t& produced) {
  ZSTD_DStream* stream = ZSTD_createDStream();
  if (stream == nullptr) return kDecoderFailed;
  ZSTD_inBuffer in = {input, inputSize, 0};
  ZSTD_outBuffer out = {output, capacity, 0};
  std::size_t left = 1;
  while (in.pos < in.size) {
    left = ZSTD_decompressStream(stream, &out, &in);
    if (ZSTD_isError(left) || (left != 0 && out.pos == out.size)) break;
  }
  produced = out.pos;
  ZSTD_freeDStream(stream);
  return !ZSTD_isError(left) && left == 0 ? kDone : kDecoderFailed;
}

// A payload stored without compression is the cpio archive itself.
bool isPlainCpio(const uint8_t* input, std::size_t inputSize) {
  return inputSize >= 6 &&
         (std::memcmp(input, "070701", 6) == 0 || std::memcmp(input, "070702", 6) == 0);
}

int copyPayload(const uint8_t* input, std::size_t inputSize, uint8_t* output, std::size_t capacity,
                std::size_t& produced) {
  if (inputSize > capacity) return kDecoderFailed;
  std::memcpy(output, input, inputSize);
  produced = inputSize;
  return kDone;
}

}  // namespace

int decompressPayload(PayloadCompressor compressor, const uint8_t* input, std::size_t inputSize,
                      uint8_t* output, std::size_t capacity, std::size_t& produced) {
  produced = 0;
  switch (compressor) {
    case PayloadCompressor::Unnamed:
      if (isPlainCpio(input, inputSize))
        return copyPayload(input, inputSize, output, capacity, produced);
      return inflatePayload(input, inputSize, output, capacity, produced);
    case PayloadCompressor::Gzip:
      return inflatePayload(input, inputSize, output, capacity, produced);
    case PayloadCompressor::Bzip2:
      return bunzipPayload(input, inputSize, output, capacity, produced);
    case PayloadCompressor::Xz:
      return unxzPayload(input, inputSize, output, capacity, produced);
    case PayloadCompressor::Zstd:
      return unzstdPayload(input, inputSize, output, capacity, produced);
  }
  return kDecoderFailed;
}

}  // namespace ostrya::archive
