// pmml_writer.h
//
// Writes a Document (pmml_document.h) as XML text in one of two dialects:
//
//   kNative  The module's own document: `PMML` version "1.0" with no
//            namespace; `Header`; `DataDictionary` with a `DataField` per
//            field (codes as `Value` children, statistics as attributes);
//            the `AssociationModel` or `SequenceModel` element with its
//            figures, its `MiningSchema` (`MiningField` per field, with the
//            field's role as `usageType`), an `Item` per item, then
//            `Itemset`/`AssociationRule` (items listed by `ItemRef`) or
//            `Sequence`/`SequenceRule` (itemsets of `ItemRef`s).
//   kPmml44  A standard PMML 4.4 document in the namespace
//            http://www.dmg.org/PMML-4_4 that validates against the Data
//            Mining Group's schema: rules refer to itemsets (association)
//            or sequences of set predicates (sequence) by id; the module's
//            roles, codes and statistics ride along in `Extension`
//            elements (extender "linkanalysis") that other tools skip.
//
// Both are UTF-8 with every text escaped by the XML library; reals are the
// shortest texts that read back to the same double.
//
// Thread safety: pure functions.
#pragma once

#include <string>

#include "pmml/pmml_document.h"

namespace linkan::pmml {

enum class Dialect { kNative, kPmml44 };

inline constexpr const char* kPmml44Namespace = "http://www.dmg.org/PMML-4_4";
inline constexpr const char* kExtender = "linkanalysis";

std::string WriteDocument(const Document& doc, Dialect dialect);

// Writes the document to `path` all or nothing (a file beside it, renamed
// into place). Returns "" on success, else what went wrong.
std::string SaveDocument(const Document& doc, Dialect dialect, const std::string& path);

}  // namespace linkan::pmml
