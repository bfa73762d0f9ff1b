// seq_result_dialog.h
//
// CSEQResultDialog: the modeless results dialog (template 6676). Each of
// its commands produces one output document from the engine's tables.
//
// Thread safety: host thread only.
#pragma once

#include "frame/sequence_modeless_dialog.h"

namespace linkan {

inline constexpr int kResultDialogId = 6676;

class CSEQResultDialog : public CSequenceModelessDialog {
 public:
  explicit CSEQResultDialog(CSequence& sequence);
};

}  // namespace linkan
