#include "kortools/error.h"
#include "kortools/RegKey.h"

namespace kor {

RegKey::RegKey() = default;
RegKey::~RegKey() = default;

void RegKey::RegKeyOpen(eRegistryRoots&, String&, eRegistryAccessModes*) { throw Error::Runtime(445); }
void RegKey::RegKeyClose() { throw Error::Runtime(445); }
Long RegKey::RegKeyValuesCount() { throw Error::Runtime(445); }
Variant RegKey::RegKeyValue(String&) { throw Error::Runtime(445); }
String RegKey::RegKeyValueName(Long&) { throw Error::Runtime(445); }
eRegistryDataTypes RegKey::RegKeyValueType(Long&) { throw Error::Runtime(445); }
Long RegKey::RegKeySubKeysCount() { throw Error::Runtime(445); }
String RegKey::RegKeySubKey(Long&) { throw Error::Runtime(445); }
String RegKey::RegErrorString() { throw Error::Runtime(445); }

}  // namespace kor
