// task_file_fuzzer.cpp
//
// The task file reader on any bytes. A DataError is a clean refusal and must
// not carry a JSON library tag. The module's own check of a task text
// (linkanalysis/task_text.h, run again by the module before it parses) must
// agree with the JSON parser: no problem found means the text parses. A
// task that was read must give the module a text that reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data_error.h"
#include "linkanalysis/task_text.h"
#include "task_file.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

void CheckTaskTextAgreesWithParser(const std::string& text) {
  const std::optional<linkan::TaskTextProblem> problem = linkan::FindTaskTextProblem(text);
  bool parsed = true;
  try {
    (void)nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception&) {
    parsed = false;
  }
  if (!problem && !parsed) Fail("the task text check passed a text the parser refuses");
  if (problem && parsed && problem->message.find("nested") == std::string::npos) {
    Fail("the task text check refused a text the parser reads: " + problem->message);
  }
  if (problem && problem->offset > text.size()) Fail("a problem offset past the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckTaskTextAgreesWithParser(text);
  linkan::app::TaskFile task;
  try {
    task = linkan::app::ParseTaskFile(text, "fuzz.json");
  } catch (const linkan::app::DataError& e) {
    constexpr std::string_view kTag = "[json.exception.";
    if (std::string_view(e.what()).find(kTag) != std::string_view::npos &&
        text.find(kTag) == std::string::npos) {
      Fail(std::string("a library tag in the message: ") + e.what());
    }
    return 0;
  }
  (void)task.SelectedItems();
  try {
    linkan::app::ApplyProjectFile(task, std::nullopt, "out");
  } catch (const std::exception& e) {
    Fail(std::string("choosing the project file threw: ") + e.what());
  }
  const std::string handed = task.Text();
  if (nlohmann::json::parse(handed) != task.json) Fail("the task text does not read back");
  return 0;
}
