// The IDL that `kortools describe --idl` writes for the Windows type library.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "host/idl.h"
#include "kortools/typeinfo.h"

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
      "[in, out, optional, defaultvalue(983103)] eRegistryAccessModes* Access);",
      // an optional Long without a default
      "[in, out, optional] long* i_NrOfRecords2Search);",
      // the data field as a property pair
      "[id(0x40030001), propget]\n        HRESULT RegErrorCode([out, retval] eRegistryErrorCodes* RetVal);",
      "[id(0x40030001), propput]\n        HRESULT RegErrorCode([in] eRegistryErrorCodes RegErrorCode);",
      "[id(0x60030001)]\n        HRESULT RegKeyClose();",
      // enumeration values
      "HKEY_CLASSES_ROOT = 0x80000000,",
      "rdtUnsupported = -1\n",
      "KEY_EXECUTE = 131097\n",
      // the earlier identifiers of the file-management interface
      "typedef [uuid(F6863A43-5AAB-42A5-806B-D43992474B81), public, hidden] _korFileMan _korFileMan___v0;",
      "typedef [uuid(4C4CAC8F-B30F-4F65-B0FC-833D836C7C28), public, hidden] _korFileMan _korFileMan___v4;",
      "library korTools\n",
      "version(4.6)\n",
      "interface _korParse : IDispatch\n",
  };
  for (const char* line : expected) EXPECT_NE(idl.find(line), std::string::npos) << line;
  EXPECT_EQ(idl, Idl()) << "the output is not deterministic";
}

// Every member is declared once, with its dispatch id and documentation
// string, in slot order inside its interface.
TEST(IdlTest, MembersInSlotOrder) {
  const std::string idl = Idl();
  for (const kor::ClassInfo& c : kor::TypeLibrary().classes) {
    std::size_t at = idl.find("interface " + std::string(c.iface.name) + " : IDispatch");
    ASSERT_NE(at, std::string::npos) << c.iface.name;
    const std::size_t end = idl.find("};", at);
    for (const kor::MemberInfo& m : c.iface.members) {
      char id[32];
      std::snprintf(id, sizeof id, "[id(0x%08X)", static_cast<unsigned>(m.dispid));
      std::string head = id;
      if (!m.doc.empty()) head += ", helpstring(\"" + std::string(m.doc) + "\")";
      const std::size_t next = idl.find(head, at);
      ASSERT_LT(next, end) << c.iface.name << "." << m.name;
      at = idl.find("HRESULT " + std::string(m.name) + "(", next);
      ASSERT_EQ(idl.find('\n', next) + 9, at) << c.iface.name << "." << m.name;
    }
    EXPECT_NE(idl.find("[default] interface " + std::string(c.iface.name) + ";"), std::string::npos);
  }
}

}  // namespace
