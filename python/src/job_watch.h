// job_watch.h
//
// Watch: runs a mining job (mining_job.h) for Python. The job runs on a
// worker thread while the calling thread, with the GIL released, waits
// for it; every tenth of a second that thread takes the GIL to let Python
// handle signals and to report progress. A Python exception there
// (KeyboardInterrupt from Ctrl-C, or one the progress callback raises)
// cancels the job; once the job has stopped, that exception is raised.
// The job's own errors become the exceptions of linkanalysis._errors.
//
// Thread safety: call with the GIL held.
#pragma once

#include <pybind11/pybind11.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include "data_error.h"
#include "mining_job.h"

namespace linkan::python {

namespace py = pybind11;

[[noreturn]] inline void RaiseError(const char* type, const std::string& message) {
  py::object cls = py::module_::import("linkanalysis._errors").attr(type);
  PyErr_SetString(cls.ptr(), message.c_str());
  throw py::error_already_set();
}

// Raises the Python exception for a job's failure. Holds the GIL.
[[noreturn]] inline void RaiseJobFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const TaskError& e) {
    RaiseError("TaskError", e.what());
  } catch (const app::DataError& e) {
    RaiseError("DataError", e.what());
  } catch (const app::UsageError& e) {
    RaiseError("DataError", e.what());
  } catch (const app::CancelledError&) {
    PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
  } catch (const std::bad_alloc&) {
    RaiseError("OutOfMemoryError",
               "the run outgrew its memory (the memory limit, or the machine's memory)");
  } catch (const std::exception& e) {
    RaiseError("LinkanError", e.what());
  }
}

// Runs `job(control)` on a worker thread as described above. `progress`
// (may be None) is called as progress(title, position, total or None).
template <typename Result, typename Job>
Result Watch(Job job, const py::object& progress) {
  JobControl control;
  std::mutex mutex;
  std::condition_variable finishedCv;
  bool finished = false;
  std::optional<Result> result;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      result.emplace(job(control));
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(mutex);
    finished = true;
    finishedCv.notify_one();
  });

  std::exception_ptr pending;  // raised once the job has stopped
  unsigned long long reported = 0;
  for (;;) {
    bool done;
    {
      py::gil_scoped_release release;
      std::unique_lock lock(mutex);
      done = finishedCv.wait_for(lock, std::chrono::milliseconds(100), [&] { return finished; });
    }
    if (done) break;
    if (pending) continue;
    try {
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      const std::optional<ProgressSnapshot> now = control.Progress();
      if (!progress.is_none() && now && now->changes != reported) {
        reported = now->changes;
        progress(now->title, now->position,
                 now->total ? py::object(py::int_(now->total)) : py::object(py::none()));
      }
    } catch (...) {
      pending = std::current_exception();
      control.Cancel();
    }
  }
  worker.join();
  if (pending) std::rethrow_exception(pending);
  if (failure) RaiseJobFailure(failure);
  return std::move(*result);
}

}  // namespace linkan::python
