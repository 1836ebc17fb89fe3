// A platform group's operations in use: the platform's own, unless a test or
// a host has put a replacement in their place.
//
//   Replaceable<FileSearch> g_search;
//   FileSearch& GetFileSearch() { return g_search.Get(PlatformFileSearch); }
//   void SetFileSearch(FileSearch* r) { g_search.Set(r); }   // null: the platform's own again
#pragma once

#include <atomic>

namespace kor::platform {

template <typename Operations>
class Replaceable {
 public:
  Operations& Get(Operations& (*platform)()) const {
    Operations* replacement = replacement_.load(std::memory_order_acquire);
    return replacement != nullptr ? *replacement : platform();
  }
  void Set(Operations* replacement) { replacement_.store(replacement, std::memory_order_release); }

 private:
  std::atomic<Operations*> replacement_{nullptr};
};

}  // namespace kor::platform
