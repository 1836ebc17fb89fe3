#include "ini/file_names.h"

#include <string>

#include "kortools/error.h"
#include "platform/paths.h"

namespace kor::ini {
namespace {

bool AllDigits(std::u16string_view s) {
  if (s.empty()) return false;
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

// The file name without its extension: a shared library's ".so" goes with
// the version numbers behind it ("libkortools.so.4.6.0"), any other name
// loses what follows its last ".".
std::u16string_view BaseName(std::u16string_view name) {
  std::u16string_view rest = name;
  for (;;) {
    const std::size_t dot = rest.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0) break;
    const std::u16string_view ext = rest.substr(dot + 1);
    if (ext == u"so") return rest.substr(0, dot);
    if (!AllDigits(ext)) break;
    rest = rest.substr(0, dot);
  }
  const std::size_t dot = name.rfind(u'.');
  return dot == std::u16string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

String DefaultIniFileOf(std::u16string_view moduleFile) {
  const std::size_t sep = moduleFile.rfind(u'\\');
  std::u16string_view folder, name = moduleFile;
  if (sep != std::u16string_view::npos) {
    folder = moduleFile.substr(0, sep);
    name = moduleFile.substr(sep + 1);
    if (folder.size() == 2 && folder[1] == u':') folder = moduleFile.substr(0, sep + 1);  // "Z:\"
  }
  String out(folder);
  out += u'\\';
  out.append(BaseName(name));
  out += u".ini";
  return out;
}

String DefaultIniFile() {
  const auto& view = platform::GetFileSystemView();
  std::string module;
  if (view.ModuleFileName(module) != 0) throw Error::Runtime(76);
  return DefaultIniFileOf(view.NameCodePage().Decode(module));
}

String CompletedFileName(const String& name, String (*currentFolder)()) {
  if (name.find(u'\\') == String::npos) return currentFolder() + u"\\" + name;
  if (name.size() < 2 || name[1] != u':') return currentFolder().substr(0, 2) + name;
  return name;
}

String CurrentFolder() {
  const auto& view = platform::GetFileSystemView();
  std::string folder;
  if (view.CurrentFolder(folder) != 0) throw Error::Runtime(76);
  return view.NameCodePage().Decode(folder);
}

}  // namespace kor::ini
