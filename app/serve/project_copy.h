// project_copy.h
//
// A consistent copy of a project database for download: SQLite's
// "VACUUM INTO" reads one snapshot (the write-ahead log included) through
// a connection of its own, so the copy is whole even while the module
// keeps the project open.
#pragma once

#include <string>

namespace linkan::app {

// Copies the project `source` to the new file `target`. False with
// `error` set when `source` is not a project or the copy fails (nothing is
// left at `target` then).
bool CopyProjectFile(const std::string& source, const std::string& target, std::string& error);

}  // namespace linkan::app
