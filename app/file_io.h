// file_io.h
//
// Whole-file reads and all-or-nothing writes for the commands.
//
// ReadWholeFile returns the bytes of a file. WriteFileAtomically writes a
// temporary file beside the target and renames it into place, so a failed
// or interrupted write leaves the target as it was (nothing half-written).
// Both throw DataError naming the file and the system's reason.
//
// Thread safety: no shared state.
#pragma once

#include <string>
#include <string_view>

namespace linkan::app {

std::string ReadWholeFile(const std::string& path);

void WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace linkan::app
