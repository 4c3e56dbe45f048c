#include "http_response.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane {
namespace {

using State = ResponseParser::State;

struct Parsed {
  State state;
  ResponseHead head;
  BodyFraming framing;
  std::string body;
  std::size_t leftover = 0;  // bytes fed after the answer was complete
};

// Feeds `answer` in pieces of `piece` bytes, as a connection would deliver it, then reports the
// peer's close when `then_close` is set.
Parsed Parse(std::string_view answer, std::size_t piece, bool then_close = false) {
  ResponseParser parser;
  Parsed parsed{};
  while (!answer.empty()) {
    std::string_view data = answer.substr(0, piece);
    answer.remove_prefix(data.size());
    while (!data.empty() && parser.state() != State::kBroken) {
      const auto step = parser.Feed(data);
      parsed.body.append(step.body);
      data.remove_prefix(step.consumed);
      if (parser.state() == State::kComplete) break;
    }
    parsed.leftover += data.size();
  }
  if (then_close) parser.End();
  parsed.state = parser.state();
  parsed.head = parser.head();
  parsed.framing = parser.framing();
  return parsed;
}

// The same answer must parse the same whichever way the network splits it.
void ExpectSameInEveryPiecing(std::string_view answer, State state, const std::string& body,
                              bool then_close = false) {
  for (std::size_t piece = 1; piece <= answer.size(); ++piece) {
    SCOPED_TRACE("pieces of " + std::to_string(piece));
    const Parsed parsed = Parse(answer, piece, then_close);
    ASSERT_EQ(parsed.state, state);
    ASSERT_EQ(parsed.body, body);
  }
}

TEST(HttpResponse, SkipsContinueBeforeTheFinalAnswer) {
  const std::string answer =
      "HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n"
      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  ExpectSameInEveryPiecing(answer, State::kComplete, "ok");
  const Parsed parsed = Parse(answer, answer.size());
  EXPECT_EQ(parsed.head.status, 200);
  EXPECT_TRUE(parsed.head.set_cookies.empty());
}

TEST(HttpResponse, LengthAndChunkedBodiesInAnyPieces) {
  ExpectSameInEveryPiecing("HTTP/1.1 200 OK\r\nContent-Length: 18\r\n\r\nTolvane Flash Chat",
                           State::kComplete, "Tolvane Flash Chat");
  ExpectSameInEveryPiecing(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
      "8;name=value\r\nTolvane \r\n"
      "A ; ext\t\r\nFlash Chat\r\n"
      "0\r\nX-Checksum: 1\r\nX-Other: 2\r\n\r\n",
      State::kComplete, "Tolvane Flash Chat");
}

TEST(HttpResponse, ChunkedIsRecognisedInsideAList) {
  const Parsed parsed = Parse(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: identity, CHUNKED\r\nContent-Length: 99\r\n\r\n"
      "1\r\nx\r\n0\r\n\r\n",
      1000);
  EXPECT_EQ(parsed.framing, BodyFraming::kChunked);
  EXPECT_EQ(parsed.state, State::kComplete);
  EXPECT_EQ(parsed.body, "x");
}

// Cut short by the close, whatever the framing; bad chunk framing; malformed heads.
TEST(HttpResponse, BrokenAnswers) {
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (const std::string& answer :
       std::vector<std::string>{chunked + "10\r\nonly part",
                                chunked + "4\r\nfull\r\n",
                                chunked + "4\r\nfull\r\n0\r\n",
                                "HTTP/1.1 200 OK\r\nContent-Length: 30\r\n\r\nabc",
                                "",
                                "HTTP/1.1 200 OK\r\nContent-",
                                chunked + "zz\r\n",
                                chunked + ";ext\r\n",
                                chunked + "4 x\r\nabcd\r\n",
                                chunked + "-4\r\n",
                                chunked + "1000000000000000\r\n",
                                chunked + "4\r\nabcdXY0\r\n\r\n",
                                chunked + "4;" + std::string(2000, 'e') + "\r\n",
                                "HTTP/1.1 2000 OK\r\n\r\n",
                                "HTTP/1.1 20 OK\r\n\r\n",
                                "ICY 200 OK\r\n\r\n",
                                "HTTP/ 200 OK\r\n\r\n",
                                "\r\nHTTP/1.1 200 OK\r\n\r\n",
                                "HTTP/1.1 200 OK\r\nNo colon\r\n\r\n",
                                "HTTP/1.1 200 OK\r\nBad name : x\r\n\r\n",
                                "HTTP/1.1 200 OK\r\n folded: x\r\n\r\n",
                                "HTTP/1.1 200 OK\r\n: empty name\r\n\r\n"}) {
    SCOPED_TRACE(answer.substr(0, 60));
    EXPECT_EQ(Parse(answer, 7, true).state, State::kBroken);
  }
  EXPECT_EQ(Parse("HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", 1000).state, State::kComplete);
}

TEST(HttpResponse, HeadOverItsLimitsIsBroken) {
  const std::string long_line = "X-Big: " + std::string(ResponseParser::kMaxLineBytes, 'a');
  EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\n" + long_line + "\r\n\r\n", 4096).state, State::kBroken);
  // A line that never ends is refused before its end arrives.
  EXPECT_EQ(Parse("HTTP/1.1 200 OK" + std::string(20000, ' '), 4096).state, State::kBroken);

  std::string many_lines = "HTTP/1.1 200 OK\r\n";
  while (many_lines.size() <= ResponseParser::kMaxHeadBytes) {
    many_lines += "X-Line: " + std::string(1000, 'b') + "\r\n";
  }
  EXPECT_EQ(Parse(many_lines + "\r\n", 4096).state, State::kBroken);

  std::string endless_continues;
  while (endless_continues.size() <= ResponseParser::kMaxHeadBytes) {
    endless_continues += "HTTP/1.1 100 Continue\r\n\r\n";
  }
  EXPECT_EQ(Parse(endless_continues, 4096).state, State::kBroken);
}

TEST(HttpResponse, ContentLengthShorterThanTheDataEndsTheBody) {
  const Parsed parsed = Parse("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef", 4);
  EXPECT_EQ(parsed.state, State::kComplete);
  EXPECT_EQ(parsed.body, "abc");
  EXPECT_EQ(parsed.leftover, 3u);
}

TEST(HttpResponse, WithoutLengthTheBodyRunsToTheClose) {
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<p>Tolvane</p>";
  EXPECT_EQ(Parse(answer, 5).state, State::kBody);
  ExpectSameInEveryPiecing(answer, State::kComplete, "<p>Tolvane</p>", true);
  EXPECT_EQ(Parse(answer, 5, true).framing, BodyFraming::kUntilClose);
}

TEST(HttpResponse, EmptyBodies) {
  for (const char* answer :
       {"HTTP/1.1 204 No Content\r\nContent-Length: 10\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 304 Not Modified\r\n\r\n"}) {
    SCOPED_TRACE(answer);
    const Parsed parsed = Parse(answer, 1000);
    EXPECT_EQ(parsed.state, State::kComplete);
    EXPECT_EQ(parsed.framing, BodyFraming::kEmpty);
    EXPECT_EQ(parsed.leftover, 0u);
  }
}

// A length that is no number counts as none: the body runs to the close. Lengths that leave the
// body's end in doubt break the answer.
TEST(HttpResponse, ContentLengthValues) {
  const struct {
    const char* headers;
    State state;
    BodyFraming framing;
    const char* body;
  } cases[] = {
      {"Content-Length: 12a\r\n", State::kComplete, BodyFraming::kUntilClose, "abc"},
      {"Content-Length: -1\r\n", State::kComplete, BodyFraming::kUntilClose, "abc"},
      {"Content-Length:\r\n", State::kComplete, BodyFraming::kUntilClose, "abc"},
      {"Content-Length: x\r\nContent-Length: 2\r\n", State::kComplete, BodyFraming::kLength, "ab"},
      {"Content-Length: 0\r\n", State::kComplete, BodyFraming::kEmpty, ""},
      {"Content-Length: 003\r\n", State::kComplete, BodyFraming::kLength, "abc"},
      {"Content-Length: 3\r\ncontent-length:  3 \r\n", State::kComplete, BodyFraming::kLength,
       "abc"},
      {"Content-Length: 3, 3\r\n", State::kComplete, BodyFraming::kLength, "abc"},
      {"Content-Length: 3\r\nContent-Length: 4\r\n", State::kBroken, BodyFraming::kEmpty, ""},
      {"Content-Length: 3, 4\r\n", State::kBroken, BodyFraming::kEmpty, ""},
      {"Content-Length: 1000000000000000001\r\n", State::kBroken, BodyFraming::kEmpty, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    const Parsed parsed =
        Parse(std::string("HTTP/1.1 200 OK\r\n") + c.headers + "\r\nabc", 1000, true);
    EXPECT_EQ(parsed.state, c.state);
    EXPECT_EQ(parsed.framing, c.framing);
    EXPECT_EQ(parsed.body, c.body);
  }
}

TEST(HttpResponse, ConnectionCloseInAnyCaseAndBlanks) {
  const auto closes = [](const std::string& header) {
    return Parse("HTTP/1.1 200 OK\r\n" + header + "\r\nContent-Length: 0\r\n\r\n", 1000)
        .head.connection_close;
  };
  EXPECT_TRUE(closes("Connection: close"));
  EXPECT_TRUE(closes("connection:   CLOSE \t"));
  EXPECT_TRUE(closes("CONNECTION:\tClose"));
  EXPECT_TRUE(closes("Connection: Keep-Alive , cLoSe"));
  EXPECT_TRUE(closes("Connection: keep-alive,\r\n close"));
  EXPECT_FALSE(closes("Connection: keep-alive"));
  EXPECT_FALSE(closes("Connection: closed"));
  EXPECT_FALSE(closes("X-Connection: close"));
}

TEST(HttpResponse, CollectsLocationTypeAndCookies) {
  const Parsed parsed = Parse(
      "HTTP/1.0 302 Found\nlocation: /elsewhere\nContent-Type: text/html; charset=UTF-8\n"
      "Set-Cookie: a=1; Path=/\nSET-COOKIE2: b=2\nSet-Cookie: c=3\nContent-Length: 0\n\n",
      1000);
  EXPECT_EQ(parsed.state, State::kComplete);
  EXPECT_EQ(parsed.head.status, 302);
  EXPECT_TRUE(parsed.head.has_location);
  EXPECT_EQ(parsed.head.content_type, "text/html; charset=UTF-8");
  EXPECT_EQ(parsed.head.set_cookies, (std::vector<std::string>{"a=1; Path=/", "b=2", "c=3"}));
}

TEST(HttpResponse, AStepEndsWithTheHead) {
  ResponseParser parser;
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody";
  const auto step = parser.Feed(answer);
  EXPECT_EQ(step.consumed, answer.size() - 4);
  EXPECT_TRUE(step.body.empty());
  EXPECT_EQ(parser.state(), State::kBody);
}

}  // namespace
}  // namespace tolvane
