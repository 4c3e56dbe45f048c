#include "http_client.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace tolvane {
namespace {

using std::chrono::milliseconds;

constexpr wchar_t kUrl[] = L"http://127.0.0.1:85/index.php";
constexpr wchar_t kMarker[] = L"Tolvane Flash Chat";
constexpr char kRequest[] =
    "GET /index.php HTTP/1.1\r\n"
    "Host: 127.0.0.1:85\r\n"
    "Accept: text/html, */*\r\n"
    "Accept-Encoding: identity\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
    "\r\n";
constexpr char kPage[] =
    "HTTP/1.1 200 OK\r\nContent-Length: 33\r\n\r\n<title>Tolvane Flash Chat</title>";

// The request with a Cookie header: its last header line, before the empty line.
std::string RequestWithCookie(const std::string& cookies) {
  const std::string request = kRequest;
  return request.substr(0, request.size() - 2) + "Cookie: " + cookies + "\r\n\r\n";
}

// What a scripted server sends after a request, one receive at a time.
struct Event {
  enum Kind { kBytes, kClose, kReset } kind;
  std::string bytes;
};
Event Bytes(std::string bytes) { return {Event::kBytes, std::move(bytes)}; }
const Event kCloses{Event::kClose, {}};
const Event kResets{Event::kReset, {}};

// One connection the scripted server accepts: one answer per request, in order. Events left over
// from an answer are what the server sent unasked (a close, stray bytes): the client sees them
// when it checks the idle connection. With nothing left to send the server stalls.
struct Script {
  std::deque<std::vector<Event>> answers;
  std::deque<Event> incoming;
  std::string received;
  std::vector<milliseconds> waits;  // time-outs the client gave its sends and receives
};

class ScriptedConnection : public Connection {
 public:
  explicit ScriptedConnection(std::shared_ptr<Script> script) : script_(std::move(script)) {}

  bool SendAll(std::string_view bytes, milliseconds timeout) override {
    script_->waits.push_back(timeout);
    script_->received.append(bytes);
    if (!script_->answers.empty()) {
      for (Event& event : script_->answers.front()) script_->incoming.push_back(std::move(event));
      script_->answers.pop_front();
    }
    return true;
  }

  Received Receive(char* buffer, std::size_t capacity, milliseconds timeout) override {
    script_->waits.push_back(timeout);
    if (script_->incoming.empty()) return {SocketStatus::kTimedOut, 0};
    Event& next = script_->incoming.front();
    if (next.kind != Event::kBytes) {
      // A close stays: every later receive sees it too.
      return {next.kind == Event::kClose ? SocketStatus::kClosed : SocketStatus::kFailed, 0};
    }
    const std::size_t size = std::min(capacity, next.bytes.size());
    next.bytes.copy(buffer, size);
    next.bytes.erase(0, size);
    if (next.bytes.empty()) script_->incoming.pop_front();
    return {SocketStatus::kOk, size};
  }

  bool PeerClosed() override { return !script_->incoming.empty(); }

 private:
  std::shared_ptr<Script> script_;
};

class ScriptedConnector : public Connector {
 public:
  // The next connection accepted answers each request with the next of `answers`.
  std::shared_ptr<Script> Accept(std::vector<std::vector<Event>> answers) {
    auto script = std::make_shared<Script>();
    script->answers.assign(answers.begin(), answers.end());
    accepted_.push_back(script);
    return script;
  }

  std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port,
                                      milliseconds timeout) override {
    connects.push_back(host + ":" + std::to_string(port));
    connect_timeouts.push_back(timeout);
    if (accepted_.empty()) return nullptr;
    auto connection = std::make_unique<ScriptedConnection>(accepted_.front());
    accepted_.pop_front();
    return connection;
  }

  std::vector<std::string> connects;
  std::vector<milliseconds> connect_timeouts;

 private:
  std::deque<std::shared_ptr<Script>> accepted_;
};

class HttpClientTest : public ::testing::Test {
 protected:
  FetchResult Get(const wchar_t* url = kUrl) { return client_.Get(url, kMarker); }

  ScriptedConnector server_;
  std::int64_t now_ = 1'700'000'000;
  HttpClient client_{server_, [this] { return now_; }};
};

