#include "services/Analytics.h"

#include "core/Config.h"
#include "core/Data.h"
#include "services/Http.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/StringUtils.h"

// The queue's own fences are what the thread sanitizer cannot follow; its
// semaphore, which it does follow, orders every hand-over.
#pragma GCC diagnostic ignored "-Wtsan"
#include <readerwriterqueue/readerwriterqueue.h>

#include <algorithm>
#include <cstdio>

namespace vorn {

struct Analytics::Queue {
    moodycamel::BlockingReaderWriterQueue<EventData> events{15};
};

namespace {

std::function<void(std::chrono::milliseconds)>& pauseFunction() {
    static std::function<void(std::chrono::milliseconds)> f;
    return f;
}

const std::map<std::string, std::string> kJsonHeaders{{"Accept", "application/json"}, {"Content-Type", "application/json"}};

// Scheme, host and optional port; anything else is not an address to send to.
std::string serviceAddress() {
    const Value& v = Config::instance()->get("analytics.url");
    if (v.type() != Value::STRING) return {};
    std::string url = v.toString();
    while (!url.empty() && url.back() == '/') url.pop_back();
    const std::string scheme = "http://";
    if (url.rfind(scheme, 0) != 0 || url.size() == scheme.size()) {
        log("Analytics: \"%s\" is not a plain-HTTP address", url.c_str());
        return {};
    }
    for (std::size_t i = scheme.size(); i < url.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(url[i]);
        if (!std::isalnum(c) && c != '.' && c != '-' && c != ':' && c != '[' && c != ']') {
            log("Analytics: \"%s\" is not a plain-HTTP address", url.c_str());
            return {};
        }
    }
    return url;
}

} // namespace

namespace {

Analytics* made = nullptr;
bool readAtNextUse = false;

} // namespace

Analytics* Analytics::instance() {
    static Analytics* analytics = made = new Analytics();
    if (readAtNextUse) {
        readAtNextUse = false;
        analytics->serviceUrl_ = serviceAddress();
    }
    return analytics;
}

void Analytics::resetForTests() {
    pauseFunction() = nullptr;
    if (made == nullptr) return;
    Analytics& a = *made;
    if (a.worker_.joinable()) {
        a.stopping_ = true;
        {
            std::lock_guard<std::mutex> lock(a.pauseMutex_);
        }
        a.wake_.notify_all();
        // Wakes a worker waiting for an event.
        a.queue_->events.enqueue(EventData{});
        a.worker_.join();
    }
    a.serviceUrl_.clear();
    a.appId_.clear();
    a.secret_.clear();
    a.installationId_.clear();
    a.sessionId_.clear();
    a.idRejected_ = false;
    a.started_ = false;
    a.queue_ = std::make_unique<Queue>();
    a.pause_ = nullptr;
    a.stopping_ = false;
    readAtNextUse = true;
}

Analytics::Analytics() : serviceUrl_(serviceAddress()), queue_(std::make_unique<Queue>()) {}

void Analytics::setPauseForTesting(std::function<void(std::chrono::milliseconds)> pause) {
    pauseFunction() = std::move(pause);
}

void Analytics::start() {
    if (started_) return;
    started_ = true;
    if (!isEnabled()) {
        log("Analytics: no service address configured, nothing is sent");
        return;
    }
    // libcurl's global set-up is not thread-safe: it belongs to the main thread.
    httpGlobalInit();
    pause_ = pauseFunction();
    // Never joined in the game: the analytics client lives as long as the
    // process, and the worker with it.
    worker_ = std::thread([this] { workerLoop(); });
}

void Analytics::logEvent(const std::string& name, const std::map<std::string, Value>& parameters) {
    if (!isEnabled()) return;
    EventData event{{"name", Value(name)}};
    for (const auto& [key, value] : parameters) event[key] = value;
    queue_->events.enqueue(std::move(event));
}

void Analytics::logEvent(const std::string& name) { logEvent(name, {}); }

std::string Analytics::installationIdPath() const { return Platform::instance()->dataFolder() + "/kv_analytics_uid"; }

std::string Analytics::installationId() {
    if (installationId_.empty()) loadInstallationId();
    return installationId_;
}

void Analytics::loadInstallationId() {
    const std::string id = readTextFile(installationIdPath(), "");
    if (!id.empty() && !isUsableId(id)) {
        log("Analytics: the stored installation id is not usable, a new one will be asked for");
        installationId_.clear();
        return;
    }
    installationId_ = id;
}

void Analytics::saveInstallationId() {
    const Data bytes(installationId_.data(), static_cast<std::uint32_t>(installationId_.size()));
    (void)bytes.writeFile(installationIdPath());
}

void Analytics::setInstallationId(const std::string& id) {
    installationId_ = id;
    saveInstallationId();
}

bool Analytics::isUsableId(const std::string& id) {
    if (id.empty() || id.size() > 256) return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return std::isalnum(u) || c == '.' || c == '_' || c == '-';
    });
}

