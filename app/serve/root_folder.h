// root_folder.h
//
// RootFolder: the one folder `linkan serve` reads and writes files in.
// Every path a page names is taken relative to the root (an absolute path
// only when it lies inside it) and checked after symbolic links are
// resolved, so neither "../" nor a link that points outside reaches
// anything beyond the root.
//
// Thread safety: immutable after construction.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace linkan::app {

struct FolderEntry {
  std::string name;
  bool folder = false;
  std::uintmax_t size = 0;
};

class RootFolder {
 public:
  // Throws std::runtime_error when `root` is not an existing folder.
  explicit RootFolder(const std::string& root);

  const std::filesystem::path& path() const { return root_; }

  // The absolute path of `name` inside the root, or nothing (with
  // `error` set) when it would lie outside, is empty or holds a NUL.
  // The file need not exist; its folder must.
  std::optional<std::filesystem::path> Resolve(const std::string& name, std::string& error) const;

  // `absolute` as the page names it: relative to the root, "/"-separated.
  std::string Relative(const std::filesystem::path& absolute) const;

  // The entries of folder `name` (folders first, then files, each by
  // name), leaving out hidden names and links that lead outside.
  // Nothing (with `error`) when the folder is outside or unreadable.
  std::optional<std::vector<FolderEntry>> List(const std::string& name, std::string& error) const;

  // True when `p` (resolved) lies inside the root.
  bool Contains(const std::filesystem::path& p) const;

 private:
  std::filesystem::path root_;
};

}  // namespace linkan::app
