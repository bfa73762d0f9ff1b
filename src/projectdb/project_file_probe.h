// project_file_probe.h
//
// ProbeProjectFile: looks at a file's bytes, without SQLite and without
// writing, to decide whether it may be opened as a project: a missing or
// empty file becomes a new project; an SQLite database whose header carries
// the project application id and a format this module reads is a
// candidate (checked further through SQLite); a database file that carries
// the project application id but breaks the file format in its header (a
// field SQLite allows no other value in, a size shorter than the header
// says or no whole number of pages) is damaged; anything else (a text
// file, a foreign SQLite database, a newer format) is refused with the
// reason.
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
  kDamaged,    // a damaged project file; `reason` says what is damaged
};

struct ProbeResult {
  ProbeVerdict verdict = ProbeVerdict::kRefused;
  // kRefused: completes "the file ..."; kDamaged: completes "the project
  // file ... is damaged: ".
  std::string reason;
};

ProbeResult ProbeProjectFile(const std::string& path);

}  // namespace linkan::projectdb