std::string Analytics::toJson(const std::map<std::string, std::string>& values) {
    auto quoted = [](const std::string& text) {
        std::string out = "\"";
        for (char c : text) {
            const unsigned char u = static_cast<unsigned char>(c);
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (u < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", u);
                    out += escape;
                } else {
                    out += c;
                }
            }
        }
        return out + "\"";
    };
    std::string body = "{\n";
    bool first = true;
    for (const auto& [key, value] : values) {
        if (!first) body += ",\n";
        first = false;
        body += quoted(key) + ": " + quoted(value);
    }
    return body + "}\n";
}

std::string Analytics::installationUrl() const { return serviceUrl_ + "/api/v2/installations/" + installationId_; }

bool Analytics::registerInstallation() {
    const std::map<std::string, std::string> body{{"app_id", appId_},
                                                  {"device", Platform::instance()->deviceName()},
                                                  {"platform", Platform::instance()->platformName()},
                                                  {"secret", secret_}};
    const HttpResponse r = httpPost(serviceUrl_ + "/api/v2/installation.json", toJson(body), kJsonHeaders);
    if (r.code != 200 || r.body.empty()) return false;
    if (!isUsableId(r.body)) {
        log("Analytics: the service gave an installation id that is not usable");
        return false;
    }
    installationId_ = r.body;
    saveInstallationId();
    log("registerInstallation OK");
    return true;
}

bool Analytics::verifyInstallation() {
    idRejected_ = false;
    if (installationId().empty()) return false;
    const HttpResponse r = httpGet(buildQueryUrl(installationUrl() + ".json", {{"app_id", appId_}, {"secret", secret_}}));
    if (r.code == 200 && r.body == installationId_) {
        log("verifyInstallation OK");
        return true;
    }
    // Only an answer that the service does not know the id is reason to
    // forget it; being offline or a failing service is not.
    if (r.code == 200 || r.code == 404) {
        log("Analytics: the service does not know installation %s", installationId_.c_str());
        idRejected_ = true;
        installationId_.clear();
        saveInstallationId();
    }
    return false;
}

bool Analytics::registerSession() {
    const HttpResponse r = httpPost(installationUrl() + "/sessions.json", toJson({{"app_id", appId_}, {"secret", secret_}}),
                                    kJsonHeaders);
    if (r.code != 200) return false;
    if (!isUsableId(r.body)) {
        log("Analytics: the service gave a session id that is not usable");
        return false;
    }
    sessionId_ = r.body;
    log("registerSession OK");
    return true;
}

bool Analytics::sendEvent(const EventData& event) {
    std::map<std::string, std::string> body{{"app_id", appId_}, {"secret", secret_}};
    for (const auto& [key, value] : event) body[key] = value.toString();
    const HttpResponse r = httpPost(installationUrl() + "/sessions/" + sessionId_ + "/events.json", toJson(body), kJsonHeaders);
    if (r.code == 200) return true;
    log("error sending event");
    return false;
}

bool Analytics::pause(std::chrono::milliseconds& delay) {
    if (pause_) {
        pause_(delay);
    } else {
        std::unique_lock<std::mutex> lock(pauseMutex_);
        wake_.wait_for(lock, delay, [this] { return stopping_.load(); });
    }
    delay = std::min(delay * 2, std::chrono::milliseconds(60000));
    return !stopping_;
}

void Analytics::workerLoop() {
    std::chrono::milliseconds delay(1000);
    for (;;) {
        const bool ok = installationId().empty() ? registerInstallation() : verifyInstallation();
        if (stopping_) return;
        if (ok && !installationId_.empty()) break;
        // A rejected id is registered anew at once; every other failure waits.
        if (idRejected_) {
            idRejected_ = false;
            continue;
        }
        if (!pause(delay)) return;
    }
    delay = std::chrono::milliseconds(1000);
    while (!registerSession()) {
        if (stopping_ || !pause(delay)) return;
    }
    for (;;) {
        EventData event;
        queue_->events.wait_dequeue(event);
        if (stopping_) return;
        sendEvent(event);
    }
}

} // namespace vorn
