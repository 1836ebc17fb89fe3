// Binary hive files (NTUSER.DAT, SOFTWARE, SYSTEM, ...), read with libhivex.
#include <hivex.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "platform/posix/hive_file.h"

namespace kor::platform::regstore {
namespace {

struct HiveCloser {
  void operator()(hive_h* h) const { hivex_close(h); }
};
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

std::string Why(const char* what) { return std::string(what) + " (" + std::strerror(errno) + ")"; }

}  // namespace

std::uint32_t ReadHiveFile(const std::string& path, const KeyPath& place, Store& store, Diagnostics& diag) {
  errno = 0;
  const std::unique_ptr<hive_h, HiveCloser> h(hivex_open(path.c_str(), 0));
  if (!h) {
    diag.Report(0, Why("the hive cannot be read"));
    return 1015;
  }
  std::string error;
  Key* top = detail::MakeKey(store, place, {}, 0, error);
  if (top == nullptr) {
    diag.Report(0, error);
    return 1015;
  }
  struct Pending {
    hive_node_h node;
    Key* key;
    std::size_t depth;
  };
  std::vector<Pending> pending{{hivex_root(h.get()), top, place.names.size()}};
  std::unordered_set<hive_node_h> seen;  // a damaged hive may link a key back to an ancestor
  std::size_t problems = 0;
  const auto problem = [&](const std::string& what) {
    if (++problems <= 20) diag.Report(0, what);
  };
  while (!pending.empty()) {
    const Pending p = pending.back();
    pending.pop_back();
    if (p.node == 0 || !seen.insert(p.node).second) continue;
    p.key->lastWrite = static_cast<std::uint64_t>(hivex_node_timestamp(h.get(), p.node));

    errno = 0;
    const Owned<hive_value_h> values(hivex_node_values(h.get(), p.node));
    if (!values) problem(Why("the values of a key cannot be read"));
    for (const hive_value_h* v = values.get(); v && *v; ++v) {
      errno = 0;
      const std::size_t nameLength = hivex_value_key_len(h.get(), *v);
      const Owned<char> name(nameLength == 0 && errno != 0 ? nullptr : hivex_value_key(h.get(), *v));
      hive_type kind{};
      std::size_t size = 0;
      const Owned<char> data(name ? hivex_value_value(h.get(), *v, &kind, &size) : nullptr);
      if (!name || !data) {
        problem(Why("a value cannot be read"));
        continue;
      }
      const std::string_view n(name.get(), std::min(nameLength, std::strlen(name.get())));
      if (Utf16Length(n) > kMaxValueNameLength) {
        problem("a value name is longer than the registry allows");
        continue;
      }
      // A hive may hold any 32-bit kind, which is no valid hive_type: taken as
      // its bits.
      static_assert(sizeof kind == sizeof(std::uint32_t));
      std::uint32_t bits = 0;
      std::memcpy(&bits, &kind, sizeof bits);
      store.SetValue(p.key, n, bits, std::string_view(data.get(), size));
    }

    errno = 0;
    const Owned<hive_node_h> children(hivex_node_children(h.get(), p.node));
    if (!children) problem(Why("the subkeys of a key cannot be read"));
    for (const hive_node_h* c = children.get(); c && *c; ++c) {
      const Owned<char> name(hivex_node_name(h.get(), *c));
      if (!name) {
        problem(Why("a key name cannot be read"));
        continue;
      }
      const std::string_view n(name.get());
      if (n.empty() || n.find('\\') != std::string_view::npos || Utf16Length(n) > kMaxKeyNameLength) {
        problem("a key name is empty, holds \"\\\" or is longer than the registry allows");
        continue;
      }
      if (p.depth + 1 > kMaxKeyDepth) {
        problem("keys are nested deeper than the registry allows");
        continue;
      }
      pending.push_back({*c, store.Child(p.key, n), p.depth + 1});
    }
  }
  if (problems > 20) diag.Report(0, std::to_string(problems - 20) + " further problems in the hive");
  return 0;
}

}  // namespace kor::platform::regstore
