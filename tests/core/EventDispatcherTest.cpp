#include "core/EventDispatcher.h"
#include "core/EventSource.h"
#include "core/InputEvents.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using vorn::Event;
using vorn::EventDispatcher;
using vorn::EventListener;
using vorn::KeyDownEvent;

// A source that unregisters itself, as nodes and data sources do.
struct Source : vorn::EventSource {
    Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source() override { EventDispatcher::instance()->removeSource(this); }
};

// An event that reports its own deletion.
struct CountedEvent : Event {
    CountedEvent(vorn::EventSource* source, int* deleted) : Event(source), deleted_(deleted) {}
    ~CountedEvent() override { ++*deleted_; }
    int* deleted_;
};

struct CountedListener : EventListener {
    CountedListener(int* deleted, std::function<void(Event*)> callback)
        : EventListener(typeid(KeyDownEvent), std::move(callback)), deleted_(deleted) {}
    ~CountedListener() override { ++*deleted_; }
    int* deleted_;
};

class EventDispatcherTest : public testing::Test {
protected:
    void TearDown() override { dispatcher->process(); }

    EventListener* record(const std::string& name) {
        return new EventListener(typeid(KeyDownEvent), [this, name](Event*) { calls.push_back(name); });
    }

    EventDispatcher* dispatcher = EventDispatcher::instance();
    Source source;
    Source other;
    std::vector<std::string> calls;
};

// What the first of three listeners does while the first event is being
// delivered; the second event shows what is left registered.
struct WalkCase {
    const char* name;
    std::function<void(EventDispatcher*, Source& source, Source& other, EventListener* const* listeners,
                       std::vector<std::string>& calls)>
        action;
    std::vector<std::string> firstEvent;
    std::vector<std::string> secondEvent;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class DispatcherWalkTest : public EventDispatcherTest, public testing::WithParamInterface<WalkCase> {};

TEST_P(DispatcherWalkTest, ListenerActionDuringDelivery) {
    const WalkCase& c = GetParam();
    EventListener* listeners[3] = {};
    bool acted = false;
    // The record after the action reads the callback's own captures, so a
    // listener freed while its callback runs shows up under AddressSanitizer.
    listeners[0] = new EventListener(typeid(KeyDownEvent), [&, name = std::string("a")](Event*) {
        if (!acted) {
            acted = true;
            c.action(dispatcher, source, other, listeners, calls);
        }
        calls.push_back(name);
    });
    listeners[1] = record("b");
    listeners[2] = record("c");
    for (EventListener* l : listeners) {
        dispatcher->addListener(&source, l, false);
    }
    dispatcher->addListener(&other, record("o"), false);

    dispatcher->post(new KeyDownEvent(&source, vorn::KEY_A));
    dispatcher->process();
    EXPECT_EQ(calls, c.firstEvent);

    calls.clear();
    dispatcher->post(new KeyDownEvent(&source, vorn::KEY_A));
    dispatcher->process();
    EXPECT_EQ(calls, c.secondEvent);
}

using Names = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Actions, DispatcherWalkTest,
    testing::Values(
        WalkCase{"Nothing", [](auto*, auto&, auto&, auto*, auto&) {}, Names{"a", "b", "c"}, Names{"a", "b", "c"}},
        // The post ends this event's walk; the posted event still arrives in the same process call.
        WalkCase{"Post",
                 [](EventDispatcher* d, Source&, Source& other, auto*, auto&) {
                     d->post(new KeyDownEvent(&other, vorn::KEY_B));
                 },
                 Names{"a", "o"}, Names{"a", "b", "c"}},
        WalkCase{"RemoveSelf",
                 [](EventDispatcher* d, Source&, Source&, EventListener* const* l, auto&) { d->removeListener(l[0]); },
                 Names{"a"}, Names{"b", "c"}},
        // Taken back before the walk ends, the listener must not be deleted with it.
        WalkCase{"RemoveSelfAndAddItBack",
                 [](EventDispatcher* d, Source& source, Source&, EventListener* const* l, auto&) {
                     d->removeListener(l[0]);
                     d->addListener(&source, l[0], false);
                 },
                 Names{"a"}, Names{"b", "c", "a"}},
        WalkCase{"RemoveAnotherOfTheWalk",
                 [](EventDispatcher* d, Source&, Source&, EventListener* const* l, auto&) { d->removeListener(l[1]); },
                 Names{"a"}, Names{"a", "c"}},
        // A replacement does not end the walk, but the listeners it deletes,
        // the running one included, are never called again.
        WalkCase{"ReplaceAllOfTheWalk",
                 [](EventDispatcher* d, Source& source, Source&, auto*, std::vector<std::string>& calls) {
                     d->setListener(&source, typeid(KeyDownEvent), [&calls](Event*) { calls.push_back("n"); });
                 },
                 Names{"a"}, Names{"n"}},
        WalkCase{"ReplaceAnotherClass",
                 [](EventDispatcher* d, Source& source, Source&, auto*, std::vector<std::string>& calls) {
                     d->setListener(&source, typeid(vorn::KeyUpEvent), [&calls](Event*) { calls.push_back("u"); });
                 },
                 Names{"a", "b", "c"}, Names{"a", "b", "c"}},
        WalkCase{"RemoveOwnSource",
                 [](EventDispatcher* d, Source& source, Source&, auto*, auto&) { d->removeSource(&source); },
                 Names{"a"}, Names{}},
        WalkCase{"RemoveAnotherSource",
                 [](EventDispatcher* d, Source&, Source& other, auto*, auto&) { d->removeSource(&other); },
                 Names{"a"}, Names{"a", "b", "c"}},
        // Added listeners first hear the next event.
        WalkCase{"Add",
                 [](EventDispatcher* d, Source& source, Source&, auto*, std::vector<std::string>& calls) {
                     d->addListener(&source, typeid(KeyDownEvent), [&calls](Event*) { calls.push_back("n"); });
                 },
                 Names{"a", "b", "c"}, Names{"a", "b", "c", "n"}}),
    [](const testing::TestParamInfo<WalkCase>& param) { return std::string(param.param.name); });

