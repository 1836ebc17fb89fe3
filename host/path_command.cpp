#include "host/path_command.h"

#include <ostream>

#include "kortools/error.h"
#include "kortools/paths.h"

namespace kor::host {

int RunPathCommand(const std::vector<std::string>& names, bool toPosix, std::ostream& out, std::ostream& err) {
  if (names.empty()) {
    err << "kortools path: no names given\n";
    return 2;
  }
  int status = 0;
  for (const std::string& name : names) {
    try {
      out << (toPosix ? ToPosixPath(name) : ToWindowsPath(name)) << '\n';
    } catch (const Error& e) {
      out << '\n';
      err << "kortools path: " << name << ": " << e.what() << '\n';
      status = 1;
    }
  }
  out.flush();
  return status;
}

}  // namespace kor::host
