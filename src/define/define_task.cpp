// define_task.cpp
#include "define/define_task.h"

namespace linkan {

CDefineTask::CDefineTask(CSequence& sequence)
    : CSequenceModelessDialog(sequence, kDefineTaskDialogId) {}

void CDefineTask::OnEngineReplaced() { RefreshEngine(); }

}  // namespace linkan
