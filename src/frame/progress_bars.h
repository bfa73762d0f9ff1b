// progress_bars.h
//
// Thread-safe progress bars for the pattern enumeration, and the holder of a
// lazily created host bar.
//
//   brenwick::CThreadSafeProgressBarBase   counting interface, static Update
//   CMainThreadSafeProgressBarBase         refers to a ProgressBarHolder
//   CUncountedThreadSafeProgressBar        counts; never touches the host bar
//   CUncountedMainThreadProgressBar        counts and refreshes the host bar
//
// Thread safety: Increment, GetCount and Update may be called from any
// thread; only CUncountedMainThreadProgressBar touches the host bar, and it
// must be used on the thread that owns the host window.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "frame/host/module_error.h"
#include "linkanalysis/analysis_doc.h"

namespace linkan {

// The host framework's user exception: raised when external cancellation
// is noticed on a bar whose holder asks for it.
class UserException : public ModuleError {
 public:
  UserException() : ModuleError(ErrorKind::kCancelled, "Operation was cancelled") {}
};

// A lazily created host progress bar and its parameters.
struct ProgressBarHolder {
  ProgressBarHolder(CAnalysisDoc& doc, unsigned long min, unsigned long max,
                    unsigned long threshold, bool watchExternal, bool raiseOnExternal,
                    std::string title);

  // Creates the host bar now.
  void CreateBar();
  // The external cancellation check: at most once per 1000 ms while the
  // watch flag is set. Raises UserException when the raise flag is set and
  // the suppress flag is not; otherwise returns true when cancelled.
  bool CheckExternalCancel();

  CAnalysisDoc* doc;
  std::unique_ptr<HostProgressBar> bar;   // null until created
  unsigned long rangeMin;
  unsigned long rangeMax;
  unsigned long threshold;                // 0: never created lazily
  bool watchExternal;
  bool raiseOnExternal;
  std::string title;
  unsigned long long lastExternalCheckMs = 0;
  bool suppressRaise = false;
};

namespace brenwick {

class CThreadSafeProgressBarBase {
 public:
  CThreadSafeProgressBarBase();
  virtual ~CThreadSafeProgressBarBase();
  CThreadSafeProgressBarBase(const CThreadSafeProgressBarBase&) = delete;
  CThreadSafeProgressBarBase& operator=(const CThreadSafeProgressBarBase&) = delete;

  virtual void Increment(const char* text, unsigned long n) = 0;
  virtual void Increment(unsigned long n) = 0;
  virtual unsigned long GetCount() const = 0;
  virtual bool IsCounted() const = 0;
  virtual bool RaisesOnExternalCancel() const { return false; }
  virtual void RefreshHostBar() {}
  virtual bool IsCancelled() { return s_bCancel.load(); }

  // Counts `n` steps with `text` on the innermost live bar (the one most
  // recently constructed and not yet destroyed); does nothing without one.
  static void Update(const char* text, unsigned long n, bool);

  // One process-wide cancel flag, set when a bar noticed Cancel.
  static std::atomic<bool> s_bCancel;

 private:
  CThreadSafeProgressBarBase* previous_;
};

}  // namespace brenwick

class CMainThreadSafeProgressBarBase : public brenwick::CThreadSafeProgressBarBase {
 public:
  // Refers to `holder` (may be null) without owning it.
  explicit CMainThreadSafeProgressBarBase(ProgressBarHolder* holder);
  // Owns `holder` and deletes it, with its host bar, on destruction.
  explicit CMainThreadSafeProgressBarBase(std::unique_ptr<ProgressBarHolder> holder);
  ~CMainThreadSafeProgressBarBase() override;

  bool RaisesOnExternalCancel() const override;
  // Creates the host bar when due, moves it to the count and notes Cancel.
  void RefreshHostBar() override;
  bool IsCancelled() override;

 protected:
  ProgressBarHolder* holder() const { return holder_; }
  void SetHostText(const std::string& text);

 private:
  void SaveAndSuppress();

  std::unique_ptr<ProgressBarHolder> owned_;
  ProgressBarHolder* holder_;
  bool savedSuppress_ = false;
};

class CUncountedThreadSafeProgressBar : public CMainThreadSafeProgressBarBase {
 public:
  using CMainThreadSafeProgressBarBase::CMainThreadSafeProgressBarBase;
  void Increment(const char* text, unsigned long n) override;
  void Increment(unsigned long n) override;
  unsigned long GetCount() const override;
  bool IsCounted() const override { return false; }
  // The text of the last Increment with text.
  std::string LastText() const;

 private:
  std::atomic<std::uint32_t> count_{0};
  mutable std::mutex textMutex_;
  std::string text_;
};

class CUncountedMainThreadProgressBar : public CUncountedThreadSafeProgressBar {
 public:
  using CUncountedThreadSafeProgressBar::CUncountedThreadSafeProgressBar;
  void Increment(const char* text, unsigned long n) override;
  void Increment(unsigned long n) override;
};

}  // namespace linkan
