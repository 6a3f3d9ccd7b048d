// HTTP requests and the analytics client against a loopback server of the
// test's own: what is sent, in which order, and how the worker behaves when
// the service is down, slow, broken or unsure of the id. Nothing but
// 127.0.0.1 is ever contacted.
#include "services/Analytics.h"
#include "services/Http.h"

#include "LoopbackServer.h"
#include "ServicesFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/resource.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using vorn::Analytics;
using vorn::Value;
using vorn::test::LoopbackServer;
using Answer = LoopbackServer::Answer;
using Request = LoopbackServer::Request;
using namespace std::chrono_literals;

const std::string kAppId = "0123456789abcdef01234567";
const std::string kSecret = "0123456789abcdef0123456789abcdef";

Answer reply(int status, const std::string& body) {
    Answer a;
    a.status = status;
    a.body = body;
    return a;
}

Answer of(Answer::Kind kind) {
    Answer a;
    a.kind = kind;
    return a;
}

// A service that knows one installation and one session.
Answer service(const Request& r, const std::string& id = "inst-1", const std::string& session = "sess-7") {
    if (r.method == "POST" && r.target == "/api/v2/installation.json") return reply(200, id);
    if (r.method == "GET" && r.target.rfind("/api/v2/installations/" + id + ".json?", 0) == 0) return reply(200, id);
    if (r.method == "GET") return reply(404, "unknown");
    if (r.target == "/api/v2/installations/" + id + "/sessions.json") return reply(200, session);
    if (r.target == "/api/v2/installations/" + id + "/sessions/" + session + "/events.json") return reply(200, "");
    return reply(404, "");
}

nlohmann::json bodyOf(const Request& r) { return nlohmann::json::parse(r.body); }

// The worker's pauses between attempts, recorded instead of slept; after
// enough of them the worker is parked until the test ends. Freed only once
// the worker has been stopped and waited for.
struct Pauses {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<long> delays;
    bool released = false;

    void install(std::size_t keep) {
        Analytics::setPauseForTesting([this, keep](std::chrono::milliseconds d) {
            std::unique_lock<std::mutex> lock(mutex);
            delays.push_back(long(d.count()));
            changed.notify_all();
            if (delays.size() >= keep) changed.wait(lock, [this] { return released; });
        });
    }
    bool waitFor(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 20s, [&] { return delays.size() >= n; });
    }
    std::vector<long> taken() {
        std::lock_guard<std::mutex> lock(mutex);
        return delays;
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
};

class AnalyticsThreaded : public vorn::test::ServicesTest {
protected:
    AnalyticsThreaded() { setenv("no_proxy", "127.0.0.1", 1); }
    // The worker reads the application that the fixture registers: it is
    // let go and stopped while that is still there.
    void TearDown() override {
        for (const auto& p : pauses_) p->release();
        Analytics::resetForTests();
        pauses_.clear();
    }

    Pauses& pauses() { return *pauses_.emplace_back(std::make_unique<Pauses>()); }

    Analytics* start(const std::string& url) {
        configure("<key>analytics</key><dict><key>url</key><string>" + url + "</string></dict>");
        Analytics* a = Analytics::instance();
        a->setAppId(kAppId);
        a->setSecret(kSecret);
        a->start();
        return a;
    }
    std::string idFile() const { return userFile("kv_analytics_uid"); }

private:
    std::vector<std::unique_ptr<Pauses>> pauses_;
};

