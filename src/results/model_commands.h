// model_commands.h
//
// The results dialog's model commands, kept apart from its other outputs:
//   1197  the PMML button: asks the host for a file name (title 10189,
//         default "Default.xml", extension ".XML") and writes the native
//         PMML document there; a cancelled dialog writes nothing;
//   1211  the deployment query of the text of edit 1215 (deployment_query.h);
//         a text over 1,000,000 bytes is refused with a message.
// Part of the frame layer: it joins the results dialog and the PMML writer.
//
// Thread safety: host thread only.
#pragma once

#include <string>

namespace linkan {

class CAnalysisSupport;
class SalEngine;

inline constexpr int kPmmlButton = 1197;
inline constexpr int kQueryButton = 1211;
inline constexpr int kQueryEdit = 1215;
inline constexpr std::size_t kMaxQueryBytes = 1000000;

// 1197. True when a file was written.
bool SavePmmlFromDialog(CAnalysisSupport& support, const SalEngine& engine);

// 1211 on `queryText`. True when the table was shown.
bool RunQueryCommand(CAnalysisSupport& support, const SalEngine& engine, const std::string& queryText);

}  // namespace linkan