::testing::AssertionResult FoundPage(const FetchResult& result) {
  if (result.fetched && result.marker_found) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "fetched " << result.fetched << ", marker " << result.marker_found;
}

::testing::AssertionResult Failed(const FetchResult& result) {
  if (!result.fetched && !result.marker_found) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the fetch counted";
}

// Fetches from a server whose first answer is `first` and which would answer again on the same
// connection, never closing it; then fetches the page. Gives the connections the two took.
std::size_t ConnectionsAfter(const std::vector<Event>& first, bool found) {
  ScriptedConnector server;
  HttpClient client(server, [] { return 0; });
  server.Accept({first, {Bytes(kPage)}});
  server.Accept({{Bytes(kPage)}});
  const FetchResult result = client.Get(kUrl, kMarker);
  EXPECT_TRUE(found ? FoundPage(result) : Failed(result));
  EXPECT_TRUE(FoundPage(client.Get(kUrl, kMarker)));
  return server.connects.size();
}

TEST_F(HttpClientTest, SendsTheExactRequestsOverOneConnection) {
  const auto script = server_.Accept({{Bytes(kPage)}, {Bytes(kPage)}, {Bytes(kPage)}});
  EXPECT_TRUE(FoundPage(Get()));
  EXPECT_TRUE(FoundPage(Get()));
  EXPECT_TRUE(FoundPage(Get()));
  EXPECT_EQ(server_.connects, std::vector<std::string>{"127.0.0.1:85"});
  EXPECT_EQ(script->received, std::string(kRequest) + kRequest + kRequest);
}

// A page found, after which the connection is not used again: the server said so, closed it,
// sent more than the answer, or ended the body by closing.
TEST(HttpClient, PagesThatEndTheirConnection) {
  const std::vector<std::vector<Event>> answers = {
      {Bytes("HTTP/1.1 200 OK\r\nconnection:  CLOSE\t\r\nContent-Length: 18\r\n\r\n"
             "Tolvane Flash Chat")},
      {Bytes(kPage), kCloses},
      {Bytes(kPage), Bytes("HTTP/1.1 200 OK\r\n")},         // stray bytes after the answer
      {Bytes(std::string(kPage) + "HTTP/1.1 200 OK\r\n")},  // ... or with it
      {Bytes("HTTP/1.0 200 OK\r\n\r\nTolvane "), Bytes("Flash Chat"), kCloses},
      // A length that is no number counts as none.
      {Bytes("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nTolvane Flash Chat"), kCloses},
  };
  for (std::size_t i = 0; i < answers.size(); ++i) {
    SCOPED_TRACE("answer " + std::to_string(i));
    EXPECT_EQ(ConnectionsAfter(answers[i], true), 2u);
  }
}

TEST_F(HttpClientTest, FindsTheMarkerSplitAcrossReadsAndChunksAfterAContinue) {
  server_.Accept({{Bytes("HTTP/1.1 200 OK\r\nContent-Length: 18\r\n\r\nTolv"), Bytes("ane Fl"),
                   Bytes("ash Chat")},
                  {Bytes("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                         "5\r\nTolva\r\n"
                         "3;x=y\r\nne \r\n"),
                   Bytes("A\r\nFlash Chat\r\n0\r\n\r\n")},
                  {Bytes("HTTP/1.1 100 Continue\r\n\r\n"), Bytes(kPage)}});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(FoundPage(Get()));
  EXPECT_EQ(server_.connects.size(), 1u);
}

TEST_F(HttpClientTest, PageWithoutTheMarkerIsFetchedButNotFound) {
  server_.Accept({{Bytes("HTTP/1.1 200 OK\r\nContent-Length: 18\r\n\r\ntolvane flash chat")},
                  {Bytes("HTTP/1.1 204 No Content\r\n\r\n")},
                  {Bytes("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")},
                  // Only the first 9 body bytes belong to the answer.
                  {Bytes("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nTolvane Flash Chat")}});
  for (int i = 0; i < 4; ++i) {
    const FetchResult result = Get();
    EXPECT_TRUE(result.fetched);
    EXPECT_FALSE(result.marker_found);
  }
  EXPECT_EQ(server_.connects.size(), 1u);
}

