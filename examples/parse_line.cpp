// Splits a line with korParse, once through the C++ classes and once
// late-bound by member name, as a scripting host would call it.
//
//   parse_line [LINE [DELIMITER [INDEX]]]
//   parse_line 'x;y;z' ';' 3
//     ParseString field 3: z
//     SmartParse: 3 values
//       (1) x
//       ...
//     late-bound ParseString: b
#include <kortools/dispatch.h>
#include <kortools/error.h>
#include <kortools/korParse.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The example keeps to ASCII: command-line bytes become code units one by one,
// and code units outside ASCII print as '?'.
kor::String Widen(const char* s) {
  kor::String out;
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
  return out;
}

std::string Narrow(const kor::String& s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  kor::String line = Widen(argc > 1 ? argv[1] : "a,b,c");
  kor::String delimiter = Widen(argc > 2 ? argv[2] : ",");
  kor::Long index = argc > 3 ? std::atoi(argv[3]) : 2;

  try {
    // Early-bound: the classes themselves.
    kor::korParse parse;
    std::cout << "ParseString field " << index << ": " << Narrow(parse.ParseString(line, delimiter, index)) << "\n";

    kor::StringArray values;
    kor::Integer n = parse.SmartParse(line, values, &delimiter);
    std::cout << "SmartParse: " << n << " values\n";
    for (kor::Long i = 1; i <= n; ++i) std::cout << "  (" << i << ") " << Narrow(values(i)) << "\n";

    // Late-bound: the global instance, a member by name, Variant arguments
    // converted to the member's parameter types ("2" becomes a Long).
    kor::AutomationObject global = kor::AutomationObject::Global("korParse");
    std::vector<kor::Variant> args{kor::String(u"a,b,c"), kor::String(u","), kor::String(u"2")};
    kor::Variant result = global.Invoke("ParseString", args);
    std::cout << "late-bound ParseString: " << Narrow(kor::ChangeType<kor::String>(result)) << "\n";
  } catch (const kor::Error& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
