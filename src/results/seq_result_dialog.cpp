// seq_result_dialog.cpp
#include "results/seq_result_dialog.h"

namespace linkan {

CSEQResultDialog::CSEQResultDialog(CSequence& sequence)
    : CSequenceModelessDialog(sequence, kResultDialogId) {}

}  // namespace linkan
