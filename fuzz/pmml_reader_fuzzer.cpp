// pmml_reader_fuzzer.cpp
//
// The PMML reader on any bytes (both dialects, by the root's namespace). A
// document it accepts must survive the writers: the native text of what was
// read reads back, and writing that again gives the same text; the
// standard text reads back too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pmml/pmml_reader.h"
#include "pmml/pmml_writer.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace linkan::pmml;
  const ReadResult read = ReadDocument(std::string_view(reinterpret_cast<const char*>(data), size));
  if (read.error) return 0;
  const std::string native = WriteDocument(read.doc, Dialect::kNative);
  const ReadResult again = ReadDocument(native);
  if (again.error) Fail("the native text of a read document does not read back: " + again.error->description);
  if (WriteDocument(again.doc, Dialect::kNative) != native) Fail("native write -> read -> write differs");
  const ReadResult standard = ReadDocument(WriteDocument(read.doc, Dialect::kPmml44));
  if (standard.error) Fail("the standard text of a read document does not read back: " + standard.error->description);
  return 0;
}
