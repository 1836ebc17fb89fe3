// Fuzzes the reader of Wine registry files (system.reg, user.reg). Every
// input must be read without a crash, giving 0 or 1017, and leave a
// consistent store with its links resolved. Inputs whose first byte is odd
// get the header, so that the fuzzer spends its time in the body.
#include <cstdint>
#include <string>

#include "fuzz/registry_fuzz_common.h"
#include "winrules/registry/registry_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kor::platform::regstore;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) != 0) bytes = "WINE REGISTRY Version 2\n" + bytes.substr(1);
  std::string sid;
  const auto place = WineFilePlace(bytes, "user.reg", &sid);
  kor::fuzzing::Require(place.has_value());
  Store store;
  ReportNothing quiet;
  const std::uint32_t code = ReadWineFile(bytes, *place, store, quiet);
  kor::fuzzing::Require(code == 0 || code == 1017);
  if (!sid.empty()) store.SetCurrentUser(sid);
  store.Finish();
  kor::fuzzing::CheckStore(store);
  // Walking through links ends, whatever they point at.
  for (std::size_t r = 0; r < kRootCount; ++r) {
    const Key* root = store.RootKey(static_cast<Root>(r));
    for (const Key* c : root->children) (void)store.Walk(root, {std::string(c->folded)});
  }
  return 0;
}
