// supervised_work.cpp
#include "frame/supervised_work.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include "frame/host/analysis_support.h"
#include "frame/progress.h"

namespace linkan {

void RunSupervised(CAnalysisSupport& support, const std::function<void()>& work,
                   const std::function<void()>& tick) {
  RunGuard& guard = support.runGuard();
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;                // guarded by mutex
  std::exception_ptr failure;       // written by the helper before `done`
  std::thread helper([&] {
    try {
      work();
    } catch (const std::bad_alloc&) {
      guard.RequestStop(RunGuard::Stop::kOutOfMemory);
      failure = std::current_exception();
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(mutex);
    done = true;
    ended.notify_one();
  });
  // Whatever happens here, the helper is joined before the frames it
  // refers to go away.
  struct Joiner {
    std::thread& t;
    ~Joiner() { t.join(); }
  } joiner{helper};
  std::unique_lock lock(mutex);
  while (!ended.wait_for(lock, kSupervisionTick, [&] { return done; })) {
    lock.unlock();
    try {
      IsAnalysisCancelled(support);  // stops the guard on Cancel or the limit
      tick();
    } catch (...) {
      // The host failed: stop the work and end with its error once the
      // work has ended.
      guard.RequestStop(RunGuard::Stop::kCancelled);
      lock.lock();
      ended.wait(lock, [&] { return done; });
      throw;
    }
    lock.lock();
  }
  lock.unlock();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace linkan
