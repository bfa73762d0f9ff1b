// task_key_docs.h
//
// The reference of the task keys: for every key a task script accepts, its
// meaning, value type, default, range and the dialog control it stands
// for. docs/task-file.md holds this table as TaskKeyReference() prints it
// (a test keeps the two equal and checks each documented range against
// what a task script accepts).
//
// Thread safety: read-only data.
#pragma once

#include <string>
#include <vector>

namespace linkan {

struct TaskKeyDoc {
  const char* name;
  const char* type;     // "switch", "number", "whole number", "text", "object", ...
  std::string byDefault;  // the value when the key is left out
  const char* range;    // what the key accepts ("" when the type says it all)
  const char* control;  // the task dialog's control: "1013 Support, Minimum"
  const char* meaning;
};

// Every key of TaskScriptKeys() (task_script.h), in that order.
const std::vector<TaskKeyDoc>& TaskKeyDocs();

// The keys as a Markdown table, one row per key.
std::string TaskKeyReference();

}  // namespace linkan
