#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vorn::test {

namespace {

// No client of a test takes longer than this between two reads.
constexpr int kReadTimeoutMs = 5000;
constexpr std::size_t kMostRequests = 10000;

bool readSome(int fd, std::string& into) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kReadTimeoutMs) <= 0) return false;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
}

void sendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

LoopbackServer::LoopbackServer(Script script) : script_(std::move(script)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 || pipe(wake_) != 0) {
        throw std::runtime_error("loopback server: cannot listen");
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    const char stop = 's';
    (void)!write(wake_[1], &stop, 1);
    thread_.join();
    for (int fd : hanging_) close(fd);
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

bool LoopbackServer::waitForRequests(std::size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(20), [&] { return requests_.size() >= n; });
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackServer::serve() {
    for (std::size_t served = 0; served < kMostRequests; ++served) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) return;
        if (fds[1].revents) return;
        const int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        handle(fd);
    }
}

void LoopbackServer::handle(int fd) {
    std::string bytes;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = bytes.find("\r\n\r\n")) == std::string::npos) {
        if (!readSome(fd, bytes)) {
            close(fd);
            return;
        }
    }
    Request request;
    const std::string head = bytes.substr(0, headEnd);
    std::size_t lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const std::size_t space = first.find(' ');
    request.method = first.substr(0, space);
    request.target = first.substr(space + 1, first.rfind(' ') - space - 1);
    while (lineEnd != std::string::npos) {
        const std::size_t next = head.find("\r\n", lineEnd + 2);
        const std::string line = head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::size_t v = colon + 1;
            while (v < line.size() && line[v] == ' ') ++v;
            request.headers[line.substr(0, colon)] = line.substr(v);
        }
        lineEnd = next;
    }
    std::size_t contentLength = 0;
    for (const auto& [name, value] : request.headers) {
        if (lower(name) == "content-length") contentLength = std::strtoul(value.c_str(), nullptr, 10);
    }
    request.body = bytes.substr(headEnd + 4);
    while (request.body.size() < contentLength) {
        if (!readSome(fd, request.body)) break;
    }
    const Answer answer = script_(request);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }
    arrived_.notify_all();
    switch (answer.kind) {
    case Answer::hang: hanging_.push_back(fd); return;
    case Answer::cut: break;
    case Answer::garbage: sendAll(fd, "\x01\x02 this is not HTTP \xff\r\n\r\n"); break;
    case Answer::reply: {
        std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + " Scripted\r\n";
        for (const std::string& header : answer.extraHeaders) reply += header + "\r\n";
        reply += "Content-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n" + answer.body;
        sendAll(fd, reply);
        break;
    }
    }
    close(fd);
}

} // namespace vorn::test
