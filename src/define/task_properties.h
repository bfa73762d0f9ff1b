// task_properties.h
//
// The task as a task file: every property of LNKStartup by its get member,
// in declaration order. Members whose value says "nothing chosen" (an
// empty text or object) are left out, so the result reads back as the
// same task.
#pragma once

#include <string>

namespace linkan {

class LnkStartup;

// A JSON object text, two-space indented.
std::string DescribeTaskProperties(LnkStartup& automation);

}  // namespace linkan
