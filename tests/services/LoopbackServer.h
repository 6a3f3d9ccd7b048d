#pragma once

// A small HTTP server of the test's own on 127.0.0.1 (a port the system
// picks), answering from a script: a status and body, a hang (the
// connection stays open, unanswered, until the server goes), a cut
// connection, or bytes that are not HTTP. It serves one connection at a time
// and records every request.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorn::test {

class LoopbackServer {
public:
    struct Request {
        std::string method;
        std::string target; // path and query
        std::map<std::string, std::string> headers;
        std::string body;
    };
    struct Answer {
        enum Kind { reply, hang, cut, garbage };
        Kind kind = reply;
        int status = 200;
        std::string body;
        std::vector<std::string> extraHeaders;
    };
    using Script = std::function<Answer(const Request&)>;

    explicit LoopbackServer(Script script);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // Waits (at most 20 s) until n requests have come; false if they did not.
    bool waitForRequests(std::size_t n);
    std::vector<Request> requests();

private:
    void serve();
    void handle(int fd);

    Script script_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    std::vector<int> hanging_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Request> requests_;
    std::thread thread_;
};

} // namespace vorn::test