TEST_F(AnalyticsThreaded, AFirstRunRegistersOpensASessionAndSendsEventsInOrder) {
    LoopbackServer server([](const Request& r) { return service(r); });
    Analytics* analytics = start(server.url());
    analytics->logEvent("winLevel", {{"level", Value(12LL)}, {"score", Value(2.5)}, {"perfect", Value(true)}});
    analytics->logEvent("ignored", {{"name", Value("renamed")}});
    analytics->logEvent("quote", {{"text", Value("say \"hi\"\n\\ok\x01")}});
    ASSERT_TRUE(server.waitForRequests(5));
    const std::vector<Request> got = server.requests();
    ASSERT_EQ(got.size(), 5u);

    EXPECT_EQ(got[0].method, "POST");
    EXPECT_EQ(got[0].target, "/api/v2/installation.json");
    EXPECT_EQ(got[0].headers.at("Accept"), "application/json");
    EXPECT_EQ(got[0].headers.at("Content-Type"), "application/json");
    EXPECT_EQ(got[0].body, "{\n\"app_id\": \"" + kAppId + "\",\n\"device\": \"\",\n\"platform\": \"" +
                               vorn::Platform::instance()->platformName() + "\",\n\"secret\": \"" + kSecret + "\"}\n");
    EXPECT_EQ(got[1].target, "/api/v2/installations/inst-1/sessions.json");
    EXPECT_EQ(bodyOf(got[1]), (nlohmann::json{{"app_id", kAppId}, {"secret", kSecret}}));

    const std::string events = "/api/v2/installations/inst-1/sessions/sess-7/events.json";
    for (int i = 2; i < 5; ++i) EXPECT_EQ(got[std::size_t(i)].target, events);
    EXPECT_EQ(bodyOf(got[2]), (nlohmann::json{{"app_id", kAppId}, {"secret", kSecret}, {"name", "winLevel"},
                                             {"level", "12"}, {"score", "2.500000"}, {"perfect", "1"}}));
    EXPECT_EQ(bodyOf(got[3])["name"], "renamed");
    EXPECT_EQ(bodyOf(got[4])["text"], "say \"hi\"\n\\ok\x01");
    EXPECT_EQ(vorn::test::readBytes(idFile()), "inst-1");
}

TEST_F(AnalyticsThreaded, AConfirmedIdIsKeptAndAnUnknownOneReplaced) {
    vorn::test::writeBytes(idFile(), "inst-1");
    vorn::test::LogCapture log;
    {
        LoopbackServer server([](const Request& r) { return service(r); });
        start(server.url());
        ASSERT_TRUE(server.waitForRequests(2));
        const std::vector<Request> got = server.requests();
        EXPECT_EQ(got[0].method, "GET");
        EXPECT_EQ(got[0].target, "/api/v2/installations/inst-1.json?app_id=" + kAppId + "&secret=" + kSecret);
        EXPECT_TRUE(got[0].headers.find("Content-Type") == got[0].headers.end());
        EXPECT_EQ(got[1].target, "/api/v2/installations/inst-1/sessions.json");
    }
    EXPECT_NE(log.text().find("verifyInstallation OK"), std::string::npos);
    EXPECT_EQ(log.count("registerInstallation OK"), 0);
}

TEST_F(AnalyticsThreaded, AnIdTheServiceAnswersForWithAnotherIsRegisteredAnew) {
    vorn::test::writeBytes(idFile(), "old-id");
    LoopbackServer server([](const Request& r) {
        if (r.method == "GET") return reply(200, "someone-else");
        return service(r, "new-id");
    });
    start(server.url());
    ASSERT_TRUE(server.waitForRequests(3));
    const std::vector<Request> got = server.requests();
    EXPECT_EQ(got[1].target, "/api/v2/installation.json");
    EXPECT_EQ(got[2].target, "/api/v2/installations/new-id/sessions.json");
    EXPECT_EQ(vorn::test::readBytes(idFile()), "new-id");
}

// The service fails in each way at the first step; the worker pauses 1 s,
// then twice as long each time up to a minute, and never forgets the id.
struct Failure {
    const char* label;
    Answer answer;
    bool serverUp;
};

class AnalyticsFailure : public AnalyticsThreaded, public ::testing::WithParamInterface<Failure> {};