TEST_F(EventDispatcherTest, DeliversInPostingOrderIncludingEventsPostedDuringDelivery) {
    Source third;
    std::vector<int> keys;
    dispatcher->addListener(&source, typeid(KeyDownEvent), [&](Event* e) {
        keys.push_back(static_cast<KeyDownEvent*>(e)->key());
        dispatcher->post(new KeyDownEvent(&third, 3));
    });
    auto note = [&](Event* e) { keys.push_back(static_cast<KeyDownEvent*>(e)->key()); };
    dispatcher->addListener(&other, typeid(KeyDownEvent), note);
    dispatcher->addListener(&third, typeid(KeyDownEvent), note);

    dispatcher->post(new KeyDownEvent(&source, 1));
    dispatcher->post(new KeyDownEvent(&other, 2));
    dispatcher->process();

    EXPECT_EQ(keys, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(dispatcher->queuedEvents(), 0u);
}

TEST_F(EventDispatcherTest, ReplaceLeavesOnlyTheNewListenerOfThatClass) {
    dispatcher->addListener(&source, record("first"), false);
    dispatcher->addListener(&source, record("second"), false);
    dispatcher->post(new KeyDownEvent(&source, 0));
    dispatcher->process();
    EXPECT_EQ(calls, (Names{"first", "second"}));

    calls.clear();
    dispatcher->addListener(&source, record("third"), true);
    dispatcher->post(new KeyDownEvent(&source, 0));
    dispatcher->process();
    EXPECT_EQ(calls, (Names{"third"}));
}

TEST_F(EventDispatcherTest, ListenersHearOnlyTheirExactClass) {
    int base = 0;
    int exact = 0;
    dispatcher->addListener(&source, typeid(vorn::MouseEvent), [&](Event*) { ++base; });
    dispatcher->addListener(&source, typeid(vorn::MouseDownEvent), [&](Event* e) {
        ++exact;
        EXPECT_EQ(static_cast<vorn::MouseDownEvent*>(e)->position(), glm::vec2(4, 5));
        EXPECT_EQ(e->source(), &source);
    });
    dispatcher->post(new vorn::MouseDownEvent(&source, glm::vec2(4, 5)));
    dispatcher->post(new vorn::MouseUpEvent(&source, glm::vec2(4, 5)));
    dispatcher->process();
    EXPECT_EQ(base, 0);
    EXPECT_EQ(exact, 1);
}

TEST_F(EventDispatcherTest, UndeliverableEventsAreDeletedUnheard) {
    int deleted = 0;
    int heard = 0;
    auto victim = std::make_unique<Source>();
    dispatcher->addListener(victim.get(), typeid(CountedEvent), [&](Event*) { ++heard; });

    dispatcher->post(new CountedEvent(&source, &deleted)); // no listeners at all
    dispatcher->post(new CountedEvent(victim.get(), &deleted));
    victim.reset();
    dispatcher->process();

    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(heard, 0);
}

// A new object may be made at the address of a removed source; the removed
// source's queued events must not reach the newcomer's listeners.
TEST_F(EventDispatcherTest, EventsOfARemovedSourceDoNotReachItsAddressSuccessor) {
    int heard = 0;
    dispatcher->post(new KeyDownEvent(&source, 1));
    dispatcher->removeSource(&source);
    dispatcher->addListener(&source, typeid(KeyDownEvent), [&](Event*) { ++heard; });
    dispatcher->process();
    EXPECT_EQ(heard, 0);
    EXPECT_EQ(dispatcher->queuedEvents(), 0u);
}

TEST_F(EventDispatcherTest, ListenerUnderTwoSourcesIsRemovedFromBothAndDeletedOnce) {
    int deleted = 0;
    int heard = 0;
    auto* shared = new CountedListener(&deleted, [&](Event*) { ++heard; });
    dispatcher->addListener(&source, shared, false);
    dispatcher->addListener(&other, shared, false);

    dispatcher->post(new KeyDownEvent(&source, 0));
    dispatcher->post(new KeyDownEvent(&other, 0));
    dispatcher->process();
    EXPECT_EQ(heard, 2);

    dispatcher->removeListener(shared);
    EXPECT_EQ(deleted, 1);
    dispatcher->post(new KeyDownEvent(&source, 0));
    dispatcher->post(new KeyDownEvent(&other, 0));
    dispatcher->process();
    EXPECT_EQ(heard, 2);
}

TEST_F(EventDispatcherTest, SharedListenerLivesUntilItsLastRegistrationGoes) {
    int deleted = 0;
    int heard = 0;
    auto* shared = new CountedListener(&deleted, [&](Event*) { ++heard; });
    dispatcher->addListener(&source, shared, false);
    dispatcher->addListener(&other, shared, false);
    // Replacing it by itself keeps it registered once.
    dispatcher->addListener(&source, shared, true);

    dispatcher->removeSource(&other);
    EXPECT_EQ(deleted, 0);
    dispatcher->post(new KeyDownEvent(&source, 0));
    dispatcher->process();
    EXPECT_EQ(heard, 1);

    dispatcher->removeSource(&source);
    EXPECT_EQ(deleted, 1);
}

// Deleting a listener may run arbitrary code through its callback's
// captures: a captured node's destructor removes its source and posts.
TEST_F(EventDispatcherTest, ListenerWhoseDeletionReentersTheDispatcher) {
    struct Reentrant {
        Source* other;
        ~Reentrant() {
            EventDispatcher::instance()->removeSource(other);
            EventDispatcher::instance()->post(new KeyDownEvent(other, 9));
        }
    };
    int heard = 0;
    dispatcher->addListener(&other, typeid(KeyDownEvent), [&](Event*) { ++heard; });

    auto* outsideWalk = new EventListener(typeid(KeyDownEvent),
                                          [r = std::make_shared<Reentrant>(Reentrant{&other})](Event*) {});
    dispatcher->addListener(&source, outsideWalk, false);
    dispatcher->removeListener(outsideWalk);

    EventListener* self = nullptr;
    self = new EventListener(typeid(KeyDownEvent), [&, r = std::make_shared<Reentrant>(Reentrant{&other})](Event*) {
        dispatcher->removeListener(self);
    });
    dispatcher->addListener(&source, self, false);
    dispatcher->post(new KeyDownEvent(&source, 0));
    dispatcher->process();

    EXPECT_EQ(heard, 0);
    EXPECT_EQ(dispatcher->queuedEvents(), 0u);
}

TEST_F(EventDispatcherTest, ProcessFromACallbackIsIgnoredAndTheQueueStillDrains) {
    std::vector<int> keys;
    dispatcher->addListener(&source, typeid(KeyDownEvent), [&](Event* e) {
        keys.push_back(static_cast<KeyDownEvent*>(e)->key());
        if (keys.size() == 1) {
            dispatcher->post(new KeyDownEvent(&source, 2));
            dispatcher->process();
            EXPECT_EQ(keys.size(), 1u);
        }
    });
    dispatcher->post(new KeyDownEvent(&source, 1));
    dispatcher->process();
    EXPECT_EQ(keys, (std::vector<int>{1, 2}));
}

TEST_F(EventDispatcherTest, PlainSourcePostsKeysAndTextButNoPointerEvents) {
    std::vector<std::string> heard;
    dispatcher->addListener(&source, typeid(KeyDownEvent), [&](Event* e) {
        heard.push_back("down " + std::to_string(static_cast<KeyDownEvent*>(e)->key()));
    });
    dispatcher->addListener(&source, typeid(vorn::KeyUpEvent), [&](Event* e) {
        heard.push_back("up " + std::to_string(static_cast<vorn::KeyUpEvent*>(e)->key()));
    });
    dispatcher->addListener(&source, typeid(vorn::TextInputEvent), [&](Event* e) {
        heard.push_back("text " + static_cast<vorn::TextInputEvent*>(e)->text());
    });

    EXPECT_FALSE(source.keyDown(vorn::KEY_F5));
    source.keyUp(vorn::KEY_ESCAPE);
    source.textInput("\xc3\xa9");
    EXPECT_EQ(dispatcher->queuedEvents(), 3u);
    source.mouseDown({1, 2}, vorn::BUTTON_LEFT);
    source.mouseUp({1, 2}, vorn::BUTTON_RIGHT);
    source.mouseMove({1, 2}, vorn::BUTTON_LEFT);
    source.pointerEvent({1, 2}, vorn::BUTTON_LEFT);
    source.scroll({0, 1});
    source.intEvent(3);
    EXPECT_EQ(dispatcher->queuedEvents(), 3u);

    dispatcher->process();
    EXPECT_EQ(heard, (Names{"down 7", "up 2", "text \xc3\xa9"}));
}

} // namespace
