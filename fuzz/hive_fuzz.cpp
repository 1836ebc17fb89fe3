// Fuzzes the hive reader (libhivex underneath) with arbitrary files, passed
// to it as an in-memory file. Every input must be read without a crash,
// giving 0 or 1015 (a damaged hive), and leave a consistent store. Inputs
// whose first byte is odd are laid over an empty hive, so that the fuzzer
// starts from the structures libhivex accepts.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "fuzz/registry_fuzz_common.h"
#include "platform/posix/hive_file.h"
#include "tests/registry_hive.h"
#include "winrules/registry/registry_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kor::platform::regstore;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) != 0) {
    std::string hive = kor::testing_hive::EmptyHive();
    // The input replaces the hive from an offset it chooses.
    const std::size_t at = size > 2 ? (static_cast<std::size_t>(data[1]) * 64) % hive.size() : 0;
    hive.replace(at, std::min(size - 1, hive.size() - at), bytes.substr(1, hive.size() - at));
    bytes = hive;
  }
  const int fd = ::memfd_create("hive", MFD_CLOEXEC);
  kor::fuzzing::Require(fd >= 0);
  kor::fuzzing::Require(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  Store store;
  ReportNothing quiet;
  const std::uint32_t code =
      ReadHiveFile("/proc/self/fd/" + std::to_string(fd), KeyPath{Root::kCurrentUser, {}}, store, quiet);
  ::close(fd);
  kor::fuzzing::Require(code == 0 || code == 1015);
  store.Finish();
  kor::fuzzing::CheckStore(store);
  return 0;
}
