// The runtime's file layer for text files read and written line by line, as
// the runtime's "Line Input #" and "Print #" statements use it.
//
// Names are Windows or POSIX names in the code page (platform/code_page.h)
// and end at their first NUL. Failures raise the runtime's file errors as
// kor::Error: 52 (bad file name), 53 (file not found), 57 (device I/O error),
// 61 (disk full), 67 (too many files), 70 (permission denied), 75 (path/file
// access error), 76 (path not found).
//
//   auto in = kor::platform::GetTextFiles().OpenForInput("Z:\\tmp\\data.csv");
//   while (!in->AtEnd()) Use(in->ReadLine());
//
//   auto out = kor::platform::GetTextFiles().OpenForReplace("Z:\\tmp\\copy.csv");
//   out->Write("a,b\r\n");
//   out->Close();
#pragma once

#include <memory>
#include <string_view>

namespace kor::platform {

class TextInput {
 public:
  virtual ~TextInput() = default;

  // True when no line is left. A line ends at a carriage return or at a
  // carriage return followed by a line feed; a line feed alone is part of the
  // line. The text after the last line end is a line of its own when it is
  // not empty.
  virtual bool AtEnd() = 0;

  // The next line without its end, in the code page; valid until the next
  // call. Call only when AtEnd() is false. A line longer than the longest
  // string (2,147,483,647 characters) raises error 14 "Out of string space".
  virtual std::string_view ReadLine() = 0;
};

class TextOutput {
 public:
  virtual ~TextOutput() = default;

  // Appends bytes (code-page text with its own line ends). Writes are
  // buffered: a write error may show only at a later Write or at Close.
  virtual void Write(std::string_view bytes) = 0;

  // Writes what is buffered and closes the file, raising the error of either.
  // Destroying an output that was not closed writes what is buffered and
  // closes it, ignoring errors.
  virtual void Close() = 0;
};

class TextFiles {
 public:
  virtual ~TextFiles() = default;

  // Opens an existing file for reading. Only a plain file opens: a folder,
  // device or pipe raises error 75.
  virtual std::unique_ptr<TextInput> OpenForInput(std::string_view name) = 0;

  // Creates the file, or empties it when it exists, for writing.
  virtual std::unique_ptr<TextOutput> OpenForOutput(std::string_view name) = 0;

  // Writes a file as a whole, in place of the one of that name: the bytes go
  // to a new file beside it, which takes the old one's place (and its owner
  // and mode; a symbolic link stays a link to the file replaced) only when
  // Close() succeeds. Until then, after a failure, and when the output is
  // destroyed without Close(), the old file is as it was and nothing of the
  // new one is left.
  virtual std::unique_ptr<TextOutput> OpenForReplace(std::string_view name) = 0;
};

// The text-file layer of this platform.
TextFiles& GetTextFiles();

}  // namespace kor::platform
