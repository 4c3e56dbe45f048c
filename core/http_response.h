// An incremental parser of one HTTP/1.1 answer. It takes the bytes as they arrive, in pieces of
// any size, and hands back the body's bytes as views into those pieces: the body is never held.
// Every line it must hold (status line, header lines, chunk-size lines, trailers) has a hard
// limit, so no answer can make it grow without bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

struct ResponseHead {
  int status = 0;
  bool has_location = false;
  bool connection_close = false;  // Connection lists "close" (any case, blanks around ignored)
  bool chunked = false;           // Transfer-Encoding contains "chunked" (any case)
  std::optional<std::uint64_t> content_length;
  std::string content_type;
  std::vector<std::string> set_cookies;  // values of Set-Cookie and Set-Cookie2, in order
};

// How the body's end is found.
enum class BodyFraming { kEmpty, kLength, kChunked, kUntilClose };

class ResponseParser {
 public:
  enum class State { kHead, kBody, kComplete, kBroken };

  struct Step {
    std::size_t consumed;   // bytes of the input taken
    std::string_view body;  // the body bytes among them, a view into the input
  };

  // Status line and header lines of the answer together, interim answers and trailers included.
  static constexpr std::size_t kMaxHeadBytes = 64 * 1024;
  static constexpr std::size_t kMaxLineBytes = 8 * 1024;
  static constexpr std::size_t kMaxChunkLineBytes = 1024;
  // The largest Content-Length taken; a larger one breaks the answer.
  static constexpr std::uint64_t kMaxContentLength = 1'000'000'000'000'000'000;

  // Parses from the start of `data`. A step ends at the end of the final head, so the caller can
  // judge the head before any body byte, and after each piece of body; call again with what was
  // not consumed. Once complete, nothing more is consumed: bytes left over belong to no answer.
  // An interim "100 Continue" answer is skipped.
  Step Feed(std::string_view data);

  // The peer closed the connection in order: that completes a body read up to the close and
  // breaks anything else.
  void End();

  State state() const;
  const ResponseHead& head() const { return head_; }
  BodyFraming framing() const { return framing_; }

 private:
  enum class Phase {
    kStatusLine,
    kHeaderLine,
    kFixedBody,
    kChunkSize,
    kChunkData,
    kChunkEnd,
    kTrailer,
    kUntilClose,
    kComplete,
    kBroken,
  };

  bool InHead() const { return phase_ == Phase::kStatusLine || phase_ == Phase::kHeaderLine; }
  bool TakeLine(std::string_view data, std::size_t& pos);
  void OnLine();
  void OnStatusLine();
  void OnHeaderLine();
  void OnHeader(std::string_view line);
  void OnContentLength(std::string_view value);
  void OnHeadEnd();
  void OnChunkSizeLine();

  Phase phase_ = Phase::kStatusLine;
  ResponseHead head_;
  BodyFraming framing_ = BodyFraming::kEmpty;
  std::string line_;
  std::string pending_header_;  // held until the next line shows it is not continued
  std::size_t head_bytes_ = 0;
  std::uint64_t remaining_ = 0;
};

}  // namespace tolvane
