// What the fuzz targets of the archive readers share: the input becomes a scratch file, which
// is listed, extracted below an output folder (any file or folder made outside it aborts the
// run) and extracted to a target path; the output folder is wiped after each run. A reader's
// own scratch folder is made inside the output folder, so what it creates is checked as well.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "archive/bounded_text.h"
#include "archive/format_table.h"
#include "archive/host_services.h"
#include "archive/output_path.h"
#include "fuzz_scratch.h"
#include "platform/path.h"

namespace ostrya::fuzzing {

class ReaderFuzz {
 public:
  // The input's file name matters to readers that take an entry's name from it.
  explicit ReaderFuzz(const char* name, const char* inputName = "input") {
    namespace fs = std::filesystem;
    const fs::path scratch =
        fs::temp_directory_path() / ("ostrya-" + std::string(name) + "-" + scratchSuffix());
    fs::create_directories(scratch);
    archive_ = (scratch / inputName).string();
    output_ = (scratch / "out").string();
    target_ = output_ + platform::kPathSeparator + "entry.tmp";
    archive::ArchiveServicesInit(application_);
    services_ = application_;
    services_.CreateOutputFile = createInsideOnly;
    services_.CreateFolderTree = createFolderInsideOnly;
    services_.MakeUniqueName = uniqueInOutput;
    services_.MapOutputPath = mapInsideOnly;
    current_ = this;
  }

  // `asTar`, when given, extracts the same input below the output folder as a compressed tar.
  void run(const uint8_t* data, size_t size, archive::ListOperation list,
           archive::ExtractOperation extract, archive::ExtractOperation asTar = nullptr) {
    std::FILE* file = std::fopen(archive_.c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::filesystem::create_directories(output_);

    archive::ListingContext context;
    list(archive_.c_str(), &context, countEntry, services_, nullptr);

    archive::ExtractionRequest below;
    below.archivePath = archive_.c_str();
    below.outputFolder = output_.c_str();
    below.mode = size % 2 == 0 ? archive::kModeKeepFolders : 0;
    extract(below, services_);
    if (asTar != nullptr) asTar(below, services_);

    archive::ExtractionRequest toTarget;
    toTarget.archivePath = archive_.c_str();
    toTarget.targetPath = target_.c_str();
    extract(toTarget, services_);

    std::error_code ignored;
    std::filesystem::remove_all(output_, ignored);
  }

 private:
  static bool inside(const char* path) {
    const std::string& folder = current_->output_;
    return std::strncmp(path, folder.c_str(), folder.size()) == 0 &&
           (path[folder.size()] == '\0' || platform::isPathSeparator(path[folder.size()]));
  }
  static int createInsideOnly(void* owner, const char* path, archive::HostFile* file) {
    if (!inside(path)) std::abort();
    return current_->application_.CreateOutputFile(owner, path, file);
  }
  static int createFolderInsideOnly(void* owner, const char* path) {
    if (!inside(path)) std::abort();
    return current_->application_.CreateFolderTree(owner, path);
  }
  // Also what a reader writes through its own streams (bzip2) comes from here, and the output
  // rule makes its folders through this table rather than the application's.
  static int mapInsideOnly(archive::ExtractionRequest* request, const char* entryName,
                           char* output) {
    const int code = archive::MapOutputPath(*request, entryName, output, current_->services_);
    if (output[0] != '\0' && !inside(output)) std::abort();
    return code;
  }
  static uint32_t uniqueInOutput(const char* model, char* buffer, std::size_t capacity) {
    buffer[0] = '\0';
    archive::AppendBounded(buffer, current_->output_.c_str(), capacity);
    archive::AddSeparator(buffer, capacity);
    return archive::MakeUniqueName(model, buffer, capacity, current_->application_.FileExists);
  }
  // Every name must be a whole string.
  static void countEntry(const char* name, uint16_t, uint16_t, uint32_t, char, uint32_t, uint32_t,
                         uint32_t, archive::ListingContext*) {
    static volatile std::size_t seen = 0;
    seen = seen + std::strlen(name);
  }

  inline static ReaderFuzz* current_ = nullptr;
  std::string archive_;
  std::string output_;
  std::string target_;
  archive::HostServices application_;
  archive::HostServices services_;
};

}  // namespace ostrya::fuzzing