// An answer that is no page fails; its body is read by its framing and passed over, so that the
// next request goes on the same connection, unless the connection could not be kept anyway.
TEST(HttpClient, AnswersThatAreNoPageFail) {
  const struct {
    const char* answer;
    bool keeps_the_connection;
  } cases[] = {
      {"HTTP/1.1 304 Not Modified\r\n\r\n", true},
      {"HTTP/1.1 401 Unauthorized\r\nContent-Length: 18\r\n\r\nTolvane Flash Chat", true},
      {"HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n", true},
      {"HTTP/1.1 404 Not Found\r\nTransfer-Encoding: chunked\r\n\r\n"
       "12\r\nTolvane Flash Chat\r\n0\r\n\r\n",
       true},
      {"HTTP/1.1 302 Found\r\nLocation: /index.php\r\nContent-Length: 0\r\n\r\n", true},
      {"HTTP/1.1 200 OK\r\nLocation: /elsewhere\r\nContent-Length: 18\r\n\r\nTolvane Flash Chat",
       true},
      {"HTTP/1.1 300 Multiple Choices\r\nContent-Length: 0\r\n\r\n", true},
      {"HTTP/1.1 500 Internal Server Error\r\nConnection: close\r\nContent-Length: 18\r\n\r\n"
       "Tolvane Flash Chat",
       false},
      {"HTTP/1.1 404 Not Found\r\nContent-Length: x\r\n\r\nTolvane Flash Chat", false},
      {"HTTP/1.1 101 Switching Protocols\r\n\r\n", false},
      {"HTTP/1.1 199 Odd\r\n\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    EXPECT_EQ(ConnectionsAfter({Bytes(c.answer)}, false), c.keeps_the_connection ? 1u : 2u);
  }
  EXPECT_EQ(ConnectionsAfter(
                {Bytes("HTTP/1.1 299 Odd\r\nContent-Length: 18\r\n\r\nTolvane Flash Chat")}, true),
            1u);
}

TEST(HttpClient, BrokenAnswersFailAndDropTheConnection) {
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::vector<std::vector<Event>> broken = {
      {},                                                          // no answer at all
      {kCloses},                                                   // closed at once
      {Bytes("HTTP/1.1 200 OK\r\nContent-Le"), kCloses},           // head cut short
      {Bytes(chunked + "20\r\nTolvane Flash Chat"), kCloses},      // chunked cut short
      {Bytes(chunked + "12\r\nTolvane Flash Chat\r\n"), kCloses},  // no last chunk
      {Bytes(chunked + "12\r\nTolvane Flash Chat\r\n"), kResets},  // reset mid-body
      {Bytes(chunked + "1x\r\nTolvane Flash Chat\r\n0\r\n\r\n")},  // bad chunk size
      {Bytes("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\nTolvane Flash Chat")},  // stalls
      {Bytes("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\nTolvane Flash Chat"), kCloses},
      {Bytes("HTTP/1.0 200 OK\r\n\r\nTolvane Flash Chat"), kResets},  // reset before close
      {Bytes("HTTP/1.1 200 OK\r\nX: " + std::string(70000, 'x') + "\r\n\r\n")},
      {Bytes("HTTP/1.1 404 Not Found\r\nContent-Length: 40\r\n\r\nnot here")},  // stalls
      {Bytes("HTTP/1.1 302 Found\r\nLocation: /\r\nTransfer-Encoding: chunked\r\n\r\n1x\r\n")},
  };
  for (std::size_t i = 0; i < broken.size(); ++i) {
    SCOPED_TRACE("answer " + std::to_string(i));
    EXPECT_EQ(ConnectionsAfter(broken[i], false), 2u);
  }
}

TEST_F(HttpClientTest, NoServerFailsAndTheNextFetchConnectsAgain) {
  EXPECT_TRUE(Failed(Get()));
  server_.Accept({{Bytes(kPage)}});
  EXPECT_TRUE(FoundPage(Get()));
  EXPECT_EQ(server_.connects.size(), 2u);
}

TEST_F(HttpClientTest, EveryWaitIsBoundedAndNoneRunsPastTheCallersDeadline) {
  const std::string stall = "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n";
  const auto script = server_.Accept({{Bytes(stall)}});
  EXPECT_TRUE(Failed(Get()));
  EXPECT_EQ(server_.connect_timeouts, std::vector<milliseconds>{HttpTimeouts::kConnect});
  ASSERT_EQ(script->waits.size(), 3u);  // the send, the head, the stall
  for (milliseconds wait : script->waits) {
    EXPECT_GT(wait.count(), 0);
    EXPECT_LE(wait, HttpTimeouts::kRead);
  }
  EXPECT_LE(HttpTimeouts::kRead, HttpTimeouts::kAnswer);

  const auto soon = server_.Accept({{Bytes(stall)}});
  EXPECT_TRUE(Failed(client_.Get(kUrl, kMarker, SteadyTime::clock::now() + milliseconds(300))));
  EXPECT_LE(server_.connect_timeouts.back(), milliseconds(300));
  for (milliseconds wait : soon->waits) EXPECT_LE(wait, milliseconds(300));
  // Once the deadline has passed, nothing is tried.
  EXPECT_TRUE(Failed(client_.Get(kUrl, kMarker, SteadyTime::clock::now())));
  EXPECT_EQ(server_.connects.size(), 2u);
}

TEST_F(HttpClientTest, LooksForTheMarkerInTheBodysCharset) {
  const std::wstring marker = L"Caf\u00e9 Tolvane";
  server_.Accept({{Bytes("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                         "Content-Length: 13\r\n\r\nCaf\xc3\xa9 Tolvane")},
                  {Bytes("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                         "Content-Length: 12\r\n\r\nCaf\xe9 Tolvane")},
                  {Bytes("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=ISO-8859-1\r\n"
                         "Content-Length: 13\r\n\r\nCaf\xc3\xa9 Tolvane")},
                  {Bytes("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx")}});
  EXPECT_TRUE(client_.Get(kUrl, marker).marker_found);
  EXPECT_TRUE(client_.Get(kUrl, marker).marker_found);
  EXPECT_FALSE(client_.Get(kUrl, marker).marker_found);
  const FetchResult unrepresentable = client_.Get(kUrl, L"\u20ac");
  EXPECT_TRUE(unrepresentable.fetched);
  EXPECT_FALSE(unrepresentable.marker_found);
}

TEST_F(HttpClientTest, SendsCookiesBackLast) {
  const auto script = server_.Accept(
      {{Bytes("HTTP/1.1 302 Found\r\nLocation: /x\r\nSet-Cookie: PHPSESSID=r4nd0m; path=/\r\n"
              "Set-Cookie2: lang=en; Version=1\r\nContent-Length: 0\r\n\r\n")},
       {Bytes(kPage)}});
  EXPECT_TRUE(Failed(Get()));  // the cookies of a failed answer are kept all the same
  EXPECT_TRUE(FoundPage(Get()));
  EXPECT_EQ(script->received, kRequest + RequestWithCookie("PHPSESSID=r4nd0m; lang=en"));
}

TEST_F(HttpClientTest, DropsExpiredCookiesBeforeEachRequest) {
  const auto script = server_.Accept(
      {{Bytes("HTTP/1.1 200 OK\r\nSet-Cookie: short=1; Expires=Tue, 14 Nov 2023 22:13:25 GMT\r\n"
              "Set-Cookie: gone=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n"
              "Content-Length: 0\r\n\r\n")},
       {Bytes(kPage)},
       {Bytes(kPage)}});
  Get();
  Get();
  now_ += 5;
  Get();
  EXPECT_EQ(script->received, kRequest + RequestWithCookie("short=1") + kRequest);
}

TEST_F(HttpClientTest, CookiesStayWithTheirHost) {
  server_.Accept({{Bytes("HTTP/1.1 200 OK\r\nSet-Cookie: id=1\r\nContent-Length: 0\r\n\r\n")}});
  const auto other = server_.Accept({{Bytes(kPage)}});
  Get(L"http://localhost:85/index.php");
  EXPECT_TRUE(FoundPage(Get()));
  EXPECT_EQ(other->received, kRequest);
  EXPECT_EQ(server_.connects, (std::vector<std::string>{"localhost:85", "127.0.0.1:85"}));
}

TEST_F(HttpClientTest, RefusesABadUrlWithoutConnecting) {
  EXPECT_TRUE(Failed(Get(L"https://127.0.0.1:85/index.php")));
  EXPECT_TRUE(Failed(Get(L"http://127.0.0.1:85/index.php\r\nX: y")));
  EXPECT_TRUE(server_.connects.empty());
}

}  // namespace
}  // namespace tolvane
