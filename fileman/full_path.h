// The final component of a full path name, as korFileMan's private
// GetFullPathFilePart gives it, on a given view of the file system.
#pragma once

#include "kortools/types.h"
#include "platform/paths.h"

namespace kor::fileman {

// Asks `view` for the full path name of `path` (a 512-character buffer, asked
// again with the size the platform reports when that is too small) and gives
// the text after its last "\"; the empty string for an empty path, a full
// name that ends in "\", or when the platform cannot give a full name.
// `path` comes back through the view's code page, as a by-reference argument
// of an "A" function does.
String FullPathFilePart(const platform::FileSystemView& view, String& path);

}  // namespace kor::fileman
