#include "kortools/error.h"

#include <string>
#include <utility>

#include "frame/text.h"

namespace kor {

Error::Error(std::int32_t number, String description)
    : number_(number),
      description_(std::move(description)),
      what_("error " + std::to_string(number) + ": " + text::ToUtf8(description_)) {}

Error Error::Runtime(std::int32_t number) { return Error(number, RuntimeErrorText(number)); }

Error Error::Object(std::int32_t n, String description) { return Error(ObjectErrorNumber(n), std::move(description)); }

String RuntimeErrorText(std::int32_t number) {
  // The runtime's standard texts for the errors the library can raise.
  switch (number) {
    case 5: return u"Invalid procedure call or argument";
    case 6: return u"Overflow";
    case 7: return u"Out of memory";
    case 9: return u"Subscript out of range";
    case 10: return u"This array is fixed or temporarily locked";
    case 11: return u"Division by zero";
    case 13: return u"Type mismatch";
    case 52: return u"Bad file name or number";
    case 53: return u"File not found";
    case 54: return u"Bad file mode";
    case 55: return u"File already open";
    case 57: return u"Device I/O error";
    case 58: return u"File already exists";
    case 61: return u"Disk full";
    case 62: return u"Input past end of file";
    case 67: return u"Too many files";
    case 68: return u"Device unavailable";
    case 70: return u"Permission denied";
    case 71: return u"Disk not ready";
    case 74: return u"Can't rename with different drive";
    case 75: return u"Path/File access error";
    case 76: return u"Path not found";
    case 91: return u"Object variable or With block variable not set";
    case 384: return u"A form can't be moved or sized while minimized or maximized";
    case 424: return u"Object required";
    case 429: return u"ActiveX component can't create object";
    case 438: return u"Object doesn't support this property or method";
    case 445: return u"Object doesn't support this action";
    case 448: return u"Named argument not found";
    case 449: return u"Argument not optional";
    case 450: return u"Wrong number of arguments or invalid property assignment";
    default: return u"Application-defined or object-defined error";
  }
}

}  // namespace kor
