// A smoke test of the library on Windows itself (run under Wine by
// scripts/wine-smoke): each class once through its public C++ API, on the
// system's own profile files, registry, shell and file system. Each check
// prints "ok NAME" or "FAIL NAME: detail"; the last line is "SMOKE-END" and
// the exit code is the number of failures.
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "kortools/RegKey.h"
#include "kortools/error.h"
#include "kortools/korCSV_IO.h"
#include "kortools/korFileMan.h"
#include "kortools/korINI.h"
#include "kortools/korParse.h"
#include "tests/windows/smoke_system.h"

namespace {

using kor::String;

int g_failures = 0;

// ASCII for the report; anything else shows as "?".
std::string Narrow(const String& s) {
  std::string out;
  for (char16_t c : s) out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
  return out;
}

String Wide(const std::string& s) { return String(s.begin(), s.end()); }

void Report(const char* name, bool ok, const std::string& detail) {
  if (ok) {
    std::printf("ok %s\n", name);
  } else {
    std::printf("FAIL %s: %s\n", name, detail.c_str());
    ++g_failures;
  }
  std::fflush(stdout);
}

// Runs one check; `body` returns an empty string on success or what went wrong.
void Check(const char* name, const std::function<std::string()>& body) {
  try {
    const std::string detail = body();
    Report(name, detail.empty(), detail);
  } catch (const kor::Error& e) {
    Report(name, false, e.what());
  } catch (const std::exception& e) {
    Report(name, false, std::string("exception ") + e.what());
  } catch (...) {
    Report(name, false, "unknown exception");
  }
}

std::string Expect(const String& got, const String& want) {
  return got == want ? std::string() : "got \"" + Narrow(got) + "\", want \"" + Narrow(want) + "\"";
}

bool Exists(const String& name) { return smoke::Exists(Narrow(name)); }

// Writes `records` to `name` and reads them back; empty when they came back as written.
std::string CsvRoundTrip(String name, const std::vector<std::vector<String>>& records) {
  kor::korCSV_IO csv;
  const auto fields = static_cast<kor::Long>(records.front().size()), count = static_cast<kor::Long>(records.size());
  kor::StringArray out;
  out.ReDim(1, fields, 1, count);
  for (kor::Long r = 1; r <= count; ++r)
    for (kor::Long f = 1; f <= fields; ++f) out(f, r) = records[r - 1][f - 1];
  csv.WriteCSVFile(name, out);
  kor::StringArray in;
  csv.ReadCSVFile(name, in);
  if (in.Dims() != 2 || in.UBound(1) < fields || in.UBound(2) < count)
    return "read back " + std::to_string(in.Dims()) + " dimensions, " + std::to_string(in.size()) + " items";
  for (kor::Long r = 1; r <= count; ++r)
    for (kor::Long f = 1; f <= fields; ++f)
      if (in(f, r) != out(f, r))
        return "field " + std::to_string(f) + " of record " + std::to_string(r) + ": " + Expect(in(f, r), out(f, r));
  return std::string();
}

}  // namespace

