#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::Event;
using vorn::EventDispatcher;
using vorn::Value;

// Data sources live for the whole process, so every test names its own.
class DataSourceTest : public testing::Test {
protected:
    void TearDown() override { dispatcher->process(); }

    std::string unique(const std::string& stem) {
        return std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "." + stem;
    }

    EventDispatcher* dispatcher = EventDispatcher::instance();
};

TEST_F(DataSourceTest, FirstLookUpCreatesANilSourceQuietly) {
    const std::size_t queued = dispatcher->queuedEvents();
    DataSource* score = DataSource::get(unique("score"));
    ASSERT_NE(score, nullptr);
    EXPECT_TRUE(score->value().isNil());
    EXPECT_EQ(DataSource::get(unique("score")), score);
    EXPECT_NE(DataSource::get(unique("Score")), score);
    EXPECT_EQ(score->changed().source(), score);
    EXPECT_EQ(dispatcher->queuedEvents(), queued);
}

TEST_F(DataSourceTest, AddressesSurviveManyLaterSources) {
    DataSource* first = DataSource::get(unique("first"));
    first->set(Value(7));
    for (int i = 0; i < 2000; ++i) {
        DataSource::get(unique("filler" + std::to_string(i)));
    }
    EXPECT_EQ(DataSource::get(unique("first")), first);
    EXPECT_EQ(first->value().asInt(), 7);
}

// Each set, equal value or not, notifies the signal at once and then posts
// exactly one change event; queued listeners read the value at delivery.
TEST_F(DataSourceTest, EverySetNotifiesAtOnceAndPostsOneEvent) {
    DataSource* source = DataSource::get(unique("lives"));
    std::vector<std::string> heard;
    std::size_t queuedAtSignal = 0;
    Event::Listener now([&](Event* e) {
        EXPECT_EQ(e, &source->changed());
        queuedAtSignal = dispatcher->queuedEvents();
        heard.push_back("now " + source->value().toString());
    });
    source->changed().addListener(&now);
    dispatcher->addListener(source, typeid(DataSource::ChangedEvent), [&](Event* e) {
        auto* changed = static_cast<DataSource::ChangedEvent*>(e);
        EXPECT_EQ(changed->source(), source);
        EXPECT_EQ(changed->origin(), nullptr);
        heard.push_back("queued " + source->value().toString());
    });

    const std::size_t before = dispatcher->queuedEvents();
    source->set(Value(3));
    EXPECT_EQ(queuedAtSignal, before);
    source->set(Value(3));
    source->set(Value(5));
    EXPECT_EQ(dispatcher->queuedEvents(), before + 3);
    dispatcher->process();

    EXPECT_EQ(heard, (std::vector<std::string>{"now 3", "now 3", "now 5", "queued 5", "queued 5", "queued 5"}));
    dispatcher->removeSource(source);
}

TEST_F(DataSourceTest, ListenerAttachedAfterASetHearsOnlyLaterSets) {
    DataSource* source = DataSource::get(unique("gold"));
    int calls = 0;
    Event::Listener late([&](Event*) { ++calls; });
    source->set(Value(1));
    source->changed().addListener(&late);
    EXPECT_EQ(calls, 0);
    source->set(Value(2));
    EXPECT_EQ(calls, 1);
}

TEST_F(DataSourceTest, SetsStoreADeepCopy) {
    DataSource* source = DataSource::get(unique("list"));
    Value list(Value::ARRAY);
    list.push_back(Value(1));
    source->set(list);
    list.push_back(Value(2));
    EXPECT_EQ(source->value().size(), 1u);
}

// A synchronous listener that sets another source, or its own, nests the
// notifications; the posted events still arrive in posting order.
TEST_F(DataSourceTest, NestedSetsFromSynchronousListeners) {
    DataSource* a = DataSource::get(unique("a"));
    DataSource* b = DataSource::get(unique("b"));
    std::vector<std::string> order;
    Event::Listener mirror([&](Event*) {
        b->set(a->value());
        if (a->value().asInt() < 3) {
            a->set(Value(a->value().asInt() + 1));
        }
    });
    a->changed().addListener(&mirror);
    dispatcher->addListener(a, typeid(DataSource::ChangedEvent), [&](Event*) { order.push_back("a"); });
    dispatcher->addListener(b, typeid(DataSource::ChangedEvent), [&](Event*) { order.push_back("b"); });

    a->set(Value(1));
    EXPECT_EQ(a->value().asInt(), 3);
    EXPECT_EQ(b->value().asInt(), 3);
    dispatcher->process();
    // b's events are posted from inside a's notification, before a's own.
    EXPECT_EQ(order, (std::vector<std::string>{"b", "b", "b", "a", "a", "a"}));
    dispatcher->removeSource(a);
    dispatcher->removeSource(b);
}

TEST_F(DataSourceTest, KeepsTheDefaultInputOperations) {
    DataSource* source = DataSource::get(unique("keys"));
    int keys = 0;
    dispatcher->addListener(source, typeid(vorn::KeyDownEvent), [&](Event*) { ++keys; });
    EXPECT_FALSE(source->keyDown(vorn::KEY_SPACE));
    source->mouseDown({0, 0}, vorn::BUTTON_LEFT);
    dispatcher->process();
    EXPECT_EQ(keys, 1);
    dispatcher->removeSource(source);
}

} // namespace
