// Win32 only: the screen read back through a memory bitmap and written as an 8-bit RGB PNG.
#include "screenshot.h"

#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace ostrya::uitest {
namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  putBigEndian(out, static_cast<uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  putBigEndian(out, static_cast<uint32_t>(crc));
}

// Rows of blue, green, red, unused bytes, top row first, as the PNG's RGB rows.
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& bgrx, int width, int height) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * width));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    const uint8_t* row = bgrx.data() + static_cast<std::size_t>(y) * 4 * width;
    for (int x = 0; x < width; ++x) {
      raw.push_back(row[4 * x + 2]);
      raw.push_back(row[4 * x + 1]);
      raw.push_back(row[4 * x]);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
    return {};
  packed.resize(packedSize);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  putBigEndian(header, static_cast<uint32_t>(width));
  putBigEndian(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", packed);
  putChunk(png, "IEND", {});
  return png;
}

std::filesystem::path screenshotFolder() {
  char program[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, program, sizeof program);
  return std::filesystem::path(program).parent_path() / "screenshots";
}

}  // namespace

bool saveScreenshot(const std::string& name) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const uint8_t*>(bits);
    const std::vector<uint8_t> png =
        encodePng(std::vector<uint8_t>(first, first + static_cast<std::size_t>(4) * width * height),
                  width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    std::error_code ignored;
    std::filesystem::create_directories(screenshotFolder(), ignored);
    std::ofstream out(screenshotFolder() / (name + ".png"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    saved = !png.empty() && out.good();
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

}  // namespace ostrya::uitest
