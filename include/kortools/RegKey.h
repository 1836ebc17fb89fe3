// RegKey: reads one open registry key at a time.
//
//   kor::RegKey key;
//   kor::eRegistryRoots root = kor::HKEY_CURRENT_USER;
//   kor::String path = u"Software\\Acme\\App";
//   key.RegKeyOpen(root, path);
//   kor::Long n = key.RegKeyValuesCount();
//
// The key is closed by RegKeyClose or when the object is destroyed.
#pragma once

#include <cstdint>
#include <optional>

#include "kortools/enums.h"
#include "kortools/export.h"
#include "kortools/types.h"
#include "kortools/variant.h"

namespace kor {

class KORTOOLS_API _RegKey {
 public:
  virtual ~_RegKey();

  // The public field RegErrorCode, read and written.
  virtual eRegistryErrorCodes get_RegErrorCode() = 0;
  virtual void put_RegErrorCode(eRegistryErrorCodes value) = 0;

  virtual void RegKeyOpen(eRegistryRoots& RegRoot, String& Key, eRegistryAccessModes* Access = nullptr) = 0;
  virtual void RegKeyClose() = 0;
  virtual Long RegKeyValuesCount() = 0;
  virtual Variant RegKeyValue(String& ValueName) = 0;
  virtual String RegKeyValueName(Long& index) = 0;
  virtual eRegistryDataTypes RegKeyValueType(Long& index) = 0;
  virtual Long RegKeySubKeysCount() = 0;
  virtual String RegKeySubKey(Long& index) = 0;
  virtual String RegErrorString() = 0;
};

class KORTOOLS_API RegKey final : public _RegKey {
 public:
  RegKey();
  ~RegKey() override;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // The public error field.
  eRegistryErrorCodes RegErrorCode = ERROR_NONE;

  eRegistryErrorCodes get_RegErrorCode() override { return RegErrorCode; }
  void put_RegErrorCode(eRegistryErrorCodes value) override { RegErrorCode = value; }

  void RegKeyOpen(eRegistryRoots& RegRoot, String& Key, eRegistryAccessModes* Access = nullptr) override;
  void RegKeyClose() override;
  Long RegKeyValuesCount() override;
  Variant RegKeyValue(String& ValueName) override;
  String RegKeyValueName(Long& index) override;
  eRegistryDataTypes RegKeyValueType(Long& index) override;
  Long RegKeySubKeysCount() override;
  String RegKeySubKey(Long& index) override;
  String RegErrorString() override;

  // C++ calls that take literals and temporaries. Each input the member takes
  // by reference is copied into a local here, and the member's write-back
  // into that copy is dropped: a text the system code page cannot hold coming
  // back with '?' for the characters it lacks. Outputs (o_...) stay
  // references. A call with variables of the exact types still goes to the
  // member above and gets the write-back.
  void RegKeyOpen(const eRegistryRoots& RegRoot, const String& Key,
                  std::optional<eRegistryAccessModes> Access = std::nullopt);
  Variant RegKeyValue(const String& ValueName);
  String RegKeyValueName(const Long& index);
  eRegistryDataTypes RegKeyValueType(const Long& index);
  String RegKeySubKey(const Long& index);

 private:
  void SetCode(std::uint32_t code);
  // Raises the no-key error when no key is open (RegKeyValuesCount has its own).
  void RequireKey(bool valuesCount);

  std::uintptr_t key_ = 0;  // the open key's handle; 0 when none is open
};

}  // namespace kor
