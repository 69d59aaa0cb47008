// portable: no platform headers.
#include "engines/zip/library_decoders.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace ostrya::engines::zip {
namespace {

constexpr std::size_t kPiece = 64 * 1024;

// Input and output pieces of one decoding, off the stack: a decoder may run on a worker thread
// with a small stack.
struct Pieces {
  uint8_t in[kPiece];
  uint8_t out[kPiece];
};

// What one call of a library did with the bytes it was given.
struct Step {
  enum State { More, End, Error };
  std::size_t consumed = 0;
  std::size_t produced = 0;
  State state = More;
};

// Feeds a library's decoding call until its stream ends. `decode(in, available, out, room,
// inputEnded)` is one call. Data that stops before the stream's end is damaged.
template <typename DecodeCall>
Decoded pump(CompressedInput& input, DecodedOutput& output, DecodeCall decode) {
  std::unique_ptr<Pieces> pieces(new (std::nothrow) Pieces);
  if (!pieces) return Decoded::NoMemory;
  const uint8_t* next = pieces->in;
  std::size_t available = 0;
  bool ended = false;
  for (;;) {
    if (available == 0 && !ended) {
      if (!input.read(pieces->in, kPiece, available)) return Decoded::InputFailed;
      next = pieces->in;
      ended = available == 0;
    }
    const Step step = decode(next, available, pieces->out, kPiece, ended);
    next += step.consumed;
    available -= step.consumed;
    if (step.produced != 0 && !output.write(pieces->out, step.produced))
      return Decoded::OutputStopped;
    if (step.state == Step::End) return Decoded::Complete;
    if (step.state == Step::Error) return Decoded::Damaged;
    const bool stalled = step.consumed == 0 && step.produced == 0;
    if (stalled && (ended || available != 0)) return Decoded::Damaged;
  }
}

template <typename Stream>
void setBuffers(Stream& stream, const uint8_t* in, std::size_t available, uint8_t* out,
                std::size_t room) {
  // zlib and bzip2 take their input through pointers to non-const bytes; neither writes there.
  using In = std::remove_pointer_t<decltype(stream.next_in)>;
  stream.next_in = reinterpret_cast<In*>(const_cast<uint8_t*>(in));
  stream.avail_in = static_cast<decltype(stream.avail_in)>(available);
  stream.next_out = reinterpret_cast<decltype(stream.next_out)>(out);
  stream.avail_out = static_cast<decltype(stream.avail_out)>(room);
}

template <typename Stream>
Step stepOf(const Stream& stream, std::size_t available, std::size_t room, Step::State state) {
  return {available - stream.avail_in, room - stream.avail_out, state};
}

// An LZMA or xz stream through liblzma. Without an end marker the raw decoder waits for more
// input after the last byte, so the entry's size ends it.
Decoded runLzma(lzma_stream& stream, CompressedInput& input, DecodedOutput& output, uint64_t size) {
  uint64_t total = 0;
  lzma_ret result = LZMA_OK;
  const Decoded decoded = pump(
      input, output,
      [&](const uint8_t* in, std::size_t available, uint8_t* out, std::size_t room, bool ended) {
        setBuffers(stream, in, available, out, room);
        result = lzma_code(&stream, ended ? LZMA_FINISH : LZMA_RUN);
        Step step = stepOf(stream, available, room, Step::More);
        total += step.produced;
        if (result == LZMA_STREAM_END || total >= size)
          step.state = Step::End;
        else if (result != LZMA_OK && result != LZMA_BUF_ERROR)
          step.state = Step::Error;
        return step;
      });
  if (result == LZMA_MEMLIMIT_ERROR) return Decoded::BeyondMemoryGrant;
  return result == LZMA_MEM_ERROR ? Decoded::NoMemory : decoded;
}

struct LzmaStream {
  lzma_stream stream = LZMA_STREAM_INIT;
  ~LzmaStream() { lzma_end(&stream); }
};

// A dictionary is taken on the data's word: more memory than this is refused, not asked for.
constexpr uint64_t kMostDecoderMemory = uint64_t{512} << 20;

// The LZMA header of a ZIP entry: major and minor version, then the length of the properties.
constexpr std::size_t kLzmaHeader = 4;
constexpr std::size_t kLzmaProperties = 5;

}  // namespace

