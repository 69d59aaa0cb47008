// Win32 only: the screen read back through a memory bitmap and written as an 8-bit RGB PNG.
#include "screenshot.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

ScreenPicture captureScreen() {
  ScreenPicture picture;
  picture.width = GetSystemMetrics(SM_CXSCREEN);
  picture.height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const uint8_t*>(bits);
    picture.bgrx.assign(first,
                        first + static_cast<std::size_t>(4) * picture.width * picture.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

// Calls visit(at) with the byte offset of each of the area's pixels that lie on the screen.
template <typename Visit>
void forEachPixel(const ScreenPicture& picture, const RECT& area, Visit visit) {
  const int left = std::max<int>(area.left, 0);
  const int top = std::max<int>(area.top, 0);
  const int right = std::min<int>(area.right, picture.width);
  const int bottom = std::min<int>(area.bottom, picture.height);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) visit((static_cast<std::size_t>(y) * picture.width + x) * 4);
}

double ScreenPicture::differenceIn(const ScreenPicture& other, const RECT& area) const {
  if (bgrx.empty() || other.bgrx.size() != bgrx.size()) return 0;
  std::size_t differing = 0;
  std::size_t all = 0;
  forEachPixel(*this, area, [&](std::size_t at) {
    ++all;
    if (std::memcmp(&bgrx[at], &other.bgrx[at], 3) != 0) ++differing;
  });
  return all == 0 ? 0 : static_cast<double>(differing) / static_cast<double>(all);
}

std::size_t ScreenPicture::pixelsOf(const RECT& area, COLORREF colour) const {
  std::size_t count = 0;
  if (bgrx.empty()) return 0;
  forEachPixel(*this, area, [&](std::size_t at) {
    if (bgrx[at] == GetBValue(colour) && bgrx[at + 1] == GetGValue(colour) &&
        bgrx[at + 2] == GetRValue(colour))
      ++count;
  });
  return count;
}

bool savePicture(const ScreenPicture& picture, const std::string& name) {
  if (picture.bgrx.empty()) return false;
  const std::vector<uint8_t> png = encodePng(picture.bgrx, picture.width, picture.height);
  std::error_code ignored;
  std::filesystem::create_directories(screenshotFolder(), ignored);
  std::ofstream out(screenshotFolder() / (name + ".png"), std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return !png.empty() && out.good();
}

bool saveScreenshot(const std::string& name) {
  return savePicture(captureScreen(), name);
}

}  // namespace ostrya::uitest
