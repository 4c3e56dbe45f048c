#include "http_response.h"

#include <algorithm>

#include "http_ascii.h"

namespace tolvane {
namespace {

constexpr std::size_t kMaxChunkSizeDigits = 15;

int HexValue(char ch) {
  if (ascii::IsDigit(ch)) return ch - '0';
  const char lower = ascii::Lower(ch);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Calls `take` with each item of a comma-separated header value, blanks around it removed.
template <typename Take>
void ForEachListItem(std::string_view value, Take take) {
  for (;;) {
    const std::size_t comma = value.find(',');
    take(ascii::TrimBlanks(value.substr(0, comma)));
    if (comma == std::string_view::npos) return;
    value.remove_prefix(comma + 1);
  }
}

bool ListsClose(std::string_view value) {
  bool close = false;
  ForEachListItem(value, [&close](std::string_view item) {
    close = close || ascii::EqualsNoCase(item, "close");
  });
  return close;
}

}  // namespace

ResponseParser::State ResponseParser::state() const {
  switch (phase_) {
    case Phase::kStatusLine:
    case Phase::kHeaderLine:
      return State::kHead;
    case Phase::kComplete:
      return State::kComplete;
    case Phase::kBroken:
      return State::kBroken;
    default:
      return State::kBody;
  }
}

ResponseParser::Step ResponseParser::Feed(std::string_view data) {
  std::size_t pos = 0;
  while (pos < data.size()) {
    switch (phase_) {
      case Phase::kFixedBody:
      case Phase::kChunkData: {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, data.size() - pos));
        remaining_ -= count;
        if (remaining_ == 0) {
          phase_ = phase_ == Phase::kFixedBody ? Phase::kComplete : Phase::kChunkEnd;
        }
        return {pos + count, data.substr(pos, count)};
      }
      case Phase::kUntilClose:
        return {data.size(), data.substr(pos)};
      case Phase::kComplete:
      case Phase::kBroken:
        return {pos, {}};
      default: {
        const bool was_in_head = InHead();
        if (!TakeLine(data, pos)) break;
        OnLine();
        if (was_in_head && !InHead()) return {pos, {}};
      }
    }
  }
  return {pos, {}};
}

void ResponseParser::End() {
  if (phase_ == Phase::kUntilClose) {
    phase_ = Phase::kComplete;
  } else if (phase_ != Phase::kComplete) {
    phase_ = Phase::kBroken;
  }
}

// Collects one line into line_ (without its CR LF or LF); false while the line is still open.
bool ResponseParser::TakeLine(std::string_view data, std::size_t& pos) {
  const bool chunk_line = phase_ == Phase::kChunkSize || phase_ == Phase::kChunkEnd;
  const std::size_t limit = chunk_line ? kMaxChunkLineBytes : kMaxLineBytes;
  const std::size_t newline = data.find('\n', pos);
  const std::size_t end = newline == std::string_view::npos ? data.size() : newline + 1;
  const std::size_t taken = end - pos;
  if (!chunk_line) head_bytes_ += taken;
  if (line_.size() + taken > limit || head_bytes_ > kMaxHeadBytes) {
    phase_ = Phase::kBroken;
    pos = end;
    return false;
  }
  line_.append(data.substr(pos, taken));
  pos = end;
  if (newline == std::string_view::npos) return false;
  line_.pop_back();
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  return true;
}

void ResponseParser::OnLine() {
  switch (phase_) {
    case Phase::kStatusLine:
      OnStatusLine();
      break;
    case Phase::kHeaderLine:
      OnHeaderLine();
      break;
    case Phase::kChunkSize:
      OnChunkSizeLine();
      break;
    case Phase::kChunkEnd:
      phase_ = line_.empty() ? Phase::kChunkSize : Phase::kBroken;
      break;
    case Phase::kTrailer:
      if (line_.empty()) phase_ = Phase::kComplete;
      break;
    default:
      break;
  }
  line_.clear();
}

// "HTTP/" version, a space, three digits, then the end or a space and the reason.
void ResponseParser::OnStatusLine() {
  const std::string_view line = line_;
  const std::size_t space = line.find(' ');
  const bool well_formed =
      line.rfind("HTTP/", 0) == 0 && space != std::string_view::npos && space > 5 &&
      line.size() >= space + 4 &&
      std::all_of(line.begin() + space + 1, line.begin() + space + 4, ascii::IsDigit) &&
      (line.size() == space + 4 || line[space + 4] == ' ');
  if (!well_formed) {
    phase_ = Phase::kBroken;
    return;
  }
  head_.status = std::stoi(std::string(line.substr(space + 1, 3)));
  phase_ = Phase::kHeaderLine;
}

