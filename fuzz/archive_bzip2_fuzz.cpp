// Every file detection calls bzip2 reaches this reader: its streams, one after another, and,
// read as a compressed tar, the tar inside. Input: a file's contents. Nothing may be
// created outside the scratch folder's output folder.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "archive/bounded_text.h"
#include "archive/formats/bzip2.h"
#include "archive/formats/compressed_tar.h"
#include "platform/path.h"

namespace {

using namespace ostrya::archive;
namespace fs = std::filesystem;

const std::string& scratchFolder() {
  static const std::string folder = [] {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path path =
        fs::temp_directory_path() / ("ostrya-archive-bzip2-fuzz-" + std::to_string(stamp));
    fs::create_directories(path);
    return path.string() + ostrya::platform::kPathSeparator;
  }();
  return folder;
}

const std::string& outputFolder() {
  static const std::string folder = scratchFolder() + "out";
  return folder;
}

HostServices applicationServices;

bool insideOutput(const char* path) {
  return std::strncmp(path, outputFolder().c_str(), outputFolder().size()) == 0;
}

int createInsideOnly(void* owner, const char* path, HostFile* file) {
  if (!insideOutput(path)) std::abort();
  return applicationServices.CreateOutputFile(owner, path, file);
}

int createFolderInsideOnly(void* owner, const char* path) {
  if (!insideOutput(path)) std::abort();
  return applicationServices.CreateFolderTree(owner, path);
}

// The compressed tar's own scratch folder goes inside the output folder too.
uint32_t uniqueInOutput(const char* model, char* buffer, std::size_t capacity) {
  buffer[0] = '\0';
  AppendBounded(buffer, outputFolder().c_str(), capacity);
  AddSeparator(buffer, capacity);
  return MakeUniqueName(model, buffer, capacity, applicationServices.FileExists);
}

void countEntry(const char* name, uint16_t, uint16_t, uint32_t, char, uint32_t, uint32_t, uint32_t,
                ListingContext*) {
  static volatile std::size_t seen = 0;
  seen = seen + std::strlen(name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const HostServices services = [] {
    ArchiveServicesInit(applicationServices);
    HostServices checked = applicationServices;
    checked.CreateOutputFile = createInsideOnly;
    checked.CreateFolderTree = createFolderInsideOnly;
    checked.MakeUniqueName = uniqueInOutput;
    return checked;
  }();
  // The name makes the entry a tar.
  static const std::string archive = scratchFolder() + "input.tbz";
  std::FILE* file = std::fopen(archive.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  fs::create_directories(outputFolder());

  ListingContext context;
  listBzip2(archive.c_str(), &context, countEntry, services, nullptr);

  ExtractionRequest request;
  request.archivePath = archive.c_str();
  request.outputFolder = outputFolder().c_str();
  request.mode = size % 2 == 0 ? kModeKeepFolders : 0;
  extractBzip2(request, services);
  extractTbz(request, services);

  const std::string target = outputFolder() + ostrya::platform::kPathSeparator + "entry.tmp";
  ExtractionRequest toTarget;
  toTarget.archivePath = archive.c_str();
  toTarget.targetPath = target.c_str();
  extractBzip2(toTarget, services);

  std::error_code ignored;
  fs::remove_all(outputFolder(), ignored);
  return 0;
}