TEST_P(AnalyticsFailure, BacksOffKeepsTheIdAndNeverHoldsTheGame) {
    vorn::test::writeBytes(idFile(), "inst-1");
    vorn::setHttpTimeouts(2000, 300);
    Pauses& pauses = this->pauses();
    pauses.install(9);
    std::unique_ptr<LoopbackServer> server;
    std::string url;
    {
        LoopbackServer closed([](const Request&) { return reply(200, ""); });
        url = closed.url();
    }
    if (GetParam().serverUp) {
        server = std::make_unique<LoopbackServer>([](const Request&) { return GetParam().answer; });
        url = server->url();
    }
    Analytics* analytics = start(url);
    // The game goes on: logging returns at once while the worker struggles.
    for (int i = 0; i < 100; ++i) analytics->logEvent("tick");
    ASSERT_TRUE(pauses.waitFor(9));
    EXPECT_EQ(pauses.taken(), (std::vector<long>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    EXPECT_EQ(vorn::test::readBytes(idFile()), "inst-1");
    if (server) {
        for (const Request& r : server->requests()) EXPECT_EQ(r.method, "GET") << r.target;
    }
}

INSTANTIATE_TEST_SUITE_P(AnalyticsThreaded, AnalyticsFailure,
                         ::testing::Values(Failure{"Down", Answer{}, false},
                                           Failure{"ServerError", reply(500, "inst-1"), true},
                                           Failure{"Garbage", of(Answer::garbage), true},
                                           Failure{"CutConnection", of(Answer::cut), true},
                                           Failure{"Stalled", of(Answer::hang), true}),
                         [](const ::testing::TestParamInfo<Failure>& param) { return std::string(param.param.label); });

TEST_F(AnalyticsThreaded, ASessionThatFailsIsTriedAgainAfterAPause) {
    Pauses& pauses = this->pauses();
    pauses.install(100);
    std::atomic<int> sessionTries{0};
    LoopbackServer server([&](const Request& r) {
        if (r.target.find("/sessions.json") != std::string::npos && ++sessionTries < 3) return reply(503, "");
        return service(r);
    });
    start(server.url());
    ASSERT_TRUE(server.waitForRequests(4));
    EXPECT_EQ(pauses.taken(), (std::vector<long>{1000, 2000}));
}

// The ids the service hands out become parts of later paths. One that could
// lead a request elsewhere is refused and asked for again after a pause;
// nothing is ever sent with it.
struct UnusableId {
    const char* label;
    const char* installation;
    const char* session;
    const char* logged;
    const char* stored; // the id file's content; none when null
};

class AnalyticsUnusableId : public AnalyticsThreaded, public ::testing::WithParamInterface<UnusableId> {};

TEST_P(AnalyticsUnusableId, IsRefusedAndNothingIsSentWithIt) {
    const UnusableId& c = GetParam();
    Pauses& pauses = this->pauses();
    pauses.install(2);
    vorn::test::LogCapture log;
    LoopbackServer server([&c](const Request& r) { return service(r, c.installation, c.session); });
    start(server.url())->logEvent("lost");
    // Parked at its second pause, having been refused twice.
    const bool parked = pauses.waitFor(2);
    // Read before any check: a failure reported while the log is captured
    // would vanish into it.
    const int refusals = log.count(c.logged);
    EXPECT_TRUE(parked);
    EXPECT_EQ(refusals, 2);
    for (const Request& r : server.requests()) {
        EXPECT_TRUE(r.target == "/api/v2/installation.json" || r.target == "/api/v2/installations/inst-1/sessions.json")
            << r.target;
    }
    if (c.stored) {
        EXPECT_EQ(vorn::test::readBytes(idFile()), c.stored);
    } else {
        EXPECT_FALSE(std::filesystem::exists(idFile()));
    }
}

INSTANTIATE_TEST_SUITE_P(AnalyticsThreaded, AnalyticsUnusableId,
                         ::testing::Values(UnusableId{"Installation", "../../admin?x=", "sess-7",
                                                      "installation id that is not usable", nullptr},
                                           UnusableId{"Session", "inst-1", "../../admin?x=",
                                                      "session id that is not usable", "inst-1"}),
                         [](const ::testing::TestParamInfo<UnusableId>& param) {
                             return std::string(param.param.label);
                         });

TEST_F(AnalyticsThreaded, AnEventTheServiceRefusesIsDroppedAndTheNextSent) {
    vorn::test::LogCapture log;
    LoopbackServer server([](const Request& r) {
        if (r.body.find("\"bad\"") != std::string::npos) return reply(500, "");
        return service(r);
    });
    Analytics* analytics = start(server.url());
    analytics->logEvent("bad");
    analytics->logEvent("good");
    ASSERT_TRUE(server.waitForRequests(4));
    const std::vector<Request> got = server.requests();
    EXPECT_EQ(bodyOf(got[2])["name"], "bad");
    EXPECT_EQ(bodyOf(got[3])["name"], "good");
    std::this_thread::yield();
    EXPECT_EQ(server.requests().size(), 4u);
}

// A measurement to run by hand (--gtest_also_run_disabled_tests): the
// processor time the worker takes over ten seconds with the service out of
// reach, pausing for real between its attempts.
TEST_F(AnalyticsThreaded, DISABLED_OfflineWorkerStaysIdle) {
    std::string url;
    {
        LoopbackServer closed([](const Request&) { return reply(200, ""); });
        url = closed.url();
    }
    auto cpuSeconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double before = cpuSeconds();
    Analytics* analytics = start(url);
    for (int i = 0; i < 1000; ++i) analytics->logEvent("offline");
    std::this_thread::sleep_for(10s);
    const double used = cpuSeconds() - before;
    std::printf("processor time over 10 s offline: %.4f s (%.3f %% of a core)\n", used, used * 10.0);
    EXPECT_LT(used / 10.0, 0.01);
}

class AnalyticsAddress : public AnalyticsThreaded, public ::testing::WithParamInterface<const char*> {};

TEST_P(AnalyticsAddress, ThatIsNotAPlainHttpHostSendsNothing) {
    const std::string address = GetParam();
    configure(address == "none" ? "" : "<key>analytics</key><dict><key>url</key><string>" + address + "</string></dict>");
    vorn::test::LogCapture log;
    Analytics* analytics = Analytics::instance();
    EXPECT_FALSE(analytics->isEnabled());
    analytics->start();
    analytics->start();
    analytics->logEvent("lost");
    EXPECT_EQ(log.count("no service address configured, nothing is sent"), 1);
    if (address != "none") {
        EXPECT_EQ(log.count("is not a plain-HTTP address"), 1) << log.text();
    }
}

INSTANTIATE_TEST_SUITE_P(AnalyticsThreaded, AnalyticsAddress,
                         ::testing::Values("none", "ftp://127.0.0.1", "http://127.0.0.1/path", "http://",
                                           "http://user@127.0.0.1"));

TEST(AnalyticsRequests, BodiesAreJsonWithEveryStringEscaped) {
    EXPECT_EQ(Analytics::toJson({}), "{\n}\n");
    EXPECT_EQ(Analytics::toJson({{"b", "2"}, {"a", "1"}}), "{\n\"a\": \"1\",\n\"b\": \"2\"}\n");
    const std::string nasty = "\"}, \"admin\": \"1\\\n\t\x1f é";
    const nlohmann::json parsed = nlohmann::json::parse(Analytics::toJson({{"k\"ey", nasty}}));
    EXPECT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed["k\"ey"], nasty);
}

TEST(AnalyticsRequests, OnlyPlainIdsArePathSafe) {
    for (const char* good : {"abc", "A-Z_0.9", "5f3c9a"}) EXPECT_TRUE(Analytics::isUsableId(good)) << good;
    for (const char* bad : {"", "a/b", "a?b", "a b", "a%2F", "id\n", "ü"}) EXPECT_FALSE(Analytics::isUsableId(bad)) << bad;
}

TEST(AnalyticsRequests, QueryStringsAreInKeyOrderAndUnescaped) {
    EXPECT_EQ(vorn::buildQueryUrl("http://h/p", {{"secret", "s&=t"}, {"app_id", "a"}}), "http://h/p?app_id=a&secret=s&=t");
    EXPECT_EQ(vorn::buildQueryUrl("http://h/p", {}), "http://h/p?");
}

class HttpThreaded : public ::testing::Test {
protected:
    HttpThreaded() { setenv("no_proxy", "127.0.0.1", 1); }
};

TEST_F(HttpThreaded, PostSendsItsBodyOtherMethodsDoNot) {
    LoopbackServer server([](const Request&) { return reply(200, "fine"); });
    const std::map<std::string, std::string> headers{{"X-One", "1"}};
    const vorn::HttpResponse post = vorn::httpPost(server.url() + "/a", std::string("x\0y", 3), headers);
    EXPECT_EQ(post.code, 200);
    EXPECT_EQ(post.body, "fine");
    vorn::httpRequest("PUT", server.url() + "/b", "ignored", headers);
    vorn::httpGet(server.url() + "/c");
    ASSERT_TRUE(server.waitForRequests(3));
    const std::vector<Request> got = server.requests();
    EXPECT_EQ(got[0].method, "POST");
    EXPECT_EQ(got[0].body, std::string("x\0y", 3));
    EXPECT_EQ(got[0].headers.at("X-One"), "1");
    EXPECT_EQ(got[1].method, "GET");
    EXPECT_EQ(got[1].body, "");
    EXPECT_EQ(got[1].headers.at("X-One"), "1");
    EXPECT_EQ(got[2].headers.count("X-One"), 0u);
}

TEST_F(HttpThreaded, AnswerHeadersAreTrimmedAndTheStatusLineKept) {
    LoopbackServer server([](const Request&) {
        Answer a = reply(404, "nothing");
        a.extraHeaders = {"X-Spaced:  \t some value \t ", "X-Later: 1", "X-Later:   2  ", "X-Bytes: \xe9t\xe9\xa0 "};
        return a;
    });
    const vorn::HttpResponse r = vorn::httpGet(server.url());
    EXPECT_EQ(r.code, 404);
    EXPECT_EQ(r.body, "nothing");
    EXPECT_EQ(r.headers.at("X-Spaced"), "some value");
    EXPECT_EQ(r.headers.at("X-Later"), "2");
    // Bytes above 127 are text, not white space, in the C locale the program keeps.
    EXPECT_EQ(r.headers.at("X-Bytes"), "\xe9t\xe9\xa0");
    EXPECT_EQ(r.headers.at("HTTP/1.1 404 Scripted"), "present");
    EXPECT_EQ(r.headers.at("Content-Length"), "7");
    EXPECT_EQ(r.headers.count(""), 0u);
}

// A locale made for the test, used by this thread only while the object
// lives: ASCII, with byte 0xff an ideographic space (U+3000). A char handed
// to isspace without a cast to unsigned char makes byte 0xff EOF, which is
// never white space. It is the one byte that tells: glibc's class table
// answers bytes 0x80..0xfe the same for their negative values, and no
// charset glibc ships has white space at 0xff.
class LocaleWithSpaceAtFF {
public:
    LocaleWithSpaceAtFF() {
        std::string charmap =
            "<code_set_name> VORN-FF-SPACE\n<escape_char> /\n<mb_cur_min> 1\n<mb_cur_max> 1\nCHARMAP\n";
        for (int byte = 0; byte < 0x80; ++byte) {
            char line[32];
            std::snprintf(line, sizeof line, "<U%04X> /x%02x\n", byte, byte);
            charmap += line;
        }
        vorn::test::writeBytes(folder_.file("charmap"), charmap + "<U3000> /xff\nEND CHARMAP\n");
        vorn::test::writeBytes(folder_.file("source"), "LC_CTYPE\n"
                                                       "space <U0020>;<U0009>;<U000A>;<U000B>;<U000C>;<U000D>;<U3000>\n"
                                                       "END LC_CTYPE\n");
        // Forced past its warnings about the categories left out.
        const std::string command = "localedef -c -f '" + folder_.file("charmap") + "' -i '" + folder_.file("source") +
                                    "' '" + folder_.file("ff") + "' >/dev/null 2>&1";
        (void)std::system(command.c_str());
        // glibc finds a locale of its own outside the system's only through LOCPATH.
        const char* previous = std::getenv("LOCPATH");
        const std::string kept = previous ? previous : "";
        setenv("LOCPATH", folder_.path().c_str(), 1);
        locale_ = newlocale(LC_CTYPE_MASK, "ff", locale_t(nullptr));
        if (previous) {
            setenv("LOCPATH", kept.c_str(), 1);
        } else {
            unsetenv("LOCPATH");
        }
        if (locale_) previous_ = uselocale(locale_);
    }
    ~LocaleWithSpaceAtFF() {
        if (!locale_) return;
        uselocale(previous_);
        freelocale(locale_);
    }
    LocaleWithSpaceAtFF(const LocaleWithSpaceAtFF&) = delete;
    LocaleWithSpaceAtFF& operator=(const LocaleWithSpaceAtFF&) = delete;

    bool inUse() const { return locale_ && std::isspace(0xff); }

private:
    vorn::test::TempDir folder_;
    locale_t locale_ = nullptr;
    locale_t previous_ = nullptr;
};

// Header bytes are judged by their own value: under a locale that makes
// byte 0xff white space, it is trimmed like any other.
TEST_F(HttpThreaded, HeaderBytesAreTrimmedByTheirOwnClass) {
    LocaleWithSpaceAtFF locale;
    if (!locale.inUse()) GTEST_SKIP() << "localedef could not make the test's locale";
    LoopbackServer server([](const Request&) {
        Answer a = reply(200, "");
        a.extraHeaders = {"X-Bytes: \xff \xe9t\xe9\xa0\xff "};
        return a;
    });
    const vorn::HttpResponse r = vorn::httpGet(server.url());
    EXPECT_EQ(r.headers.at("X-Bytes"), "\xe9t\xe9\xa0");
}

TEST_F(HttpThreaded, FailuresComeBackAsCodes) {
    std::string closedUrl;
    {
        LoopbackServer closed([](const Request&) { return reply(200, ""); });
        closedUrl = closed.url();
    }
    struct Case {
        Answer answer;
        int code;
        const char* body;
    };
    for (const Case& c : {Case{of(Answer::cut), -1, "Failed to query."}, Case{of(Answer::garbage), -1, "Failed to query."},
                          Case{of(Answer::hang), 28, "Operation Timeout."}, Case{reply(500, "oops"), 500, "oops"}}) {
        LoopbackServer server([&](const Request&) { return c.answer; });
        // Only the hung answer is meant to run out of time; every other one
        // gets long enough for a loaded machine not to be taken for a hang.
        vorn::setHttpTimeouts(10000, c.answer.kind == Answer::hang ? 300 : 30000);
        const vorn::HttpResponse r = vorn::httpGet(server.url());
        EXPECT_EQ(r.code, c.code) << c.body;
        EXPECT_EQ(r.body, c.body);
    }
    const vorn::HttpResponse refused = vorn::httpGet(closedUrl);
    EXPECT_EQ(refused.code, -1);
    EXPECT_EQ(refused.body, "Failed to query.");
    const vorn::HttpResponse other = vorn::httpGet("file:///etc/passwd");
    EXPECT_EQ(other.code, -1);
}

} // namespace
