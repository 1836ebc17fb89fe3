// The profile-file operations on POSIX systems (see platform/profile_files.h
// and winrules/ini_text.h for the dialect).
//
// File names: Windows names ("Z:\tmp\a.ini", "C:\x.ini" with KORTOOLS_DRIVES)
// and POSIX names go through the platform's file system view; a name without
// any folder ("app.ini") is taken in the folder KORTOOLS_INI_DIR names, and in
// the current folder when that is not set.
//
// Writes replace the file atomically (platform/posix/whole_file.h): the new
// content goes into a temporary file in the same folder (an unnamed one where the file system allows),
// which gets the old file's permissions and owner, is flushed to disk and
// then renamed over the old name; the folder is flushed after the rename. A
// symbolic link stays a link: its final target is replaced. Each
// read-modify-write holds an exclusive flock on the folder, so writers in
// several processes (and threads) lose no update, and the temporary file of
// a killed writer goes at the next write. KORTOOLS_INI_SYNC=0 leaves out both
// flushes.
//
// Reads keep up to a few parsed files in memory. A parsed file is used again
// without reading it only while its device, inode, size, modification time
// and change time (in nanoseconds) are unchanged and both times were settled
// when it was read: more than 0.1 s in the past on local file systems whose
// time stamps the kernel takes from its nanosecond clock (ext4, xfs, btrfs,
// tmpfs, f2fs, zfs, overlayfs), more than two seconds on others (FAT's
// two-second stamps, network file systems). A later change then always gets a
// different time stamp. A file changed more recently is read again at each
// call, and parsed again only when its bytes differ.
#pragma once

#include <time.h>

#include <cstddef>
#include <functional>
#include <memory>

#include "platform/posix/kernel_time.h"
#include "platform/profile_files.h"

namespace kor::platform {

struct PosixProfileOptions {
  std::function<KernelTime()> now;  // the clock for the settling rule; null: CLOCK_REALTIME
  std::size_t cachedFiles = 8;      // how many parsed files are kept
};

std::unique_ptr<ProfileFiles> MakePosixProfileFiles(PosixProfileOptions options = {});

}  // namespace kor::platform