Decoded inflateRaw(CompressedInput& input, DecodedOutput& output) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return Decoded::NoMemory;
  const Decoded result =
      pump(input, output,
           [&](const uint8_t* in, std::size_t available, uint8_t* out, std::size_t room, bool) {
             setBuffers(stream, in, available, out, room);
             const int code = inflate(&stream, Z_NO_FLUSH);
             return stepOf(stream, available, room,
                           code == Z_STREAM_END                  ? Step::End
                           : code == Z_OK || code == Z_BUF_ERROR ? Step::More
                                                                 : Step::Error);
           });
  inflateEnd(&stream);
  return result;
}

Decoded decodeBzip2(CompressedInput& input, DecodedOutput& output) {
  bz_stream stream{};
  if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return Decoded::NoMemory;
  const Decoded result =
      pump(input, output,
           [&](const uint8_t* in, std::size_t available, uint8_t* out, std::size_t room, bool) {
             setBuffers(stream, in, available, out, room);
             const int code = BZ2_bzDecompress(&stream);
             return stepOf(stream, available, room,
                           code == BZ_STREAM_END ? Step::End
                           : code == BZ_OK       ? Step::More
                                                 : Step::Error);
           });
  BZ2_bzDecompressEnd(&stream);
  return result;
}

Decoded decodeZipLzma(CompressedInput& input, DecodedOutput& output, uint64_t size) {
  uint8_t header[kLzmaHeader + kLzmaProperties];
  std::size_t held = 0;
  while (held < sizeof header) {
    std::size_t got = 0;
    if (!input.read(header + held, sizeof header - held, got)) return Decoded::InputFailed;
    if (got == 0) return Decoded::Damaged;
    held += got;
  }
  const std::size_t propertiesLength = header[2] | header[3] << 8;
  if (propertiesLength != kLzmaProperties) return Decoded::Damaged;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
  if (lzma_properties_decode(&filters[0], nullptr, header + kLzmaHeader, kLzmaProperties) !=
      LZMA_OK)
    return Decoded::Damaged;
  // No distance reaches back past the entry's start, so the entry's size is dictionary enough.
  auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
  options->dict_size = static_cast<uint32_t>(
      std::min<uint64_t>(options->dict_size, std::max<uint64_t>(size, LZMA_DICT_SIZE_MIN)));
  if (lzma_raw_decoder_memusage(filters) > kMostDecoderMemory) {
    free(filters[0].options);
    return Decoded::BeyondMemoryGrant;
  }
  LzmaStream lzma;
  const lzma_ret ready = lzma_raw_decoder(&lzma.stream, filters);
  // The decoder copied the options.
  free(filters[0].options);
  if (ready == LZMA_MEM_ERROR) return Decoded::NoMemory;
  if (ready != LZMA_OK) return Decoded::Damaged;
  if (size == 0) return Decoded::Complete;
  return runLzma(lzma.stream, input, output, size);
}

Decoded decodeXz(CompressedInput& input, DecodedOutput& output) {
  LzmaStream lzma;
  if (lzma_stream_decoder(&lzma.stream, kMostDecoderMemory, 0) != LZMA_OK) return Decoded::NoMemory;
  return runLzma(lzma.stream, input, output, UINT64_MAX);
}

Decoded decodeZstd(CompressedInput& input, DecodedOutput& output) {
  ZSTD_DStream* stream = ZSTD_createDStream();
  if (stream == nullptr) return Decoded::NoMemory;
  // Nothing decoded yet is no whole frame.
  std::size_t hint = ZSTD_initDStream(stream) | 1;
  const Decoded result = pump(
      input, output,
      [&](const uint8_t* in, std::size_t available, uint8_t* out, std::size_t room, bool ended) {
        // The data may hold several frames: it ends well only where one ended.
        if (ended && available == 0) return Step{0, 0, hint == 0 ? Step::End : Step::Error};
        ZSTD_inBuffer from{in, available, 0};
        ZSTD_outBuffer to{out, room, 0};
        hint = ZSTD_decompressStream(stream, &to, &from);
        if (ZSTD_isError(hint)) return Step{from.pos, to.pos, Step::Error};
        return Step{from.pos, to.pos, Step::More};
      });
  ZSTD_freeDStream(stream);
  return result;
}

}  // namespace ostrya::engines::zip
