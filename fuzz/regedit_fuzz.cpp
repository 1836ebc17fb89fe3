// Fuzzes the regedit export reader with arbitrary files: UTF-16 with a
// byte-order mark, UTF-8 with one, or 8-bit text. Every input must be read
// without a crash, giving 0 or 1017 (not a registry file), and leave a
// consistent store. Inputs whose first byte is odd get a header, so that the
// fuzzer spends its time in the body.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/registry_fuzz_common.h"
#include "winrules/registry/registry_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kor::platform::regstore;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) != 0)
    bytes = (data[0] & 2 ? "REGEDIT4\n" : "Windows Registry Editor Version 5.00\n") + bytes.substr(1);
  static const auto cp = kor::platform::OpenCodePage("WINDOWS-1252");
  Store store;
  ReportNothing quiet;
  const std::uint32_t code = ReadRegeditFile(bytes, *cp, 0, store, quiet);
  kor::fuzzing::Require(code == 0 || code == 1017);
  store.Finish();
  kor::fuzzing::CheckStore(store);
  return 0;
}
