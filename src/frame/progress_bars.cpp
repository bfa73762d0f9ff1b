// progress_bars.cpp
#include "frame/progress_bars.h"

#include "frame/host/host_utility.h"

namespace linkan {

ProgressBarHolder::ProgressBarHolder(CAnalysisDoc& d, unsigned long min, unsigned long max,
                                     unsigned long thresh, bool watch, bool raise,
                                     std::string t)
    : doc(&d),
      rangeMin(min),
      rangeMax(max),
      threshold(thresh),
      watchExternal(watch),
      raiseOnExternal(raise),
      title(std::move(t)),
      lastExternalCheckMs(TickCountMs()) {}

void ProgressBarHolder::CreateBar() {
  if (!bar) bar = doc->NewProgressBar(rangeMin, rangeMax, title, watchExternal, raiseOnExternal);
}

bool ProgressBarHolder::CheckExternalCancel() {
  if (!watchExternal) return false;
  const unsigned long long now = TickCountMs();
  if (now - lastExternalCheckMs <= 1000) return false;
  lastExternalCheckMs = now;
  if (!IsExternallyCancelled()) return false;
  if (raiseOnExternal && !suppressRaise) throw UserException();
  return true;
}

namespace brenwick {
namespace {
// The innermost live bar, for the static Update.
std::atomic<CThreadSafeProgressBarBase*> g_currentBar{nullptr};
}  // namespace

std::atomic<bool> CThreadSafeProgressBarBase::s_bCancel{false};

CThreadSafeProgressBarBase::CThreadSafeProgressBarBase()
    : previous_(g_currentBar.exchange(this)) {}

CThreadSafeProgressBarBase::~CThreadSafeProgressBarBase() {
  CThreadSafeProgressBarBase* expected = this;
  g_currentBar.compare_exchange_strong(expected, previous_);
}

void CThreadSafeProgressBarBase::Update(const char* text, unsigned long n, bool) {
  if (CThreadSafeProgressBarBase* bar = g_currentBar.load()) bar->Increment(text, n);
}

}  // namespace brenwick

CMainThreadSafeProgressBarBase::CMainThreadSafeProgressBarBase(ProgressBarHolder* holder)
    : holder_(holder) {
  SaveAndSuppress();
}

CMainThreadSafeProgressBarBase::CMainThreadSafeProgressBarBase(
    std::unique_ptr<ProgressBarHolder> holder)
    : owned_(std::move(holder)), holder_(owned_.get()) {
  SaveAndSuppress();
}

// While the bar lives, external cancellation is reported, not raised.
void CMainThreadSafeProgressBarBase::SaveAndSuppress() {
  if (!holder_) return;
  savedSuppress_ = holder_->suppressRaise;
  holder_->suppressRaise = true;
}

CMainThreadSafeProgressBarBase::~CMainThreadSafeProgressBarBase() {
  if (holder_) holder_->suppressRaise = savedSuppress_;
}

bool CMainThreadSafeProgressBarBase::RaisesOnExternalCancel() const {
  return holder_ && holder_->raiseOnExternal && !holder_->suppressRaise;
}

void CMainThreadSafeProgressBarBase::RefreshHostBar() {
  if (!holder_) return;
  const unsigned long count = GetCount();
  if (!holder_->bar) {
    if (holder_->threshold == 0 || count < holder_->threshold) return;
    holder_->CreateBar();
  }
  holder_->bar->SetPosition(count);
  if (holder_->bar->WasCancelled() || holder_->CheckExternalCancel()) s_bCancel.store(true);
}

bool CMainThreadSafeProgressBarBase::IsCancelled() {
  if (!holder_) return s_bCancel.load();
  if (holder_->CheckExternalCancel()) return true;
  return holder_->bar && holder_->bar->WasCancelled();
}

void CMainThreadSafeProgressBarBase::SetHostText(const std::string& text) {
  if (holder_ && holder_->bar) holder_->bar->SetText(text);
}

void CUncountedThreadSafeProgressBar::Increment(const char* text, unsigned long n) {
  count_.fetch_add(static_cast<std::uint32_t>(n), std::memory_order_relaxed);
  if (text == nullptr) return;  // no line: the last one stays
  std::lock_guard<std::mutex> lock(textMutex_);
  text_ = text;
}

void CUncountedThreadSafeProgressBar::Increment(unsigned long n) {
  count_.fetch_add(static_cast<std::uint32_t>(n), std::memory_order_relaxed);
}

unsigned long CUncountedThreadSafeProgressBar::GetCount() const {
  return count_.load(std::memory_order_relaxed);
}

std::string CUncountedThreadSafeProgressBar::LastText() const {
  std::lock_guard<std::mutex> lock(textMutex_);
  return text_;
}

void CUncountedMainThreadProgressBar::Increment(const char* text, unsigned long n) {
  CUncountedThreadSafeProgressBar::Increment(text, n);
  SetHostText(text ? text : "");
  RefreshHostBar();
}

void CUncountedMainThreadProgressBar::Increment(unsigned long n) {
  CUncountedThreadSafeProgressBar::Increment(n);
  RefreshHostBar();
}

}  // namespace linkan
