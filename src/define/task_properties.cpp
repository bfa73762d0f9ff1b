// task_properties.cpp
#include "define/task_properties.h"

#include <nlohmann/json.hpp>

#include "define/lnk_startup.h"

namespace linkan {

std::string DescribeTaskProperties(LnkStartup& automation) {
  nlohmann::ordered_json out = nlohmann::ordered_json::object();
  for (const AutomationMember& member : automation.Members()) {
    if (member.access != AutomationAccess::kGetPut) continue;
    nlohmann::json value;
    if (automation.GetValue(member.name, value) != kAutomationOk) continue;
    const bool empty = (value.is_string() && value.get<std::string>().empty()) ||
                       (value.is_object() && value.empty());
    if (empty || value.is_null()) continue;
    out[member.name] = value;
  }
  return out.dump(2);
}

}  // namespace linkan
