// analysis_support.cpp
#include "frame/host/analysis_support.h"

#include <cassert>
#include <cstdint>
#include <cstdio>

#include "frame/host/module_error.h"
#include "resources/string_table.h"

namespace linkan {

std::string FormatStringV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

std::string FormatString(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatStringV(format, args);
  va_end(args);
  return out;
}

std::vector<SequenceStep> CAnalysisSupport::GetSequenceTable() const {
  std::vector<SequenceStep> table;
  table.reserve(steps_.size());
  for (const Step& s : steps_) table.push_back({s.id, s.next});
  return table;
}

int CAnalysisSupport::ExecuteStep(int id) {
  for (const Step& s : steps_) {
    if (s.id != id) continue;
    forwardedStep_ = -1;
    s.operation();
    const int next = forwardedStep_ >= 0 ? forwardedStep_ : s.next;
    forwardedStep_ = -1;
    return next;
  }
  return 0;
}

bool CAnalysisSupport::ForwardSequence(int step, int /*arg*/) {
  forwardedStep_ = step;
  return true;
}

CAnalysisDoc& CAnalysisSupport::doc() const {
  assert(doc_ != nullptr && "a host document must be attached");
  return *doc_;
}

int CAnalysisSupport::GetNbVars() const { return doc_ ? doc_->GetNbVars() : 0; }
long CAnalysisSupport::GetNbCases() const { return doc_ ? doc_->GetNbCases() : 0; }

int CAnalysisSupport::cstrtw(long caseNo, std::vector<double>& values, bool& weighted,
                             double& weight) {
  return static_cast<int>(doc().ReadCase(caseNo, values, weighted, weight));
}

void CAnalysisSupport::getmd5(int var, double& md) const { md = doc().GetMissingCode(var); }

void CAnalysisSupport::getvn5(int var, std::string& name) const {
  name = doc().GetVariableName(var);
}

int CAnalysisSupport::AllocMem(void** p, std::size_t bytes) {
  *p = doc().AllocMem(bytes);
  return *p ? 0 : 1;
}

void CAnalysisSupport::FreeMem(void* p) {
  if (p) doc().FreeMem(p);
}

void CAnalysisSupport::d_pbar(const std::string& text) { doc().ProgressTitle(text); }
void CAnalysisSupport::dstart(long total) { doc().ProgressStart(total); }
void CAnalysisSupport::termom(long step) { doc().ProgressStep(step); }
void CAnalysisSupport::dstop() { doc().ProgressStop(); }
int CAnalysisSupport::pcancel() const { return doc().UserCancelled() ? 1 : 0; }
bool CAnalysisSupport::IterationDisplayCancelled() const {
  return doc().IterationDisplayCancelled();
}

std::string CAnalysisSupport::GetResourceString(int id) const {
  return std::string(LookupString(id));
}

void CAnalysisSupport::dsplst(int /*flags*/, const std::string& text) {
  lastMessage_ = text;
  ++messageCount_;
  doc().ShowMessage(text);
}

void CAnalysisSupport::ShowWarning(const std::string& text) {
  doc().ShowMessage("warning: " + text);
}

void CAnalysisSupport::DspMessageBox(int /*flags*/, const void* /*window*/,
                                     const std::string& text) {
  lastMessage_ = text;
  ++messageCount_;
  if (IsOleAutomation()) return;
  doc().ShowMessageBox(kHostProductName, text);
}

bool CAnalysisSupport::AskYesNo(const std::string& text) {
  const bool yes = doc().AskYesNo(kHostProductName, text);
  return yes || IsOleAutomation();
}

bool CAnalysisSupport::IsOleAutomation() const { return doc_ && doc_->IsOleAutomation(); }

void CAnalysisSupport::error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatStringV(format, args);
  va_end(args);
  throw ModuleError(ErrorKind::kHostReport, text);
}

std::string CAnalysisSupport::StripFormatting(const std::string& text) {
  // Texts of our host carry no markup; control characters (other than tab)
  // are the only formatting codes and are removed.
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 || c == '\t') out.push_back(c);
  }
  return out;
}

std::string CAnalysisSupport::Get8CharHash(const std::string& text) {
  // FNV-1a, 40 bits in 8 base-32 digits: a stable short key for long names.
  std::uint64_t h = 1469598103934665603ull;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = kDigits[h & 31u];
    h >>= 5;
  }
  return out;
}

std::string CAnalysisSupport::Replace8CharGrow(const std::string& name) const {
  return doc_ ? doc_->GrowVariableName(name) : name;
}

}  // namespace linkan
