// sequence.cpp
#include "frame/sequence.h"

#include <filesystem>

#include "define/define_task.h"
#include "engine/sal_engine.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"
#include "results/seq_result_dialog.h"

namespace linkan {

CSequence::CSequence(CAnalysisDoc* doc) : CAnalysisSupport(doc) {
  SetSequenceTable({
      {kStepInit, [this] { return InitializeAfterFileChanged(); }, kStepStartAnalysis},
      {kStepStartAnalysis, [this] { return StartAnalysis(); }, 0},
      {kStepResultDialog, [this] { return ResultDialog(); }, 0},
  });
}

CSequence::~CSequence() {
  engine_.reset();
  if (projectDb_) projectDb_->CloseProjectDatabase();
  if (tablesRegistered_) ReleaseProjectTables();
  projectDb_.reset();
  resultDialog_.reset();
  defineTask_.reset();
}

void CSequence::Initialize() {
  engine_.reset();
  projectDb_ = std::make_unique<ProjectDatabase>();
  if (!tablesRegistered_) {
    RegisterProjectTables();
    tablesRegistered_ = true;
  }
}

std::string CSequence::GetAnalysisName() const {
  return std::string(LookupString(msg::kAnalysisName));
}

int CSequence::Init() {
  InitCommons();
  if (!projectDb_) Initialize();
  engine_.reset();
  engine_ = std::make_unique<SalEngine>(*this, projectDb_.get());
  taxonomyFile.clear();
  itemList = nullptr;
  const std::string folder = HasDocument() ? doc().GetDefaultDatafilesPath() : std::string{};
  projectDb_->SetPath((std::filesystem::path(folder) / kDefaultProjectFileName).string());
  if (defineTask_) defineTask_->OnEngineReplaced();
  return 1;
}

void CSequence::SetEngine(std::unique_ptr<SalEngine> engine) { engine_ = std::move(engine); }

int CSequence::StartAnalysis() {
  defineTask_ = std::make_unique<CDefineTask>(*this);
  if (defineTask_->CreateAnalysisDialog() != 0) return -1;
  defineTask_.reset();
  return 0;
}

int CSequence::ResultDialog() {
  resultDialog_ = std::make_unique<CSEQResultDialog>(*this);
  if (resultDialog_->CreateAnalysisDialog() != 0) return -1;
  resultDialog_.reset();
  return 0;
}

void CSequence::GetText(int row, short column, std::string& text) const {
  text = StripFormatting(doc().GetCellText(row, column));
}

std::string CSequence::TempFileName(unsigned short /*unused*/) const {
  return doc().GetTempFileName("LNK", "tmp");
}

int CSequence::CreateTextDoc(unsigned long kind, const wchar_t* text, const char* title) {
  if (!HasDocument() || doc().IsCancelMultipleDocs()) return 0;
  const bool macro = (kind & 1u) != 0;
  const bool report = (kind & 2u) != 0;
  if (!macro && !report) return 0;
  // The web-server edition shows no macros: a macro request becomes a report.
  const TextDocKind docKind =
      (macro && !doc().IsWebServerEdition()) ? TextDocKind::kMacro : TextDocKind::kReport;
  const std::string body = text ? WideToUtf8(text) : std::string{};
  return doc().ShowTextDocument(docKind, title ? title : "", body) ? 1 : 0;
}

std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  for (const wchar_t* p = text; *p; ++p) {
    auto c = static_cast<std::uint32_t>(*p);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace linkan
