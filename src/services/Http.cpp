#include "services/Http.h"

#include <curl/curl.h>

#include <atomic>
#include <cctype>
#include <mutex>

namespace vorn {

namespace {

std::atomic<long> connectTimeout{10000};
std::atomic<long> totalTimeout{30000};

std::string trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    static_cast<HttpResponse*>(user)->body.append(data, size * count);
    return size * count;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* response = static_cast<HttpResponse*>(user);
    const std::string line(data, size * count);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
        response->headers[trim(line.substr(0, colon))] = trim(line.substr(colon + 1));
    } else {
        const std::string name = trim(line);
        if (!name.empty()) response->headers[name] = "present";
    }
    return size * count;
}

} // namespace

void httpGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

void setHttpTimeouts(long connectMilliseconds, long totalMilliseconds) {
    connectTimeout = connectMilliseconds;
    totalTimeout = totalMilliseconds;
}

HttpResponse httpRequest(const std::string& method, const std::string& url, const std::string& body,
                         const std::map<std::string, std::string>& headers) {
    httpGlobalInit();
    HttpResponse response;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        response.code = -1;
        response.body = "Failed to query.";
        return response;
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response);
    // A worker thread must never be stopped by a signal, nor wait for ever
    // on a server that accepts and then says nothing.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeout.load());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeout.load());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    if (method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_slist* list = nullptr;
    for (const auto& [name, value] : headers) list = curl_slist_append(list, (name + ": " + value).c_str());
    if (list != nullptr) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);

    const CURLcode result = curl_easy_perform(curl);
    if (result == CURLE_OK) {
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        response.code = static_cast<int>(code);
    } else if (result == CURLE_OPERATION_TIMEDOUT) {
        response.code = 28;
        response.body = "Operation Timeout.";
    } else if (result == CURLE_SSL_CERTPROBLEM) {
        response.code = 58;
        response.body = curl_easy_strerror(result);
    } else {
        response.code = -1;
        response.body = "Failed to query.";
    }
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return response;
}

HttpResponse httpPost(const std::string& url, const std::string& body, const std::map<std::string, std::string>& headers) {
    return httpRequest("POST", url, body, headers);
}

HttpResponse httpGet(const std::string& url) { return httpRequest("GET", url, std::string(), {}); }

std::string buildQueryUrl(const std::string& url, const std::map<std::string, std::string>& parameters) {
    std::string out = url + "?";
    bool first = true;
    for (const auto& [key, value] : parameters) {
        if (!first) out += "&";
        first = false;
        out += key + "=" + value;
    }
    return out;
}

} // namespace vorn