// A line that begins with a blank continues the header before it (obsolete line folding).
void ResponseParser::OnHeaderLine() {
  if (!line_.empty() && ascii::IsBlank(line_.front())) {
    if (pending_header_.empty()) {
      phase_ = Phase::kBroken;
      return;
    }
    pending_header_.append(" ").append(ascii::TrimBlanks(line_));
    return;
  }
  if (!pending_header_.empty()) OnHeader(pending_header_);
  pending_header_ = line_;
  if (phase_ == Phase::kHeaderLine && line_.empty()) OnHeadEnd();
}

void ResponseParser::OnHeader(std::string_view line) {
  const std::size_t colon = line.find(':');
  const std::string_view name = line.substr(0, colon);
  if (colon == std::string_view::npos || name.empty() ||
      name.find_first_of(" \t") != std::string_view::npos) {
    phase_ = Phase::kBroken;
    return;
  }
  const std::string_view value = ascii::TrimBlanks(line.substr(colon + 1));
  if (ascii::EqualsNoCase(name, "Location")) {
    head_.has_location = true;
  } else if (ascii::EqualsNoCase(name, "Connection")) {
    head_.connection_close = head_.connection_close || ListsClose(value);
  } else if (ascii::EqualsNoCase(name, "Transfer-Encoding")) {
    head_.chunked = head_.chunked || ascii::ContainsNoCase(value, "chunked");
  } else if (ascii::EqualsNoCase(name, "Content-Length")) {
    OnContentLength(value);
  } else if (ascii::EqualsNoCase(name, "Content-Type")) {
    head_.content_type = value;
  } else if (ascii::EqualsNoCase(name, "Set-Cookie") || ascii::EqualsNoCase(name, "Set-Cookie2")) {
    head_.set_cookies.emplace_back(value);
  }
}

// A value that is not a number, such as "-1" or "12a", counts as no length at all: the body then
// runs to the close. What stays broken is what would leave the body's end in doubt: two different
// lengths (in two headers or in one list) and a length beyond what any answer may announce.
void ResponseParser::OnContentLength(std::string_view value) {
  ForEachListItem(value, [this](std::string_view item) {
    if (item.empty() || !std::all_of(item.begin(), item.end(), ascii::IsDigit)) return;
    std::uint64_t length = 0;
    for (char digit : item) {
      length = length * 10 + static_cast<std::uint64_t>(digit - '0');
      if (length > kMaxContentLength) {
        phase_ = Phase::kBroken;
        return;
      }
    }
    if (head_.content_length && *head_.content_length != length) {
      phase_ = Phase::kBroken;
      return;
    }
    head_.content_length = length;
  });
}

void ResponseParser::OnHeadEnd() {
  pending_header_.clear();
  if (head_.status == 100) {
    head_ = ResponseHead();
    phase_ = Phase::kStatusLine;
    return;
  }
  const bool never_has_body = head_.status < 200 || head_.status == 204 || head_.status == 304;
  if (never_has_body) {
    framing_ = BodyFraming::kEmpty;
  } else if (head_.chunked) {
    framing_ = BodyFraming::kChunked;
  } else if (head_.content_length) {
    framing_ = *head_.content_length > 0 ? BodyFraming::kLength : BodyFraming::kEmpty;
  } else {
    framing_ = BodyFraming::kUntilClose;
  }
  remaining_ = head_.content_length.value_or(0);
  switch (framing_) {
    case BodyFraming::kEmpty:
      phase_ = Phase::kComplete;
      break;
    case BodyFraming::kLength:
      phase_ = Phase::kFixedBody;
      break;
    case BodyFraming::kChunked:
      phase_ = Phase::kChunkSize;
      break;
    case BodyFraming::kUntilClose:
      phase_ = Phase::kUntilClose;
      break;
  }
}

// Hex digits, optional blanks, then the end or ";" and extensions, which are ignored.
void ResponseParser::OnChunkSizeLine() {
  const std::string_view line = line_;
  std::uint64_t size = 0;
  std::size_t digits = 0;
  while (digits < line.size() && HexValue(line[digits]) >= 0) {
    if (digits == kMaxChunkSizeDigits) {
      phase_ = Phase::kBroken;
      return;
    }
    size = size * 16 + static_cast<std::uint64_t>(HexValue(line[digits]));
    ++digits;
  }
  const std::string_view rest = ascii::TrimBlanks(line.substr(digits));
  if (digits == 0 || (!rest.empty() && rest.front() != ';')) {
    phase_ = Phase::kBroken;
    return;
  }
  remaining_ = size;
  phase_ = size == 0 ? Phase::kTrailer : Phase::kChunkData;
}

}  // namespace tolvane
