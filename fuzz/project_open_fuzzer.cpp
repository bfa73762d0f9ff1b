// project_open_fuzzer.cpp
//
// Opening a project file of any bytes the way the module reopens a
// project: open, load the project record and the stored patterns, and walk
// every transaction. A refused open or a ModuleError is a clean refusal; a
// crash or a sanitizer report is a finding.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/host/module_error.h"
#include "projectdb/project_database.h"

namespace {

// A private folder for the input file, removed when the process ends.
class FuzzFolder {
 public:
  FuzzFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "linkan-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~FuzzFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  FuzzFolder(const FuzzFolder&) = delete;
  FuzzFolder& operator=(const FuzzFolder&) = delete;

  // Empties the folder and writes `size` bytes to a fresh project file.
  std::string Write(const std::uint8_t* data, std::size_t size) const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
      std::filesystem::remove_all(entry.path(), ec);
    }
    const std::string file = path_ + "/fuzz.dbs";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);
    return file;
  }

 private:
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const FuzzFolder folder;
  linkan::ProjectDatabase db;
  db.SetPath(folder.Write(data, size));
  try {
    if (db.OpenProjectDatabase() != 0) return 0;
    linkan::ProjectRecord record;
    db.LoadProjectRecord(record);
    std::vector<linkan::StoredPattern> patterns;
    std::vector<std::uint32_t> leaves;
    db.LoadFrequentPatterns(patterns, leaves);
    std::size_t items = 0;
    db.ForEachTransaction(
        [&items](const linkan::TransactionRecord& t) { items += t.items.size(); });
  } catch (const linkan::ModuleError&) {
  }
  return 0;
}
