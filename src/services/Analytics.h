#pragma once

#include "core/Value.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vorn {

// Reports installations, sessions and the game's events to the analytics
// web service over plain HTTP, from one worker thread that the game never
// waits for. The service's address is the configuration's "analytics.url"
// (scheme, host and port, e.g. "http://host:8080"); without one the client
// says so once in the log and sends nothing.
class Analytics {
public:
    using EventData = std::map<std::string, Value>;

    // Made on first use, on the main thread.
    static Analytics* instance();
    Analytics(const Analytics&) = delete;
    Analytics& operator=(const Analytics&) = delete;

    // Both before start.
    void setAppId(const std::string& id) { appId_ = id; }
    void setSecret(const std::string& secret) { secret_ = secret; }
    // Starts the worker (once); a thread that cannot be started throws
    // std::system_error.
    void start();
    // Hands an event to the worker and returns at once. Main thread only.
    // A parameter called "name" replaces the name.
    void logEvent(const std::string& name, const std::map<std::string, Value>& parameters);
    void logEvent(const std::string& name);

    bool isEnabled() const { return !serviceUrl_.empty(); }
    const std::string& serviceUrl() const { return serviceUrl_; }

    // The rest runs on the worker.
    std::string installationId();
    void loadInstallationId();
    void saveInstallationId();
    void setInstallationId(const std::string& id);
    std::string installationIdPath() const;
    const std::string& sessionId() const { return sessionId_; }
    bool registerInstallation();
    bool verifyInstallation();
    bool registerSession();

    // The request body: a JSON object of string values, keys in order.
    static std::string toJson(const std::map<std::string, std::string>& values);
    // Whether the service's id can go into a request path.
    static bool isUsableId(const std::string& id);

    // What the worker pauses with between failed attempts (1 s, doubling up
    // to 60 s). For tests, set before start; empty: the real sleep.
    static void setPauseForTesting(std::function<void(std::chrono::milliseconds)> pause);

    // For tests: stops the worker and waits for it to end (a test pause
    // must have returned by then), then the client is as if never used:
    // no ids, nothing queued, the real pause, and the address read again
    // from the configuration at the next instance(). Does nothing when
    // never made.
    static void resetForTests();

private:
    Analytics();
    struct Queue;

    void workerLoop();
    // False once the worker is asked to stop.
    bool pause(std::chrono::milliseconds& delay);
    bool sendEvent(const EventData& event);
    std::string installationUrl() const;

    std::string serviceUrl_;
    std::string appId_;
    std::string secret_;
    std::string installationId_;
    std::string sessionId_;
    // The last verification was answered: the service does not know the id.
    bool idRejected_ = false;
    bool started_ = false;
    std::thread worker_;
    std::unique_ptr<Queue> queue_;
    // What the worker pauses with, taken at start.
    std::function<void(std::chrono::milliseconds)> pause_;
    std::atomic<bool> stopping_{false};
    std::mutex pauseMutex_;
    std::condition_variable wake_;
};

} // namespace vorn
