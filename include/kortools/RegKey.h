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

// The default interface of RegKey. Every method but RegKeyOpen, RegKeyClose
// and RegErrorString needs an open key. Errors are raised as kor::Error:
// 13 for the no-key and already-open cases (RegKeyValuesCount: object error
// 2), object errors 0x80040000 + n with the platform's code in the
// description ("Error (2) opening registry key.") otherwise. A method that
// completes sets RegErrorCode to 0; one that raises leaves the platform's code
// there (-1 for the class's own errors). On Linux the registry is the
// read-only store that KORTOOLS_REGISTRY names (regedit exports, Wine
// registry files, hive files).
class KORTOOLS_API _RegKey {
 public:
  virtual ~_RegKey();

  // The public field RegErrorCode, read and written: the platform's result
  // code of the last registry operation (0 success, 2 not found, 234 more
  // data, 259 no more items, ...). The caller may set it; RegErrorString reads
  // it.
  virtual eRegistryErrorCodes get_RegErrorCode() = 0;
  virtual void put_RegErrorCode(eRegistryErrorCodes value) = 0;

  // Opens Key (a path below RegRoot, such as "Software\\Acme\\App") with the
  // access mask Access (KEY_ALL_ACCESS when left out). Error 13 "A key is
  // already open, close current key first." when one is (it stays open);
  // object error 1 "Error (code) opening registry key." when the platform
  // refuses, and no key is then open. Key comes back through the code page.
  //   key.RegKeyOpen(root, path);
  virtual void RegKeyOpen(eRegistryRoots& RegRoot, String& Key, eRegistryAccessModes* Access = nullptr) = 0;

  // Closes the open key and sets RegErrorCode to the close's result; does
  // nothing without an open key. Never raises. The destructor does the same.
  virtual void RegKeyClose() = 0;

  // The number of values of the open key. Object error 2 "No open registry
  // key." without one; object error 3 "Error (code) enumerating registry
  // values." for a failed enumeration.
  virtual Long RegKeyValuesCount() = 0;

  // The value named ValueName: a String Variant for a
  // string value (without its terminating NUL), a Long Variant for a 32-bit
  // one. Object error 5 when the value cannot be queried (code 2: it does not
  // exist) or its string read fails, 6 when its 32-bit read fails, 7
  // "Error querying registry value, unsupported datatype." for any other kind.
  virtual Variant RegKeyValue(String& ValueName) = 0;

  // The name of the value at index (from 0, in the order the files give
  // them). Object error 8 "Error (259) querying value name." past the last
  // one; a name longer than the buffer gives its first 1,999 characters.
  //   for (kor::Long i = 0, n = key.RegKeyValuesCount(); i < n; ++i) names.push_back(key.RegKeyValueName(i));
  virtual String RegKeyValueName(Long& index) = 0;

  // The kind of the value at index: rdtString, rdtLong, or rdtUnsupported for
  // every other kind. Object error 9 for an index past the last value.
  virtual eRegistryDataTypes RegKeyValueType(Long& index) = 0;

  // The number of subkeys of the open key. Object error 3 "Error (code)
  // enumerating registry subkeys." for a failed enumeration.
  virtual Long RegKeySubKeysCount() = 0;

  // The name of the subkey at index (from 0, in case-insensitive name order).
  // Object error 8 "Error (259) querying subkey name." past the last one.
  virtual String RegKeySubKey(Long& index) = 0;

  // The system's message text for RegErrorCode, ending in CR LF as the system
  // gives it ("The system cannot find the file specified.\r\n"); the empty
  // string for a code without one (such as -1). Never raises and does not
  // change RegErrorCode.
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
