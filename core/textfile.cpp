#include "textfile.h"

#include "codepage.h"

namespace tolvane {
namespace {

constexpr std::size_t kChunkSize = 4096;
constexpr int kEndOfText = 0x1A;

}  // namespace

TextReader::TextReader(FileSystem& file_system, const std::wstring& path)
    : file_(file_system.OpenRead(path)), buffer_(kChunkSize) {}

int TextReader::Peek() {
  for (;;) {
    if (position_ == filled_) {
      filled_ = file_->Read(buffer_.data(), buffer_.size());
      position_ = 0;
      if (filled_ == 0) return -1;
    }
    const auto byte = static_cast<unsigned char>(buffer_[position_]);
    if (byte != '\r') return byte;
    ++position_;
  }
}

std::wstring TextReader::ReadLine() {
  std::string line;
  for (int byte = Peek(); byte != -1 && byte != kEndOfText; byte = Peek()) {
    ++position_;
    if (byte == '\n') break;
    line.push_back(static_cast<char>(byte));
  }
  return AnsiToWide(line);
}

bool TextReader::AtEnd() {
  const int byte = Peek();
  return byte == -1 || byte == kEndOfText;
}

TextWriter::TextWriter(FileSystem& file_system, const std::wstring& path)
    : file_(file_system.Create(path)) {}

void TextWriter::WriteLine(const std::wstring& text) {
  const std::string bytes = WideToAnsi(text) + "\r\n";
  file_->Write(bytes.data(), bytes.size());
}

void TextWriter::Commit() { file_->Commit(); }

}  // namespace tolvane
