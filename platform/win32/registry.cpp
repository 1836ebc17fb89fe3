// The registry on Windows: the system's own, through the "A" functions. A
// predefined root arrives as its 32-bit value and becomes the system's
// handle (sign-extended on 64-bit Windows).
#include "platform/registry.h"

#include "platform/win32/windows_api.h"

namespace kor::platform {
namespace {

HKEY ToHkey(RegistryKey key) {
  if (key >= 0x80000000u && key <= 0x800000FFu)
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<std::int32_t>(key))));
  return reinterpret_cast<HKEY>(key);
}

// A DWORD in-out size that the caller's optional pointer may hold.
class Size {
 public:
  explicit Size(std::uint32_t* p) : p_(p), v_(p ? *p : 0) {}
  ~Size() {
    if (p_ != nullptr) *p_ = v_;
  }
  Size(const Size&) = delete;
  Size& operator=(const Size&) = delete;
  DWORD* get() { return p_ != nullptr ? &v_ : nullptr; }

 private:
  std::uint32_t* p_;
  DWORD v_;
};

class Win32Registry final : public Registry {
 public:
  std::uint32_t RegOpenKeyEx(RegistryKey key, const char* subKey, std::uint32_t options, std::uint32_t samDesired,
                             RegistryKey* result) override {
    HKEY opened = nullptr;
    const LONG rc = ::RegOpenKeyExA(ToHkey(key), subKey, options, samDesired, &opened);
    if (result != nullptr) *result = rc == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(opened) : 0;
    return static_cast<std::uint32_t>(rc);
  }

  std::uint32_t RegCloseKey(RegistryKey key) override { return static_cast<std::uint32_t>(::RegCloseKey(ToHkey(key))); }

  std::uint32_t RegEnumValue(RegistryKey key, std::uint32_t index, char* valueName, std::uint32_t* valueNameLength,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override {
    Size name(valueNameLength), kind(type), size(dataLength);
    return static_cast<std::uint32_t>(
        ::RegEnumValueA(ToHkey(key), index, valueName, name.get(), nullptr, kind.get(), data, size.get()));
  }

  std::uint32_t RegEnumKeyEx(RegistryKey key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                             char* className, std::uint32_t* classLength, std::uint64_t* lastWriteTime) override {
    Size length(nameLength), classSize(classLength);
    // A class buffer without room is not passed on: the system would answer
    // 234 for the class alone and leave the name out.
    const bool noRoom = className != nullptr && classLength != nullptr && *classLength == 0;
    FILETIME written{};
    const LONG rc = ::RegEnumKeyExA(ToHkey(key), index, name, length.get(), nullptr, noRoom ? nullptr : className,
                                    noRoom ? nullptr : classSize.get(), &written);
    if (lastWriteTime != nullptr)
      *lastWriteTime = (std::uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
    return static_cast<std::uint32_t>(rc);
  }

  std::uint32_t RegQueryValueEx(RegistryKey key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* dataSize) override {
    Size kind(type), size(dataSize);
    return static_cast<std::uint32_t>(
        ::RegQueryValueExA(ToHkey(key), valueName, nullptr, kind.get(), data, size.get()));
  }
};

}  // namespace

Registry& GetRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace kor::platform
