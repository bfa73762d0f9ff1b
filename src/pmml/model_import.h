// model_import.h
//
// Recommendation without data: a PMML document's model loaded into the
// engine in place of mined results.
//
// LoadDocument empties every model table of the engine (the model item
// dictionary, the name index, the pattern table, the rule index, the field
// names) and the variable selection, codes and statistics, then fills them
// from `doc`: field k is variable k + 1 and joins the list of its role
// (a role this module does not know takes a position only); `noseq`
// follows the model element and `size` its number of transactions. Every table is built before any is replaced,
// so a failure changes nothing. Returns "" or what was wrong (two items of
// one name, more fields or codes than the variable lists hold).
//
// ReadPmmlModel reads the settings' `pmmlFile` and loads it: 0 when the
// model was read; 1 after showing 10057 (no such file) or 10058 to 10061
// (the file is no sound model: where and why), each followed by 10123.
//
// Thread safety: the analysis thread.
#pragma once

#include <string>

#include "pmml/pmml_document.h"

namespace linkan {
class SalEngine;
}

namespace linkan::pmml {

std::string LoadDocument(const Document& doc, SalEngine& engine);

int ReadPmmlModel(SalEngine& engine);

}  // namespace linkan::pmml
