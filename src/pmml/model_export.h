// model_export.h
//
// The model of a finished run as a Document (pmml_document.h), and the
// PMML export of the results dialog's button 1197 and of `SaveAsPMML`.
//
// Fields in the native order: the ID variable, the time variable, the
// responses, the dichotomy variables with their chosen codes (the code's
// value label, else the number without trailing zeros), the continuous
// variables with their statistics and, in sequence analysis only, the
// non-sequential responses, dichotomy and continuous variables. Items: every
// frequent single item and every item a pattern names, ascending. Patterns
// in pattern-ID order with support count / N; rules in rule order with
// support, confidence and (association) lift.
//
// Thread safety: the analysis thread.
#pragma once

#include <string>

#include "pmml/pmml_document.h"
#include "pmml/pmml_writer.h"

namespace linkan {
class CAnalysisSupport;
class SalEngine;
}  // namespace linkan

namespace linkan::pmml {

// Throws ModuleError(kNotFound, "value not found") for a pattern item the
// item dictionary lacks.
Document MakeDocument(const CAnalysisSupport& support, const SalEngine& engine);

// Writes the engine's model to `path`. Returns "" on success, else the
// reason, which has also been shown: 10066 for an empty name, a refusal in
// recommendation mode (a loaded model holds no mined results), or the
// failed write.
std::string WritePmml(CAnalysisSupport& support, const SalEngine& engine, const std::string& path,
                      Dialect dialect = Dialect::kNative);

}  // namespace linkan::pmml
