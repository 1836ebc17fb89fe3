// Fuzzes the readers of registry files with arbitrary files: the regedit
// export reader (UTF-16 with a byte-order mark, UTF-8 with one, or 8-bit
// text), the reader of Wine registry files (system.reg, user.reg) and the hive
// reader (libhivex underneath, the file passed as an in-memory file). The
// first byte chooses the reader (its value modulo 3) and whether the rest gets
// a header (odd): a regedit or Wine header, or an empty hive that the rest is
// laid over from an offset its first byte chooses, so that the fuzzer spends
// its time past what each reader checks first.
//
// Every input must be read without a crash, giving 0, 1017 (not a registry
// file) or, for a hive, 1015 (a damaged hive), and leave a consistent store:
// subkeys in strictly increasing folded order and found by their folded
// names, values found by their names, nothing erased left, every key reached
// once, at most 512 levels down, and walking through links ends.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/posix/hive_file.h"
#include "tests/registry_hive.h"
#include "winrules/registry/registry_files.h"
#include "winrules/registry/store.h"

namespace {

using namespace kor::platform::regstore;

void Require(bool ok) {
  if (!ok) std::abort();
}

void CheckStore(const Store& store) {
  for (std::size_t r = 0; r < kRootCount; ++r) {
    const Key* root = store.RootKey(static_cast<Root>(r));
    std::vector<std::pair<const Key*, std::size_t>> pending{{root, 0}};
    while (!pending.empty()) {
      const auto [key, depth] = pending.back();
      pending.pop_back();
      Require(depth <= kMaxKeyDepth && !key->erased);
      for (std::size_t i = 0; i < key->children.size(); ++i) {
        const Key* c = key->children[i];
        Require(i == 0 || key->children[i - 1]->folded < c->folded);
        Require(store.FindChild(key, c->folded) == c && c->parent == key);
        pending.emplace_back(c, depth + 1);
      }
      for (const auto& v : key->values) {
        const auto* found = store.FindValue(key, v.name);
        Require(!v.erased && found != nullptr && SameName(found->name, v.name));
      }
    }
    for (const Key* c : root->children) (void)store.Walk(root, {std::string(c->folded)});
  }
}

std::uint32_t ReadHive(std::string bytes, bool overlay, std::size_t offset, Store& store, ReportNothing& quiet) {
  if (overlay) {
    std::string hive = kor::testing_hive::EmptyHive();
    const std::size_t at = (offset * 64) % hive.size();
    hive.replace(at, std::min(bytes.size(), hive.size() - at), bytes.substr(0, hive.size() - at));
    bytes = hive;
  }
  const int fd = ::memfd_create("hive", MFD_CLOEXEC);
  Require(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  const std::uint32_t code =
      ReadHiveFile("/proc/self/fd/" + std::to_string(fd), KeyPath{Root::kCurrentUser, {}}, store, quiet);
  ::close(fd);
  return code;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int reader = data[0] % 3;
  const bool header = (data[0] & 1) != 0;
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  Store store;
  ReportNothing quiet;
  std::uint32_t code = 0;
  if (reader == 0) {
    static const auto cp = kor::platform::OpenCodePage("WINDOWS-1252");
    if (header) bytes = (data[0] & 2 ? "REGEDIT4\n" : "Windows Registry Editor Version 5.00\n") + bytes;
    code = ReadRegeditFile(bytes, *cp, 0, store, quiet);
  } else if (reader == 1) {
    if (header) bytes = "WINE REGISTRY Version 2\n" + bytes;
    std::string sid;
    const auto place = WineFilePlace(bytes, "user.reg", &sid);
    Require(place.has_value());
    code = ReadWineFile(bytes, *place, store, quiet);
    if (!sid.empty()) store.SetCurrentUser(sid);
  } else {
    const std::size_t offset = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
    code = ReadHive(bytes, header, offset, store, quiet);
    Require(code == 0 || code == 1015);
  }
  Require(code == 0 || code == 1015 || code == 1017);
  store.Finish();
  CheckStore(store);
  return 0;
}
