// The IDL that `kortools describe --idl` writes for the Windows type library.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "host/idl.h"

namespace {

std::string Idl() {
  std::ostringstream out;
  kor::host::WriteIdl(out);
  return out.str();
}

// Declarations the published interface fixes, each as one line of the IDL.
TEST(IdlTest, DeclaresParametersDefaultsAndAliases) {
  const std::string idl = Idl();
  const char* const expected[] = {
      // by value, by reference, result
      "HRESULT ParseString([in, out] BSTR* i_Line2Parse, [in] BSTR i_ValueDelimiter, [in] long i_IndexOfValue, "
      "[out, retval] BSTR* RetVal);",
      // optional by-reference strings with defaults, one of them a quote
      "[in, out, optional KORTOOLS_BYREF_STRING_DEFAULT(\" \")] BSTR* i_Delimiter, "
      "[in, out, optional KORTOOLS_BYREF_STRING_DEFAULT(\"\\\"\")] BSTR* i_ValuesEncapsulator, "
      "[out, retval] short* RetVal);",
      // by-reference string arrays, no result
      "[in, out] short* o_NrOfItems, [in, out] SAFEARRAY(BSTR)* o_IniKeysAndValues);",
      // enumeration-typed optional with a default, optional Variants without
      "[in, out, optional, defaultvalue(1)] FileActionFlags* i_OptionsFlag, [in, out, optional] VARIANT* "
      "i_DialogTitle, [in, out, optional] VARIANT* i_Owner, [out, retval] VARIANT_BOOL* RetVal);",
      // an optional Long with a default
      "[in, out, optional, defaultvalue(2147000000)] long* i_NrOfRecords2Search);",
      // the data field as a property pair
      "[id(0x40030001), propget]\n        HRESULT RegErrorCode([out, retval] eRegistryErrorCodes* RetVal);",
      "[id(0x40030001), propput]\n        HRESULT RegErrorCode([in] eRegistryErrorCodes RegErrorCode);",
      // enumeration values
      "HKEY_CLASSES_ROOT = 0x80000000,",
      // the earlier identifiers of the file-management interface
      "typedef [uuid(F6863A43-5AAB-42A5-806B-D43992474B81), public, hidden] _korFileMan _korFileMan___v0;",
      "version(4.6)\n",
  };
  for (const char* line : expected) EXPECT_NE(idl.find(line), std::string::npos) << line;
  EXPECT_EQ(idl, Idl()) << "the output is not deterministic";
}

}  // namespace
