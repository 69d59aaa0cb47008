// portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrya::archive {

// Results of AppendBounded.
inline constexpr int kFitted = 0;
inline constexpr int kCut = 111;
inline constexpr int kNoRoom = 123;

int AppendBounded(char* buffer, const char* text, std::size_t capacity);
int AddSeparator(char* path, std::size_t capacity);
void ToBackslashes(char* text);
void ToSlashes(char* text);
std::size_t ExtensionPos(const char* name);
uint16_t NamePartPos(const char* path);
void StripExtension(char* path);
void CutLastPart(char* path);
// `fileExists` answers as the host's FileExists does (0: exists).
uint32_t MakeUniqueName(const char* modelName, char* buffer, std::size_t capacity,
                        int (*fileExists)(const char* path));

}  // namespace ostrya::archive
