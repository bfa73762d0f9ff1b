// define_task.h
//
// CDefineTask: the modeless task definition dialog (template 6671). It
// edits the engine's settings in place; OK validates them and starts the
// run.
//
// Thread safety: host thread only.
#pragma once

#include "frame/sequence_modeless_dialog.h"

namespace linkan {

inline constexpr int kDefineTaskDialogId = 6671;

class CDefineTask : public CSequenceModelessDialog {
 public:
  explicit CDefineTask(CSequence& sequence);

  // The analysis object replaced its engine (a new data file): point the
  // dialog at the new one and reload the controls.
  void OnEngineReplaced();
};

}  // namespace linkan
