// pmml_reader.h
//
// Reads a PMML text into a Document (pmml_document.h). Both dialects are
// read: a root `PMML` in the namespace http://www.dmg.org/PMML-4_x is a
// standard document (ours, or another tool's association or sequence
// rules), anything else the native one.
//
// The text is untrusted: no DTD is processed (a document type declaration
// is refused), no entity is expanded beyond XML's five and character
// references, no external resource is read. Everything is checked against
// the elements actually present: a count attribute (`numberOfItems`,
// `numberOfItemsets`) that differs from the children, an item reference
// that names no `Item`, a pattern reference that names nothing, a number
// that does not parse (`itemRef="x"`, `support="n/a"`) or a missing
// required attribute make the document malformed; so does a document with
// neither an `AssociationModel` nor a `SequenceModel`.
//
// Thread safety: pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pmml/pmml_document.h"

namespace linkan::pmml {

// Error codes (the "Code = 0x.." of the loading message): XML syntax
// errors carry pugixml's status (1 to 16); the others are these.
inline constexpr unsigned kMalformedModel = 0x100;
inline constexpr unsigned kNoModel = 0x101;
inline constexpr unsigned kDoctypeRefused = 0x102;

struct ReadError {
  unsigned code = 0;
  long line = 0;       // from 1; 0 when the place is unknown
  long column = 0;     // from 1
  std::string description;
};

struct ReadResult {
  Document doc;
  std::optional<ReadError> error;  // set: `doc` is meaningless
};

ReadResult ReadDocument(std::string_view text);

}  // namespace linkan::pmml
