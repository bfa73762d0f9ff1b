// project_file_probe.h
//
// ProbeProjectFile: looks at a file's bytes, without SQLite and without
// writing, to decide whether it may be opened as a project: a missing or
// empty file becomes a new project; an SQLite database whose header carries
// the project application id and a format this module reads is a
// candidate (checked further through SQLite); anything else (a text file, a
// foreign SQLite database, a newer format, a file shorter than its header
// says) is refused with the reason.
//
// Thread safety: a pure function of the file system.
#pragma once

#include <string>

namespace linkan::projectdb {

enum class ProbeVerdict {
  kMissing,    // no file: create it
  kEmpty,      // a zero-length file: make it a project
  kCandidate,  // looks like a project; SQLite checks the rest
  kRefused,    // not a project this module may open; see `reason`
};

struct ProbeResult {
  ProbeVerdict verdict = ProbeVerdict::kRefused;
  std::string reason;  // for kRefused: completes "the file ..."
};

ProbeResult ProbeProjectFile(const std::string& path);

}  // namespace linkan::projectdb
