// korParse: string parsing. Stateless.
//
//   kor::korParse p;
//   kor::String line = u"a,b,c";
//   p.ParseString(line, u",", 2);            // u"b"
//
//   kor::StringArray values;
//   kor::Integer n = p.SmartParse(line2, values);   // values(1..n)
#pragma once

#include <optional>

#include "kortools/export.h"
#include "kortools/string_array.h"
#include "kortools/types.h"
#include "kortools/variant.h"

namespace kor {

// The default interface of korParse. Parameters passed by reference are the
// caller's own variables; optional ones are pointers, null when left out.
class KORTOOLS_API _korParse {
 public:
  virtual ~_korParse();

  // The i_IndexOfValue-th field of i_Line2Parse divided by i_ValueDelimiter.
  virtual String ParseString(String& i_Line2Parse, String i_ValueDelimiter, Long i_IndexOfValue) = 0;

  // Splits i_Line2Parse into o_Values(1..n), honouring an encapsulator (quote)
  // text; returns n, or the negated error number after an error.
  virtual Integer SmartParse(String& i_Line2Parse, StringArray& o_Values, String* i_Delimiter = nullptr,
                             String* i_ValuesEncapsulator = nullptr) = 0;

  // Replaces every occurrence of i_Text2BeReplaced; the result is always a
  // String Variant.
  virtual Variant SandR(String i_Text2ReplaceOn, String& i_Text2BeReplaced, String& i_ReplacingText) = 0;

  // Splits on spaces, knowing single and double quotes and a leading comma;
  // returns 0, the count comes back in o_NrOfTokensFound.
  virtual Integer ParseTokenArray(String i_String2Parse, Integer& i_ScanUntillTokenNumber, StringArray& o_TokenResults,
                                  Integer& o_NrOfTokensFound) = 0;
};

class KORTOOLS_API korParse final : public _korParse {
 public:
  String ParseString(String& i_Line2Parse, String i_ValueDelimiter, Long i_IndexOfValue) override;
  Integer SmartParse(String& i_Line2Parse, StringArray& o_Values, String* i_Delimiter = nullptr,
                     String* i_ValuesEncapsulator = nullptr) override;
  Variant SandR(String i_Text2ReplaceOn, String& i_Text2BeReplaced, String& i_ReplacingText) override;
  Integer ParseTokenArray(String i_String2Parse, Integer& i_ScanUntillTokenNumber, StringArray& o_TokenResults,
                          Integer& o_NrOfTokensFound) override;

  // C++ calls that take literals and temporaries. Each input the member takes
  // by reference is copied into a local here, and the member's write-back
  // into that copy is dropped: a text the system code page cannot hold coming
  // back with '?' for the characters it lacks. Outputs (o_...) stay
  // references. A call with variables of the exact types still goes to the
  // member above and gets the write-back.
  String ParseString(const String& i_Line2Parse, String i_ValueDelimiter, Long i_IndexOfValue);
  Integer SmartParse(const String& i_Line2Parse, StringArray& o_Values,
                     std::optional<String> i_Delimiter = std::nullopt,
                     std::optional<String> i_ValuesEncapsulator = std::nullopt);
  Variant SandR(String i_Text2ReplaceOn, const String& i_Text2BeReplaced, const String& i_ReplacingText);
  Integer ParseTokenArray(String i_String2Parse, const Integer& i_ScanUntillTokenNumber, StringArray& o_TokenResults,
                          Integer& o_NrOfTokensFound);
};

}  // namespace kor
