// Splitting one path name into drive, folder, file name and extension, in the
// two ways the interface offers: AnalyseFilename (16-bit positions, never
// fails) and AnalyseFilename2 (network roots as drives, folders keep their
// separators, malformed names give False).
#include "kortools/error.h"
#include "kortools/korFileMan.h"

namespace kor {
namespace {

// The largest position a 16-bit Integer holds.
constexpr std::size_t kMaxIntegerPosition = 32767;

}  // namespace

// Positions are kept in Integers, as they always were. A position beyond
// 32,767 cannot be held and the method goes on without it: a "\" beyond it
// ends the scan for separators (the last "\" at or before 32,767 counts), and
// a last "." beyond it counts as no extension.
Integer korFileMan::AnalyseFilename(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath,
                                    String& o_FileName, String& o_FileExtension) {
  const String& s = i_File2Analyze;

  // Drive: only when the first ":\" stands at position 2.
  std::size_t i = 0;
  if (s.find(u":\\") == 1) {
    o_DriveLetter = s.substr(0, 2);
    i = 3;
  } else {
    o_DriveLetter.clear();
  }

  // Last separator, by repeated forward searches.
  std::size_t last = 0;
  for (;;) {
    last = i;
    if (last >= kMaxIntegerPosition) break;  // last + 1 no longer fits
    const auto next = s.find(u'\\', last);
    if (next == String::npos || next + 1 > kMaxIntegerPosition) break;
    i = next + 1;
  }

  // Folder, without the last separator, always starting with "\".
  if (last == 0 || last - 1 == o_DriveLetter.size()) {
    o_FilePath.clear();
  } else if (o_DriveLetter.empty()) {
    o_FilePath = s.substr(0, last - 1);
  } else {
    o_FilePath = s.substr(2, last - 3);
  }
  if (!o_FilePath.empty() && o_FilePath[0] != u'\\') o_FilePath.insert(0, 1, u'\\');

  // Name and extension, split at the last "." of the whole name when it lies
  // after the last separator.
  const auto dot = s.rfind(u'.');
  const std::size_t d = dot == String::npos || dot + 1 > kMaxIntegerPosition ? 0 : dot + 1;
  if (d == 0 || d < last + 1) {
    o_FileName = s.substr(last);
    o_FileExtension.clear();
  } else {
    o_FileName = s.substr(last, d - last - 1);
    o_FileExtension = s.substr(d);
  }
  return -1;
}

Boolean korFileMan::AnalyseFilename2(String i_File2Analyze, String& o_DriveLetter, String& o_FilePath,
                                     String& o_FileName, String& o_FileExtension) {
  const String& s = i_File2Analyze;
  const auto fail = [&] {
    o_DriveLetter.clear();
    o_FilePath.clear();
    o_FileName.clear();
    o_FileExtension.clear();
    return kFalse;
  };

  std::size_t start;  // 1-based position where the folder part begins
  if (s.size() >= 2 && s[0] == u'\\' && s[1] == u'\\') {
    // Network root '\\server\share'.
    const auto p1 = s.find(u'\\', 2);
    if (p1 == String::npos || p1 == 2) return fail();
    const auto p2 = s.find(u'\\', p1 + 1);
    if (p2 == String::npos) {
      o_DriveLetter = s;
      o_FilePath.clear();
      o_FileName.clear();
      o_FileExtension.clear();
      return kTrue;
    }
    if (p2 == p1 + 1) return fail();  // empty share name
    o_DriveLetter = s.substr(0, p2);
    start = p2 + 1;
  } else {
    // Drive: everything up to and including the first ":" ('ab:x' gives 'ab:').
    const auto c = s.find(u':');
    if (c == 0) return fail();
    if (c == String::npos) {
      o_DriveLetter.clear();
      start = 1;
    } else {
      o_DriveLetter = s.substr(0, c + 1);
      start = c + 2;
    }
  }

  // Folder: from the start up to and including the last "\". A last "\"
  // before the drive's colon ('dir\a:b') asks for a negative length.
  const auto q = s.rfind(u'\\');
  if (q == String::npos) {
    o_FilePath.clear();
  } else {
    const auto length = static_cast<std::int64_t>(q + 1) + 1 - static_cast<std::int64_t>(start);
    if (length < 0) throw Error::Runtime(5);
    o_FilePath = s.substr(start - 1, static_cast<std::size_t>(length));
    start = q + 2;
  }

  o_FileName = start > s.size() ? String() : s.substr(start - 1);

  // Extension: after the last "." of the file name; a name that begins with
  // "." is malformed.
  const auto d = o_FileName.rfind(u'.');
  if (d == 0) return fail();
  if (d == String::npos) {
    o_FileExtension.clear();
  } else {
    o_FileExtension = o_FileName.substr(d + 1);
    o_FileName.resize(d);
  }
  return kTrue;
}

}  // namespace kor
