// The smoke test's own calls of the Windows API, kept out of the file that
// includes the library's headers (several of the published enumeration
// members are macros of the Windows headers).
#pragma once

#include <string>

namespace smoke {

// True when `name` (ASCII) names a file or folder.
bool Exists(const std::string& name);

// Opens `name` for reading and writing, sharing nothing; false when it cannot.
bool HoldOpen(const std::string& name);
void Release();

// Local time now, as a day number from 30 December 1899.
double LocalNow();

unsigned long ProcessId();

// HKEY_CURRENT_USER\<key> made afresh with the values the registry checks
// read: "Text" (REG_SZ "Gr" u-umlaut sharp-s "e" in the ANSI code page),
// "Number" (REG_DWORD 0x12345678), "Minus" (REG_DWORD 0xFFFFFFFF), "Blob"
// (REG_BINARY), a value of `longName` (REG_SZ "long") and the subkeys
// "First" and `longName`. False when it cannot be made.
bool MakeTestKey(const std::string& key, const std::string& longName);
void DeleteTestKey(const std::string& key);

}  // namespace smoke
