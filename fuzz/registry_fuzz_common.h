// What every registry file fuzzer checks once a file is read: the finished
// store is consistent. Subkeys are in strictly increasing folded order and
// found by their folded names, values are found by their names, nothing
// erased is left, and every key is reached once, at most 512 levels down.
#pragma once

#include <cstdlib>
#include <vector>

#include "winrules/registry/store.h"

namespace kor::fuzzing {

inline void Require(bool ok) {
  if (!ok) std::abort();
}

inline void CheckStore(const platform::regstore::Store& store) {
  using platform::regstore::Key;
  using platform::regstore::Root;
  for (std::size_t r = 0; r < platform::regstore::kRootCount; ++r) {
    std::vector<std::pair<const Key*, std::size_t>> pending{{store.RootKey(static_cast<Root>(r)), 0}};
    while (!pending.empty()) {
      const auto [key, depth] = pending.back();
      pending.pop_back();
      Require(depth <= platform::regstore::kMaxKeyDepth);
      Require(!key->erased);
      for (std::size_t i = 0; i < key->children.size(); ++i) {
        const Key* c = key->children[i];
        Require(i == 0 || key->children[i - 1]->folded < c->folded);
        Require(store.FindChild(key, c->folded) == c);
        Require(c->parent == key);
        pending.emplace_back(c, depth + 1);
      }
      for (const auto& v : key->values) {
        Require(!v.erased);
        const auto* found = store.FindValue(key, v.name);
        Require(found != nullptr && platform::regstore::SameName(found->name, v.name));
      }
    }
  }
}

}  // namespace kor::fuzzing