int main() {
  kor::korFileMan fm;

  // A folder of this run's own under the system's temporary folder.
  String base;
  Check("GetTempDir", [&] {
    base = fm.GetTempDir();
    if (base.empty() || !Exists(base)) return "temporary folder \"" + Narrow(base) + "\" missing";
    return std::string();
  });
  if (!base.empty() && base.back() != u'\\') base += u'\\';
  base += Wide("kortools-smoke-" + std::to_string(smoke::ProcessId()));
  const String dir = base + u"\\";

  Check("CreatePath", [&] {
    // The last component is a file's name; the folders before it are made.
    if (!fm.CreatePath(base + u"\\sub\\deeper\\file.txt")) return std::string("returned False");
    if (!Exists(base + u"\\sub\\deeper")) return std::string("folder not made");
    return std::string();
  });
  Check("FolderExists", [&] {
    if (!fm.FolderExists(base + u"\\sub")) return std::string("existing folder not found");
    if (fm.FolderExists(base + u"\\nothing")) return std::string("missing folder found");
    return std::string();
  });

  Check("korINI", [&] {
    kor::korINI ini;
    const String file = dir + u"settings.ini";
    if (ini.WriteINI(u"Main", u"Colour", u"blue green", file) == 0) return std::string("WriteINI returned 0");
    String section = u"Main", key = u"Colour", missingKey = u"Size", def = u"none", name = file;
    std::string r = Expect(ini.GetIni(section, key, def, name), u"blue green");
    if (r.empty()) r = Expect(ini.GetIni(section, missingKey, def, name), u"none");
    return r;
  });

  Check("korINI.GetInt+GetGroup", [&] {
    kor::korINI ini;
    String file = dir + u"settings.ini", section = u"Main", key = u"Size";
    ini.WriteINI(u"Main", u"Size", u"12", file);
    kor::Integer def = 7;
    const kor::Variant v = ini.GetInt(section, key, def, file);
    if (kor::ChangeType<kor::Double>(v) != 12) return "GetInt gave " + Narrow(kor::ChangeType<String>(v));
    // A group: its counts, its key names, and each key's numbered items.
    const char16_t* lines[][2] = {{u"NumberOfKeys", u"2"}, {u"NumberOfItems", u"2"}, {u"Key1", u"Red"},
                                  {u"Key2", u"Blue"},      {u"Red1", u"255"},        {u"Red2", u"0"},
                                  {u"Blue1", u"0"},        {u"Blue2", u"255"}};
    for (const auto& line : lines) ini.WriteINI(u"Colors", line[0], line[1], file);
    String colors = u"Colors";
    kor::Integer keys = 0, items = 0;
    kor::StringArray values;
    ini.GetGroup(file, colors, keys, items, values);
    if (keys != 2 || items != 2)
      return "GetGroup counted " + std::to_string(keys) + " keys, " + std::to_string(items) + " items";
    std::string r = Expect(values(2, 0), u"Blue");
    if (r.empty()) r = Expect(values(2, 2), u"255");
    return r;
  });

  Check("korINI.CodePage", [&] {
    // Text in the ANSI code page: "Grüße" is in every Western one.
    kor::korINI ini;
    String file = dir + u"settings.ini", section = u"Main", key = u"Greeting", def;
    const String greeting = u"Gr\u00fc\u00dfe";
    ini.WriteINI(section, key, greeting, file);
    return Expect(ini.GetIni(section, key, def, file), greeting);
  });

  Check("korParse", [&] {
    kor::korParse p;
    String line = u"alpha;beta;gamma";
    return Expect(p.ParseString(line, u";", 2), u"beta");
  });

  Check("korCSV_IO", [&] { return CsvRoundTrip(dir + u"table.csv", {{u"a", u"b,c"}, {u"1", u"2"}}); });

  Check("korCSV_IO.CodePage", [&] {
    const String file = dir + u"\u00e4pfel.csv";
    std::string r = CsvRoundTrip(file, {{u"M\u00fcller", u"\u00e9t\u00e9"}});
    String name = file;
    if (r.empty() && fm.FileExists(name) != -1) r = "file with a non-ASCII name not found";
    return r;
  });

  Check("RegKey.Missing", [&] {
    kor::RegKey key;
    kor::eRegistryRoots root = kor::HKEY_CURRENT_USER;
    String path = u"Software\\korTools smoke\\no such key";
    try {
      key.RegKeyOpen(root, path);
    } catch (const kor::Error&) {
    }
    if (key.RegErrorCode == kor::ERROR_NONE) return std::string("a missing key opened");
    if (key.RegErrorString().empty()) return "no text for code " + std::to_string(key.RegErrorCode);
    std::printf("# missing key: %d %s\n", static_cast<int>(key.RegErrorCode), Narrow(key.RegErrorString()).c_str());
    return std::string();
  });

  Check("RegKey", [&] {
    kor::RegKey key;
    kor::eRegistryRoots root = kor::HKEY_LOCAL_MACHINE;
    String path = u"Software\\Microsoft\\Windows NT\\CurrentVersion";
    key.RegKeyOpen(root, path);
    if (key.RegErrorCode != kor::ERROR_NONE) return "open: " + Narrow(key.RegErrorString());
    String name = u"ProductName";
    const kor::Variant v = key.RegKeyValue(name);
    const String* product = v.get_if<String>();
    if (product == nullptr || product->empty()) return std::string("ProductName is not a text");
    if (key.RegKeyValuesCount() <= 0) return std::string("no values counted");
    if (key.RegKeySubKeysCount() <= 0) return std::string("no subkeys counted");
    kor::Long first = 0;
    if (key.RegKeySubKey(first).empty())
      return "first subkey has no name (code " + std::to_string(key.RegErrorCode) + ")";
    // The value's own position in the enumeration gives its name and kind.
    const kor::Long count = key.RegKeyValuesCount();
    bool seen = false;
    for (kor::Long i = 0; i < count && !seen; ++i) {
      if (key.RegKeyValueName(i) != name) continue;
      seen = true;
      if (key.RegKeyValueType(i) != kor::rdtString)
        return "ProductName's kind is " + std::to_string(key.RegKeyValueType(i));
    }
    if (!seen) return std::string("ProductName not among the enumerated values");
    std::printf("# ProductName %s\n", Narrow(*product).c_str());
    key.RegKeyClose();
    return std::string();
  });

  // A key of this run's own: each kind of value, and names at the limits.
  const std::string testKey = "Software\\korTools smoke " + std::to_string(smoke::ProcessId());
  const std::string longName(255, 'n');
  const bool haveKey = smoke::MakeTestKey(testKey, longName);
  Report("RegKey.Setup", haveKey, "could not make HKEY_CURRENT_USER\\" + testKey);
  if (haveKey) {
    kor::RegKey key;
    kor::eRegistryRoots root = kor::HKEY_CURRENT_USER;
    String path = Wide(testKey);
    Check("RegKey.Open", [&] {
      key.RegKeyOpen(root, path);
      return key.RegErrorCode == kor::ERROR_NONE ? std::string() : "open: " + Narrow(key.RegErrorString());
    });
    Check("RegKey.String", [&] {
      String name = u"Text";
      const kor::Variant v = key.RegKeyValue(name);
      const String* text = v.get_if<String>();
      if (text == nullptr) return "not a text: " + std::string(kor::TypeName(v.type()));
      return Expect(*text, u"Gr\u00fc\u00dfe");
    });
    Check("RegKey.Long", [&] {
      String number = u"Number", minus = u"Minus";
      const kor::Variant a = key.RegKeyValue(number), b = key.RegKeyValue(minus);
      const kor::Long* x = a.get_if<kor::Long>();
      const kor::Long* y = b.get_if<kor::Long>();
      if (x == nullptr || y == nullptr) return std::string("not a Long");
      if (*x != 0x12345678 || *y != -1) return "got " + std::to_string(*x) + " and " + std::to_string(*y);
      return std::string();
    });
    Check("RegKey.Unsupported", [&] {
      String blob = u"Blob";
      try {
        key.RegKeyValue(blob);
      } catch (const kor::Error&) {
        return key.RegErrorCode == -1 ? std::string() : "code " + std::to_string(key.RegErrorCode);
      }
      return std::string("binary value read");
    });
    Check("RegKey.Enumeration", [&] {
      const kor::Long values = key.RegKeyValuesCount(), subkeys = key.RegKeySubKeysCount();
      if (values != 5 || subkeys != 2)
        return std::to_string(values) + " values and " + std::to_string(subkeys) + " subkeys counted";
      std::string seen;
      for (kor::Long i = 0; i < values; ++i) {
        const String name = key.RegKeyValueName(i);
        const kor::eRegistryDataTypes kind = key.RegKeyValueType(i);
        if (name == Wide(longName)) {
          seen += kind == kor::rdtString ? "L" : "l";
        } else {
          seen += Narrow(name) + "=" + std::to_string(kind) + ";";
        }
      }
      for (kor::Long i = 0; i < subkeys; ++i) {
        const String name = key.RegKeySubKey(i);
        seen += name == Wide(longName) ? "S" : Narrow(name) + ";";
      }
      // The system keeps its own order: compare as a set.
      for (const char* part : {"Text=1;", "Number=4;", "Minus=4;", "Blob=-1;", "L", "First;", "S"})
        if (seen.find(part) == std::string::npos) return "missing " + std::string(part) + " in " + seen;
      return std::string();
    });
    key.RegKeyClose();
    smoke::DeleteTestKey(testKey);
  }

  String temp;
  Check("GetTempFilePathname", [&] {
    String folder = base, prefix = u"kor";
    temp = fm.GetTempFilePathname(&folder, &prefix);
    if (temp.empty()) return std::string("no name");
    if (!Exists(temp)) return "\"" + Narrow(temp) + "\" was not made";
    return std::string();
  });

  Check("FileExists", [&] {
    String wildcard = dir + u"*.csv", none = dir + u"*.none", plain = dir + u"settings.ini";
    if (fm.FileExists(wildcard) != -1) return std::string("*.csv not found");
    if (fm.FileExists(none) != 0) return std::string("*.none found");
    if (fm.FileExists(plain) != -1) return std::string("settings.ini not found");
    return std::string();
  });

  Check("FileDateTime", [&] {
    String file = dir + u"table.csv";
    const kor::Variant v = fm.FileDateTime(file);
    const kor::Date* d = v.get_if<kor::Date>();
    if (d == nullptr) return "not a date: " + std::string(kor::TypeName(v.type()));
    const double now = smoke::LocalNow();
    if (d->value < now - 1.0 / 24 || d->value > now + 1.0 / 24)
      return "date " + std::to_string(d->value) + " is not now (" + std::to_string(now) + ")";
    return std::string();
  });

  const kor::FileActionFlags quiet =
      static_cast<kor::FileActionFlags>(kor::vbFileOpNoConfirm | kor::vbFileOpNoProgress | kor::vbFileOpNoConfirmMkDir);
  Check("FileCopy", [&] {
    String from = dir + u"table.csv", to = dir + u"sub\\copy.csv";
    kor::FileActionFlags flags = quiet;
    if (!fm.FileCopy(from, to, &flags)) return std::string("returned False");
    if (!Exists(to)) return std::string("copy not made");
    if (!Exists(from)) return std::string("source gone");
    return std::string();
  });

  Check("FileCopy.Default", [&] {
    // No flags: the shell's own defaults, to a name not taken (nothing to confirm).
    String from = dir + u"table.csv", to = dir + u"sub\\default.csv";
    if (!fm.FileCopy(from, to)) return std::string("returned False");
    if (!Exists(to)) return std::string("copy not made");
    return std::string();
  });

  Check("FileIsLocked", [&] {
    String file = dir + u"table.csv";
    if (fm.FileIsLocked(file)) return std::string("a closed file counts as locked");
    if (!smoke::HoldOpen(Narrow(file))) return std::string("could not hold the file open");
    const bool locked = static_cast<bool>(fm.FileIsLocked(file));
    smoke::Release();
    if (!locked) return std::string("a file held open exclusively is not locked");
    return std::string();
  });

  Check("FileIsAvailable", [&] {
    String file = dir + u"table.csv";
    kor::Boolean exclusive = true;
    if (!fm.FileIsAvailable(file, exclusive)) return std::string("a closed file is not available");
    return std::string();
  });

  Check("FileRename", [&] {
    String from = dir + u"sub\\copy.csv", to = dir + u"sub\\renamed.csv";
    kor::FileActionFlags flags = quiet;
    if (!fm.FileRename(from, to, &flags)) return std::string("returned False");
    if (!Exists(to) || Exists(from)) return std::string("not renamed");
    return std::string();
  });

  Check("FileMove", [&] {
    String from = dir + u"sub\\renamed.csv", to = dir + u"sub\\deeper\\";
    kor::FileActionFlags flags = quiet;
    if (!fm.FileMove(from, to, &flags)) return std::string("returned False");
    if (!Exists(to + u"renamed.csv") || Exists(from)) return std::string("not moved");
    String back = to + u"renamed.csv", copy = dir + u"sub\\copy.csv";
    if (!fm.FileMove(back, copy, &flags)) return std::string("moving back returned False");
    return std::string();
  });

  Check("FileDateTime.Errors", [&] {
    // A missing file is error 53; a missing folder 53 for the plain form and
    // 76 when the other dates are asked for as well.
    const struct {
      const char16_t* name;
      int plain, withOutput;
    } cases[] = {{u"none.txt", 53, 53}, {u"nofolder\\x.txt", 53, 76}};
    for (const auto& c : cases) {
      String name = dir + c.name;
      kor::Variant created, accessed;
      int got[2] = {0, 0};
      try {
        fm.FileDateTime(name);
      } catch (const kor::Error& e) {
        got[0] = e.Number();
      }
      try {
        fm.FileDateTimeExt(name, &created, &accessed);
      } catch (const kor::Error& e) {
        got[1] = e.Number();
      }
      if (got[0] != c.plain || got[1] != c.withOutput)
        return Narrow(c.name) + ": errors " + std::to_string(got[0]) + " and " + std::to_string(got[1]);
    }
    return std::string();
  });

  Check("FileDateTime.Folder", [&] {
    String folder = dir + u"sub";
    kor::Variant created, accessed;
    const kor::Variant v = fm.FileDateTime(folder, &created, &accessed);
    if (v.get_if<kor::Date>() == nullptr) return "not a date: " + std::string(kor::TypeName(v.type()));
    if (created.get_if<kor::Date>() == nullptr)
      return "creation not a date: " + std::string(kor::TypeName(created.type()));
    return std::string();
  });

  Check("FileDelete", [&] {
    String file = dir + u"sub\\copy.csv";
    kor::FileActionFlags flags = quiet;
    if (!fm.FileDelete(file, &flags)) return std::string("returned False");
    if (Exists(file)) return std::string("file still there");
    return std::string();
  });

  Check("FileDelete.Wildcard", [&] {
    String pattern = dir + u"*.csv";
    kor::FileActionFlags flags = quiet;
    if (!fm.FileDelete(pattern, &flags)) return std::string("returned False");
    if (fm.FileExists(pattern) != 0) return std::string("*.csv still there");
    if (!Exists(dir + u"settings.ini")) return std::string("settings.ini gone too");
    return std::string();
  });

  // Clean up with the shell, quietly; a leftover folder is no failure.
  {
    String all = base;
    kor::FileActionFlags flags = quiet;
    try {
      fm.FileDelete(all, &flags);
    } catch (...) {
    }
  }

  std::printf("SMOKE-END\n");
  std::fflush(stdout);
  return g_failures;
}
