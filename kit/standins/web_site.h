// The pages the web-server stand-in serves from the kit's www folder: the chat's main page, once
// the application has "warmed up", and the log viewer.
#pragma once

#include <string>

namespace tolvane::standin {

struct Page {
  int status = 200;
  const char* reason = "OK";
  std::string body;
};

class WebSite {
 public:
  // `www` ends in a backslash. Until `warmup_ms` milliseconds have passed since construction the
  // main page answers 503, as the real web application does while PHP and the chat start.
  WebSite(std::wstring www, unsigned long long warmup_ms);

  // The answer for a request path (query already removed).
  Page Answer(const std::string& path) const;

 private:
  Page File(const wchar_t* relative_path) const;

  std::wstring www_;
  unsigned long long ready_at_;
};

}  // namespace tolvane::standin
