// automation_object.cpp
#include "frame/host/automation_object.h"

#include <cmath>
#include <limits>
#include <new>

#include "frame/host/analysis_support.h"
#include "frame/host/modeless_dialog.h"
#include "frame/host/module_error.h"

namespace linkan {

using nlohmann::json;

AutomationObject::AutomationObject(std::string interfaceName, std::string className,
                                   CAnalysisModelessDialog& dialog, std::int32_t firstDispatchId)
    : interfaceName_(std::move(interfaceName)),
      className_(std::move(className)),
      dialog_(&dialog),
      nextDispatchId_(0) {
  AddBaseMembers();
  nextDispatchId_ = firstDispatchId;
}

void AutomationObject::Declare(const std::string& name, AutomationAccess access,
                               const std::string& type, const std::string& help, Entry entry,
                               std::int32_t ids) {
  members_.push_back({name, nextDispatchId_, access, type, help});
  nextDispatchId_ += ids;
  entries_[name] = std::move(entry);
}

void AutomationObject::AddProperty(const std::string& name, const std::string& type,
                                   const std::string& help, Getter get, Putter put) {
  Declare(name, AutomationAccess::kGetPut, type, help, {std::move(get), std::move(put), {}}, 2);
}

void AutomationObject::AddGetOnly(const std::string& name, const std::string& type,
                                  const std::string& help, Getter get) {
  Declare(name, AutomationAccess::kGet, type, help, {std::move(get), {}, {}}, 1);
}

void AutomationObject::AddPutOnly(const std::string& name, const std::string& type,
                                  const std::string& help, Putter put) {
  Declare(name, AutomationAccess::kPut, type, help, {{}, std::move(put), {}}, 1);
}

void AutomationObject::AddMethod(const std::string& name, const std::string& help, Method call) {
  Declare(name, AutomationAccess::kMethod, "", help, {{}, {}, std::move(call)}, 1);
}

// The host dialog interface's members. OK and Cancel press the dialog's
// buttons; the routing properties are the host's and only remembered.
void AutomationObject::AddBaseMembers() {
  AddGetOnly("Name", "text", "", [this] { return json(interfaceName_); });
  AddGetOnly("Application", "object", "Returns application object", [] { return json(); });
  AddGetOnly("Parent", "object", "Returns the parent of the object", [] { return json(); });
  AddMethod("OK", "", [this] {
    if (!dialog_->SendCommand(1)) throw AutomationFailure("the dialog did not accept OK");
  });
  AddMethod("Cancel", "", [this] { dialog_->SendCommand(2); });
  for (const char* name : {"ResultsSelection", "ResultsSelectionOption", "ResultsVariables",
                           "ResultsOption", "ResultsCodes", "ResultsSaveFileName",
                           "ResultsValues", "ResultsOutputFields"}) {
    const std::string key = name;
    AddPutOnly(key, "variant", "", [this, key](const json& v) { routing_[key] = v; });
  }
}

const AutomationObject::Entry* AutomationObject::Find(const std::string& member) {
  auto it = entries_.find(member);
  return it == entries_.end() ? nullptr : &it->second;
}

AutomationResult AutomationObject::Frame(const std::string& qualified,
                                         const std::function<void()>& work) {
  error_.clear();
  AutomationResult code = kAutomationOk;
  if (dialog_->IsClosed()) {
    error_ = "the dialog has been closed";
    code = kAutomationDialogClosed;
  } else {
    try {
      const DialogAutomationScope scope(*dialog_);
      work();
      return kAutomationOk;
    } catch (const std::bad_alloc&) {
      throw;
    } catch (const AnalysisContextFailure& e) {
      error_ = e.what();
      return e.code();
    } catch (const ModuleError& e) {
      // Out of memory belongs to the run boundary, which reports it as such.
      if (e.kind() == ErrorKind::kOutOfMemory) throw;
      error_ = e.what();
      code = kAutomationException;
    } catch (const AutomationFailure& e) {
      error_ = e.what();
      code = e.code();
    } catch (const json::exception& e) {
      error_ = e.what();
      code = kAutomationTypeMismatch;
    } catch (const std::exception& e) {
      error_ = e.what();
      code = kAutomationException;
    }
  }
  CAnalysisSupport& analysis = dialog_->analysis();
  if (analysis.HasDocument()) {
    analysis.doc().LogEntry(
        1, "Exception in automation method [" + className_ + "::" + qualified + "]: " + error_);
  }
  return code;
}

void AutomationObject::InAnalysisContext(const std::function<void()>& work) {
  auto fail = [this](const std::string& logged, const std::string& description,
                     AutomationResult code) {
    CAnalysisSupport& analysis = dialog_->analysis();
    if (analysis.HasDocument()) {
      analysis.doc().LogEntry(1, "Exception in analysis method: " + logged);
    }
    throw AnalysisContextFailure(description, code);
  };
  try {
    work();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const AnalysisContextFailure&) {
    throw;
  } catch (const AutomationFailure& e) {
    fail(e.what(), e.what(), e.code());
  } catch (const std::exception& e) {
    fail(e.what(), e.what(), kAutomationException);
  } catch (...) {
    fail("Unexpected error", "Unexpected error in analysis method", kAutomationException);
  }
}

AutomationResult AutomationObject::GetValue(const std::string& member, json& value) {
  const Entry* entry = Find(member);
  if (!entry || !entry->get) {
    error_ = "\"" + member + "\" is not a readable member of " + interfaceName_;
    return kAutomationUnknownName;
  }
  return Frame("get_" + member, [&] { value = entry->get(); });
}

AutomationResult AutomationObject::PutValue(const std::string& member, const json& value) {
  const Entry* entry = Find(member);
  if (!entry || !entry->put) {
    error_ = "\"" + member + "\" is not a writable member of " + interfaceName_;
    return kAutomationUnknownName;
  }
  return Frame("put_" + member, [&] { entry->put(value); });
}

AutomationResult AutomationObject::Get(const std::string& member, std::string& valueJson) {
  json value;
  const AutomationResult code = GetValue(member, value);
  if (code == kAutomationOk) valueJson = value.dump();
  return code;
}

AutomationResult AutomationObject::Put(const std::string& member, const std::string& valueJson) {
  json value;
  try {
    value = json::parse(valueJson);
  } catch (const json::exception&) {
    error_ = "the value of \"" + member + "\" is not valid JSON";
    return kAutomationTypeMismatch;
  }
  return PutValue(member, value);
}

AutomationResult AutomationObject::Call(const std::string& member) {
  const Entry* entry = Find(member);
  if (!entry || !entry->call) {
    error_ = "\"" + member + "\" is not a method of " + interfaceName_;
    return kAutomationUnknownName;
  }
  return Frame(member, entry->call);
}

int AutomationInt(const json& value) {
  if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
  if (value.is_number_integer() || value.is_number_unsigned()) {
    const long long n = value.get<long long>();
    if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max()) {
      return static_cast<int>(n);
    }
  }
  if (value.is_number_float()) {
    const double x = value.get<double>();
    if (std::trunc(x) == x && std::fabs(x) <= 2147483647.0) return static_cast<int>(x);
  }
  throw AutomationFailure("must be a whole number", kAutomationTypeMismatch);
}

bool AutomationSwitch(const json& value) {
  if (value.is_boolean()) return value.get<bool>();
  if (value.is_number_integer() || value.is_number_unsigned()) {
    const long long n = value.get<long long>();
    if (n == 0 || n == 1) return n == 1;
  }
  throw AutomationFailure("must be 0, 1, true or false", kAutomationTypeMismatch);
}

double AutomationDouble(const json& value) {
  if (!value.is_number()) throw AutomationFailure("must be a number", kAutomationTypeMismatch);
  return value.get<double>();
}

std::string AutomationText(const json& value) {
  if (!value.is_string()) throw AutomationFailure("must be a text", kAutomationTypeMismatch);
  return value.get<std::string>();
}

}  // namespace linkan
