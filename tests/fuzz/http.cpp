// Answers of the analytics service, as the client reads them: the input is
// the raw HTTP answer a server of this program's own on 127.0.0.1 sends to
// one request. The first byte picks the request; the rest is the answer.
#include "FuzzSupport.h"

#include "services/Analytics.h"
#include "core/Config.h"
#include "services/Http.h"
#include "core/ResourceManager.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

std::mutex answerMutex;
std::string answer;
int listener = -1;

// Reads the whole request (head and body), so that closing the connection
// afterwards never resets it before the client has read the answer.
void readRequest(int fd) {
    std::string request;
    char buffer[4096];
    std::size_t headEnd = std::string::npos;
    std::size_t wanted = 0;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos) {
            headEnd = request.find("\r\n\r\n");
            if (headEnd == std::string::npos) continue;
            std::string head = request.substr(0, headEnd);
            std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
            const std::size_t length = head.find("content-length:");
            if (length != std::string::npos) wanted = std::strtoul(head.c_str() + length + 15, nullptr, 10);
        }
        if (request.size() >= headEnd + 4 + wanted) return;
    }
}

void serve() {
    for (;;) {
        const int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        readRequest(fd);
        std::string reply;
        {
            std::lock_guard<std::mutex> lock(answerMutex);
            reply = answer;
        }
        std::size_t sent = 0;
        while (sent < reply.size()) {
            const ssize_t n = send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        shutdown(fd, SHUT_WR);
        // Until the client closes: its last reads must find the answer whole.
        char buffer[4096];
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0 || recv(fd, buffer, sizeof buffer, 0) <= 0) break;
        }
        close(fd);
    }
}

int startServer() {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 16) != 0) {
        std::abort();
    }
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::thread(serve).detach();
    return ntohs(address.sin_port);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    const int port = startServer();
    const std::string config = vorn::fuzz::scratch() + "/data/config.plist";
    std::filesystem::create_directories(std::filesystem::path(config).parent_path());
    std::ofstream(config) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict><key>analytics</key>"
                             "<dict><key>url</key><string>http://127.0.0.1:"
                          << port << "</string></dict></dict>\n</plist>\n";
    vorn::ResourceManager::instance()->addSearchPath(vorn::fuzz::scratch());
    vorn::Config::instance()->load();
    vorn::httpGlobalInit();
    vorn::setHttpTimeouts(2000, 5000);
    vorn::Analytics* analytics = vorn::Analytics::instance();
    if (!analytics->isEnabled()) std::abort();
    analytics->setAppId("0123456789abcdef01234567");
    analytics->setSecret("0123456789abcdef0123456789abcdef");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    {
        std::lock_guard<std::mutex> lock(answerMutex);
        answer.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    }
    vorn::Analytics* analytics = vorn::Analytics::instance();
    switch (data[0] % 3) {
    case 0:
        analytics->setInstallationId("");
        (void)analytics->registerInstallation();
        break;
    case 1:
        analytics->setInstallationId("inst-1");
        (void)analytics->verifyInstallation();
        break;
    default:
        analytics->setInstallationId("inst-1");
        (void)analytics->registerSession();
        break;
    }
    return 0;
}
