// Nodes bound to data sources: what they hear, when, and what leaving the
// stage, rebinding and going away do to the binding.
#include "scene/DataSourceListener.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"

#include "support/HeadlessApp.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::Value;

class Bound : public virtual vorn::Node, public virtual vorn::DataSourceListener {
public:
    explicit Bound(std::string tag = "", std::vector<std::string>* journal = nullptr)
        : tag_(std::move(tag)), journal_(journal) {}
    void onValueChanged(const Value& value) override {
        heard.push_back(value.toString());
        if (journal_) journal_->push_back(tag_ + "=" + value.toString());
        if (then) then(value);
    }

    std::vector<std::string> heard;
    std::function<void(const Value&)> then;

private:
    std::string tag_;
    std::vector<std::string>* journal_;
};

class DataSourceListenerTest : public ::testing::Test {
protected:
    void SetUp() override { scene = run.run(); }
    static void set(const std::string& name, const std::string& value) { DataSource::get(name)->set(Value(value)); }

    vorn::test::HeadlessRun run;
    std::shared_ptr<vorn::Scene> scene;
};

TEST_F(DataSourceListenerTest, HearsThePresentValueOnEntryAndEverySetAtOnceEqualValuesIncluded) {
    set("score", "1");
    auto node = std::make_shared<Bound>();
    node->setDataSource("score");
    EXPECT_TRUE(node->heard.empty()) << "nothing is attached off the stage";
    scene->addChild(node);
    EXPECT_EQ(node->heard, (std::vector<std::string>{"1"}));
    set("score", "2");
    set("score", "2");
    // Heard inside the setter, before any event is delivered.
    EXPECT_EQ(node->heard, (std::vector<std::string>{"1", "2", "2"}));
    EXPECT_GT(vorn::EventDispatcher::instance()->queuedEvents(), 0u);
    EXPECT_EQ(node->getDataSource(), DataSource::get("score"));
}

TEST_F(DataSourceListenerTest, LeavingTheStageKeepsListeningAndAReturnAttachesOnce) {
    auto node = std::make_shared<Bound>();
    node->setDataSource("lives");
    scene->addChild(node);
    scene->removeChild(node);
    node->exitStage();
    set("lives", "3");
    EXPECT_EQ(node->heard, (std::vector<std::string>{"", "3"}));
    scene->addChild(node);
    set("lives", "4");
    EXPECT_EQ(node->heard, (std::vector<std::string>{"", "3", "3", "4"}));
}

TEST_F(DataSourceListenerTest, RebindingHearsTheNewSourceAtOnceAndNoLongerTheOld) {
    set("old", "a");
    set("new", "b");
    auto node = std::make_shared<Bound>();
    node->setDataSource("old");
    scene->addChild(node);
    node->setDataSource("new");
    EXPECT_EQ(node->heard, (std::vector<std::string>{"a", "b"}));
    set("old", "x");
    EXPECT_EQ(node->heard.size(), 2u);

    node->setDataSource("");
    EXPECT_FALSE(node->isListening());
    set("new", "y");
    EXPECT_EQ(node->heard.size(), 2u);
}

TEST_F(DataSourceListenerTest, RebindingOffTheStageWaitsForTheNextEntry) {
    auto node = std::make_shared<Bound>();
    node->setDataSource("first");
    scene->addChild(node);
    scene->removeChild(node);
    node->exitStage();
    node->setDataSource("second");
    set("first", "1");
    set("second", "2");
    EXPECT_EQ(node->heard, (std::vector<std::string>{""}));
    scene->addChild(node);
    EXPECT_EQ(node->heard, (std::vector<std::string>{"", "2"}));
}

TEST_F(DataSourceListenerTest, NodesOnOneSourceHearInTheOrderTheyAttached) {
    std::vector<std::string> journal;
    auto first = std::make_shared<Bound>("first", &journal);
    auto second = std::make_shared<Bound>("second", &journal);
    second->setDataSource("shared");
    first->setDataSource("shared");
    scene->addChild(second);
    scene->addChild(first);
    journal.clear();
    set("shared", "v");
    EXPECT_EQ(journal, (std::vector<std::string>{"second=v", "first=v"}));
}

// A handler may rebind its own node, or make its node go away, while the
// source is calling it.
TEST_F(DataSourceListenerTest, AHandlerMayRebindOrDropItsOwnNode) {
    auto rebinding = std::make_shared<Bound>();
    rebinding->setDataSource("a");
    scene->addChild(rebinding);
    rebinding->then = [&rebinding](const Value& value) {
        if (value.toString() == "switch") rebinding->setDataSource("b");
    };
    set("a", "switch");
    set("a", "later");
    set("b", "seen");
    EXPECT_EQ(rebinding->heard, (std::vector<std::string>{"", "switch", "", "seen"}));

    auto dropped = std::make_shared<Bound>();
    dropped->setDataSource("c");
    scene->addChild(dropped);
    Bound* raw = dropped.get();
    dropped->then = [this, raw](const Value&) { scene->removeChild(raw); };
    dropped.reset();
    set("c", "go");
    EXPECT_EQ(scene->children().size(), 1u);
    set("c", "again"); // nothing left to call
}

} // namespace
