// How the HTTP component's streaming search compares with reading the whole body first: a large
// chunked answer, the marker in its last chunk, fed in pieces the size of the component's reads.
// Prints time and peak heap of each and their ratio (streaming / buffering); asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "body_scan.h"
#include "http_response.h"

namespace {

// Heap bytes in use and their peak, counted by the global operator new below.
std::size_t g_in_use = 0;
std::size_t g_peak = 0;

constexpr std::size_t kChunkBytes = 8192;
constexpr std::size_t kChunks = 8192;  // 64 MiB of body
constexpr std::size_t kReadBytes = 16 * 1024;
constexpr char kMarker[] = "Tolvane Flash Chat";

// The answer's bytes, made as they are read, so the input itself takes no heap.
class ChunkedAnswer {
 public:
  // Fills `buffer` with the next bytes; 0 at the end.
  std::size_t Read(char* buffer, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size && Refill()) {
      const std::size_t count = std::min(size - filled, pending_.size() - offset_);
      pending_.copy(buffer + filled, count, offset_);
      offset_ += count;
      filled += count;
    }
    return filled;
  }

 private:
  bool Refill() {
    if (offset_ < pending_.size()) return true;
    pending_.clear();
    offset_ = 0;
    if (part_ == 0) {
      pending_ = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n";
    } else if (part_ <= kChunks) {
      std::string data(kChunkBytes, 'x');
      if (part_ == kChunks) data.replace(kChunkBytes - 20, sizeof kMarker - 1, kMarker);
      pending_ = "2000\r\n" + data + "\r\n";
    } else if (part_ == kChunks + 1) {
      pending_ = "0\r\n\r\n";
    }
    ++part_;
    return !pending_.empty();
  }

  std::size_t part_ = 0;
  std::string pending_;
  std::size_t offset_ = 0;
};

struct Run {
  bool found;
  double seconds;
  std::size_t peak_bytes;
};

// Feeds the answer through the parser; `take_body` gets each piece of body.
template <typename TakeBody>
void ParseAnswer(TakeBody take_body) {
  ChunkedAnswer answer;
  tolvane::ResponseParser parser;
  static char buffer[kReadBytes];
  for (std::size_t size; (size = answer.Read(buffer, sizeof buffer)) > 0;) {
    std::string_view data(buffer, size);
    while (!data.empty()) {
      const auto step = parser.Feed(data);
      take_body(step.body);
      data.remove_prefix(step.consumed);
    }
  }
}

template <typename Scan>
Run Measure(Scan scan) {
  g_peak = g_in_use;
  const std::size_t base = g_in_use;
  const auto start = std::chrono::steady_clock::now();
  const bool found = scan();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return {found, elapsed.count(), g_peak - base};
}

bool StreamingScan() {
  tolvane::MarkerScanner scanner(kMarker);
  ParseAnswer([&](std::string_view body) { scanner.Feed(body); });
  return scanner.found();
}

bool BufferingScan() {
  std::string body;
  ParseAnswer([&](std::string_view piece) { body.append(piece); });
  return body.find(kMarker) != std::string::npos;
}

}  // namespace

void* operator new(std::size_t size) {
  auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (block == nullptr) throw std::bad_alloc();
  *block = size;
  g_in_use += size;
  g_peak = std::max(g_peak, g_in_use);
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}

void operator delete(void* pointer) noexcept {
  if (pointer == nullptr) return;
  auto* block =
      reinterpret_cast<std::size_t*>(static_cast<char*>(pointer) - sizeof(std::max_align_t));
  g_in_use -= *block;
  std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }

int main() {
  const Run baseline = Measure(BufferingScan);
  const Run streaming = Measure(StreamingScan);
  std::printf("body: %zu MiB in %zu-byte chunks, read %zu bytes at a time\n",
              kChunks * kChunkBytes >> 20, kChunkBytes, kReadBytes);
  std::printf("buffering (baseline): found %d, %.3f s, peak heap %zu bytes\n", baseline.found,
              baseline.seconds, baseline.peak_bytes);
  std::printf("streaming:            found %d, %.3f s, peak heap %zu bytes\n", streaming.found,
              streaming.seconds, streaming.peak_bytes);
  std::printf("ratio streaming/buffering: time %.2f, peak heap %.6f\n",
              streaming.seconds / baseline.seconds,
              static_cast<double>(streaming.peak_bytes) / static_cast<double>(baseline.peak_bytes));
  return baseline.found && streaming.found ? 0 : 1;
}
