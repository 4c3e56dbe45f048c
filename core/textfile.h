// Line-oriented text files in the ANSI code page: the settings file and the Java test report.
// Every failure of the underlying file throws IoError; the callers swallow it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "files.h"

namespace tolvane {

// Reads a text file line by line, a chunk at a time. A line ends at LF or CR LF; a CR that is not
// followed by LF is dropped wherever it stands; the end of the file ends the last line. A 0x1A byte
// (Ctrl-Z) marks the end of the text: it ends its line and nothing after it is read. No byte-order
// mark is recognised.
class TextReader {
 public:
  // Opens an existing file, sharing it for reading only.
  TextReader(FileSystem& file_system, const std::wstring& path);

  // The next line without its line end; the empty text when nothing remains.
  std::wstring ReadLine();

  // True when nothing remains to be read, or when the next line begins with 0x1A.
  bool AtEnd();

 private:
  // The next byte that counts (CRs skipped), without taking it; -1 at the end of the file.
  int Peek();

  std::unique_ptr<InputFile> file_;
  std::vector<char> buffer_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
};

// Writes a text file line by line: the text in the ANSI code page, then CR LF.
class TextWriter {
 public:
  // Creates the file or empties an existing one.
  TextWriter(FileSystem& file_system, const std::wstring& path);

  void WriteLine(const std::wstring& text);

  // Flushes the file to the disk and closes it; a writer destroyed without it just closes.
  void Commit();

 private:
  std::unique_ptr<OutputFile> file_;
};

}  // namespace tolvane
