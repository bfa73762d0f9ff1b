// root_folder.cpp
#include "serve/root_folder.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace linkan::app {

namespace fs = std::filesystem;

RootFolder::RootFolder(const std::string& root) {
  std::error_code ec;
  root_ = fs::canonical(root.empty() ? fs::path(".") : fs::path(root), ec);
  if (ec || !fs::is_directory(root_)) {
    throw std::runtime_error("--root: \"" + root + "\" is not a folder");
  }
}

bool RootFolder::Contains(const fs::path& p) const {
  auto r = root_.begin();
  auto q = p.begin();
  for (; r != root_.end(); ++r, ++q) {
    if (q == p.end() || *q != *r) return false;
  }
  return true;
}

std::optional<fs::path> RootFolder::Resolve(const std::string& name, std::string& error) const {
  if (name.empty() || name.find('\0') != std::string::npos) {
    error = "no file name was given";
    return std::nullopt;
  }
  const fs::path given(name);
  const fs::path joined = given.is_absolute() ? given : root_ / given;
  // weakly_canonical resolves the links of the part that exists, so a link
  // inside the root that leads out is caught here too.
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(joined, ec);
  if (ec || !Contains(resolved)) {
    error = "\"" + name + "\" is outside the served folder";
    return std::nullopt;
  }
  if (!fs::is_directory(resolved.parent_path(), ec)) {
    error = "\"" + name + "\": no such folder";
    return std::nullopt;
  }
  return resolved;
}

std::string RootFolder::Relative(const fs::path& absolute) const {
  const fs::path rel = absolute.lexically_relative(root_);
  return rel.empty() || rel == "." ? std::string() : rel.generic_string();
}

std::optional<std::vector<FolderEntry>> RootFolder::List(const std::string& name,
                                                         std::string& error) const {
  const std::optional<fs::path> folder = name.empty() ? std::optional(root_) : Resolve(name, error);
  if (!folder) return std::nullopt;
  std::error_code ec;
  if (!fs::is_directory(*folder, ec)) {
    error = "\"" + name + "\" is not a folder";
    return std::nullopt;
  }
  std::vector<FolderEntry> entries;
  for (fs::directory_iterator it(*folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entryName = it->path().filename().string();
    if (entryName.empty() || entryName[0] == '.') continue;
    const fs::path target = fs::weakly_canonical(it->path(), ec);
    if (ec || !Contains(target)) {
      ec.clear();
      continue;
    }
    FolderEntry e;
    e.name = entryName;
    e.folder = fs::is_directory(target, ec);
    if (!e.folder) e.size = fs::file_size(target, ec);
    if (ec) {
      ec.clear();
      continue;
    }
    entries.push_back(std::move(e));
  }
  if (ec) {
    error = "\"" + name + "\" cannot be read: " + ec.message();
    return std::nullopt;
  }
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
    return a.folder != b.folder ? a.folder : a.name < b.name;
  });
  return entries;
}

}  // namespace linkan::app
