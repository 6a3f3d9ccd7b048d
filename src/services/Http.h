#pragma once

#include <map>
#include <string>

namespace vorn {

// The answer to one HTTP request.
struct HttpResponse {
    // The status code; 28 when the transfer timed out, 58 for a client
    // certificate problem, -1 for every other failure.
    int code = -1;
    // The body as received; after a failure the error text instead.
    std::string body;
    // Header lines by name; a line without ':' (the status line) is kept
    // whole with the value "present".
    std::map<std::string, std::string> headers;
};

// Sets libcurl up for the process. Run it on the main thread before any
// worker makes a request; later calls do nothing.
void httpGlobalInit();

// One blocking request over plain HTTP. "POST" sends the body; any other
// method is a GET without one. The headers go with every method. It gives
// up when no connection is made within the connect time-out, or when the
// whole request takes longer than the transfer time-out.
HttpResponse httpRequest(const std::string& method, const std::string& url, const std::string& body,
                         const std::map<std::string, std::string>& headers);
HttpResponse httpPost(const std::string& url, const std::string& body, const std::map<std::string, std::string>& headers);
HttpResponse httpGet(const std::string& url);

// url + "?" + key=value pairs in key order, joined by "&"; nothing escaped.
std::string buildQueryUrl(const std::string& url, const std::map<std::string, std::string>& parameters);

// Time-outs in milliseconds (10 s to connect and 30 s in all, unless set).
void setHttpTimeouts(long connectMilliseconds, long totalMilliseconds);

} // namespace vorn
