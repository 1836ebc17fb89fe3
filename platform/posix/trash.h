// The freedesktop.org trash ("recycle bin"), as desktop file managers keep it,
// so that what the library throws away can be restored with the desktop's own
// tools.
//
// A trash folder holds `files/` (the items themselves) and `info/` (one
// NAME.trashinfo per item, saying where it came from and when):
//
//   [Trash Info]
//   Path=/home/ann/Reports/Q1%202024.txt
//   DeletionDate=2024-04-02T17:05:11
//
// An item on the file system (mount) of the home trash goes to the home trash,
// $XDG_DATA_HOME/Trash (~/.local/share/Trash when XDG_DATA_HOME is not set).
// An item elsewhere goes to the trash at the top of its own volume:
// "$top/.Trash/$uid" when "$top/.Trash" is a real folder (not a symbolic link)
// with the sticky bit, else "$top/.Trash-$uid". There Path= is relative to
// $top, so the entry survives the volume being mounted elsewhere. An item is
// never copied to another file system: when no trash on its own volume can be
// used, it stays where it is and the call fails.
//
//   int e = kor::platform::MoveToTrash("/home/ann/old report.txt");   // 0 or an errno value
#pragma once

#include <string>

namespace kor::platform {

// The home trash folder as the environment names it ($XDG_DATA_HOME/Trash,
// else $HOME/.local/share/Trash); empty when neither variable is set.
std::string HomeTrashFolder();

// Moves the file, symbolic link (not what it points at) or folder tree named
// by the absolute POSIX name `path` to the trash. 0 on success, else an
// errno value; the item is then left where it was.
int MoveToTrash(const std::string& path);

}  // namespace kor::platform
