#include "core/Event.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Event;
using Listener = vorn::Event::Listener;
using Names = std::vector<std::string>;

// The signal carries no data and has no source here; only the listeners matter.
class SignalTest : public testing::Test {
public:
    std::unique_ptr<Listener> record(const std::string& name, std::function<void()> action = {}) {
        return std::make_unique<Listener>([this, name, action](Event* e) {
            EXPECT_EQ(e, signal.get());
            if (action) {
                action();
            }
            calls.push_back(name);
        });
    }

    std::unique_ptr<Event> signal = std::make_unique<Event>(nullptr);
    Names calls;
};

TEST_F(SignalTest, CallsAttachedListenersInAttachOrderOnce) {
    auto a = record("a");
    auto b = record("b");
    signal->addListener(a.get());
    signal->addListener(b.get());
    signal->addListener(a.get());
    signal->notify();
    EXPECT_EQ(calls, (Names{"a", "b"}));
    EXPECT_EQ(a->event(), signal.get());
}

TEST_F(SignalTest, ListenerAndSignalDetachFromEachOtherWhicheverGoesFirst) {
    auto a = record("a");
    auto b = record("b");
    signal->addListener(a.get());
    signal->addListener(b.get());
    a.reset();
    signal->notify();
    EXPECT_EQ(calls, (Names{"b"}));

    signal.reset();
    EXPECT_EQ(b->event(), nullptr);
}

TEST_F(SignalTest, AttachingElsewhereMovesTheListener) {
    Event second(nullptr);
    auto a = record("a");
    signal->addListener(a.get());
    second.addListener(a.get());
    EXPECT_EQ(a->event(), &second);
    // The first signal must hold no stale pointer once the listener is gone.
    a.reset();
    signal->notify();
    second.notify();
    EXPECT_TRUE(calls.empty());
}

// What the first listener does during a notify; the second notify shows
// what is left attached.
TEST_F(SignalTest, ChangesDuringNotify) {
    struct Case {
        const char* name;
        std::function<void(SignalTest&, Listener* self, std::unique_ptr<Listener>& selfOwner,
                           std::unique_ptr<Listener>& later, std::unique_ptr<Listener>& added)>
            action;
        Names first;
        Names second;
    };
    const std::vector<Case> cases = {
        {"detach self", [](SignalTest& t, Listener* self, auto&, auto&, auto&) { t.signal->removeListener(self); },
         Names{"a", "b"}, Names{"b"}},
        {"detach later", [](SignalTest& t, auto*, auto&, auto& later, auto&) { t.signal->removeListener(later.get()); },
         Names{"a"}, Names{"a"}},
        {"destroy later", [](SignalTest&, auto*, auto&, auto& later, auto&) { later.reset(); }, Names{"a"}, Names{"a"}},
        {"attach new",
         [](SignalTest& t, auto*, auto&, auto&, auto& added) {
             added = t.record("n");
             t.signal->addListener(added.get());
         },
         Names{"a", "b"}, Names{"a", "b", "n"}},
        {"nested notify",
         [](SignalTest& t, auto*, auto&, auto&, auto&) { t.signal->notify(); },
         Names{"a", "b", "a", "b"}, Names{"a", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        signal = std::make_unique<Event>(nullptr);
        calls.clear();
        std::unique_ptr<Listener> a;
        std::unique_ptr<Listener> b = record("b");
        std::unique_ptr<Listener> added;
        bool acted = false;
        a = record("a", [&] {
            if (!acted) {
                acted = true;
                c.action(*this, a.get(), a, b, added);
            }
        });
        signal->addListener(a.get());
        signal->addListener(b.get());
        signal->notify();
        EXPECT_EQ(calls, c.first);
        calls.clear();
        signal->notify();
        EXPECT_EQ(calls, c.second);
    }
}

// A listener may destroy itself from its own callback (a node rebinding to
// another data source does); its callback must survive until it returns.
TEST_F(SignalTest, ListenerDestroyedByItsOwnCallback) {
    std::unique_ptr<Listener> a;
    a = std::make_unique<Listener>([this, &a, name = std::string("a")](Event*) {
        a.reset();
        calls.push_back(name);
    });
    auto b = record("b");
    signal->addListener(a.get());
    signal->addListener(b.get());
    signal->notify();
    EXPECT_EQ(calls, (Names{"a", "b"}));
}

TEST_F(SignalTest, SignalDestroyedByItsOwnListenerStopsTheNotify) {
    auto a = record("a", [this] { signal.reset(); });
    auto b = record("b");
    signal->addListener(a.get());
    signal->addListener(b.get());
    signal->notify();
    EXPECT_EQ(calls, (Names{"a"}));
    EXPECT_EQ(a->event(), nullptr);
    EXPECT_EQ(b->event(), nullptr);
}

TEST_F(SignalTest, ListenerWithoutCallbackDoesNothing) {
    Listener quiet;
    signal->addListener(&quiet);
    signal->notify();
    EXPECT_EQ(quiet.event(), signal.get());
}

} // namespace
