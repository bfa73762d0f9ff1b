// run_models.h
//
// The model outputs of `linkan run`, beside the tables:
// - DIR/model.pmml (the module's own PMML document) and DIR/model-4.4.pmml
//   (standard PMML 4.4) on every run that has mined results, written
//   through the output folder's staging like the tables, so a run that
//   fails leaves neither;
// - with the task's "QueryStringForRules", the deployment query's table
//   DIR/queried-rules.csv (command 1211), or its message in the index.
// A recommendation run (a model loaded from PMML) mines nothing: it makes
// no tables of mined results and no model files, only the query's table.
//
// Thread safety: main thread only.
#pragma once

#include <string>
#include <vector>

#include "linkanalysis/analysis_module.h"
#include "task_file.h"

namespace linkan::app {

class OutputFolder;

inline constexpr int kQueryCommand = 1211;
inline constexpr const char* kQueryTableName = "queried-rules";
inline constexpr const char* kModelFile = "model.pmml";
inline constexpr const char* kModel44File = "model-4.4.pmml";

// Whether the task asks a deployment query.
bool HasQuery(const TaskFile& task);

// Writes both model files to the folder's staging area. Throws
// std::runtime_error with the module's reason when a file cannot be made.
void WriteModelFiles(IAnalysisModule& module, OutputFolder& out);

// The files of an earlier run that this command's outputs replace.
std::vector<std::string> ModelOutputFiles();

}  // namespace linkan::app
