// The win hands over the level's artifact parts: each new part gets a node
// arriving in its turn, every part is collected, and the caption counts them.
#include "GameFixture.h"

#include "screens/ArtifactHandover.h"
#include "screens/ArtifactManager.h"
#include "screens/ArtifactPartNode.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using screens::test::GameFixture;
using vorn::test::LogCapture;

// A collection of the test's own: parts it already holds, and a record of
// what the win asked of it.
class Collection : public ArtifactHandover {
public:
    bool isCollected(const std::string& id) override { return held.contains(id); }
    bool isPlaced(const std::string& id) override { return placed.contains(id); }
    bool collectPart(const std::string& id) override {
        collected.push_back(id);
        return held.insert(id).second;
    }
    void saveIfChanged() override { ++saves; }
    std::shared_ptr<vorn::Node> makePartNode(const std::string& id) override {
        auto node = std::make_shared<vorn::Node>();
        node->setName(id);
        node->setSize({120.0f, 120.0f});
        vorn::Node::State pre;
        pre.name = "pre_win";
        pre.hasScale = true;
        pre.scale = {0.0f, 0.0f};
        vorn::Node::State arrived;
        arrived.name = "win";
        arrived.hasScale = true;
        arrived.scale = {1.0f, 1.0f};
        node->addState(pre);
        node->addState(arrived);
        node->addTransition("pre_win", "win", {0.3f, 0.0f});
        return node;
    }

    std::set<std::string> held;
    std::set<std::string> placed;
    std::vector<std::string> collected;
    int saves = 0;
};

class WinArtifacts : public GameFixture {
protected:
    WinArtifacts() { ArtifactHandover::use(&collection); }
    ~WinArtifacts() override { ArtifactHandover::use(nullptr); }

    void openWithParts() {
        useLevels(entry("2", "data/levels/002.plist", 180, "\"p/a\", \"p/b\", \"p/c\""));
        open("2");
    }
    std::shared_ptr<vorn::Node> list() const { return game->findNode("winArtifactsNodelist"); }
    std::string shownCaption() const {
        for (const auto& child : game->findNode("scrollsVC")->children()) {
            if (child->isVisible()) return child->getName();
        }
        return "none";
    }

    Collection collection;
};

TEST_F(WinArtifacts, EveryNewPartIsCollectedAndArrivesInItsTurn) {
    collection.held.insert("p/b");
    openWithParts();
    game->win();
    // Each part is collected, also after the first new one.
    EXPECT_EQ(collection.collected, (std::vector<std::string>{"p/a", "p/c"}));
    EXPECT_EQ(collection.saves, 1);
    EXPECT_EQ(list()->getSize().x, 360.0f);
    ASSERT_EQ(list()->children().size(), 2u);
    const auto a = list()->findChild("p/a", false);
    const auto c = list()->findChild("p/c", false);
    ASSERT_TRUE(a && c);
    EXPECT_EQ(a->getState(), "pre_win");
    EXPECT_EQ(a->getScale().x, 0.0f);
    step(2.6f);
    EXPECT_EQ(a->getState(), "win");
    EXPECT_EQ(c->getState(), "pre_win");
    step(0.15f);
    EXPECT_EQ(c->getState(), "win");
    step(0.5f);
    EXPECT_EQ(c->getScale().x, 1.0f);
    EXPECT_EQ(shownCaption(), "3");
}

TEST_F(WinArtifacts, PartsAlreadyHeldGiveNoNodeAndTheEmptyCaption) {
    collection.held = {"p/a", "p/c"};
    collection.placed = {"p/b"};
    openWithParts();
    game->win();
    EXPECT_TRUE(collection.collected.empty());
    EXPECT_EQ(collection.saves, 0);
    EXPECT_TRUE(list()->children().empty());
    EXPECT_EQ(shownCaption(), "0");
}

TEST_F(WinArtifacts, WithoutTheListOrTheCaptionThePartsAreStillCollected) {
    openWithParts();
    for (const char* name : {"winArtifactsNodelist", "scrollsVC"}) {
        const auto node = game->findNode(name);
        node->parent()->removeChild(node.get());
    }
    LogCapture log;
    game->win();
    EXPECT_EQ(log.count("no node \"winArtifactsNodelist\""), 1);
    EXPECT_EQ(log.count("no node \"scrollsVC\""), 1);
    EXPECT_EQ(collection.collected.size(), 3u);
    EXPECT_EQ(collection.saves, 1);
    EXPECT_EQ(game->getCurrentState(), "win");
}

TEST_F(WinArtifacts, ThePlayersCollectionKeepsTheWonPartsInTheirRecord) {
    ArtifactHandover::use(nullptr);
    ArtifactManager::instance()->publishCounts();
    useLevels(entry("2", "data/levels/002.plist", 180, "\"1/a1-perfume-1\", \"1/a1-perfume-2\""));
    open("2");
    game->win();
    ASSERT_EQ(list()->children().size(), 2u);
    EXPECT_NE(dynamic_cast<ArtifactPartNode*>(list()->children().front().get()), nullptr);
    EXPECT_EQ(shownCaption(), "2");
    const vorn::Value& record = player->getValue("collectedParts");
    ASSERT_EQ(record.size(), 2u);
    EXPECT_EQ(record.at(0).toString(), "1/a1-perfume-1");
    EXPECT_EQ(record.at(1).toString(), "1/a1-perfume-2");

    // Won again: nothing new, nothing shown.
    open("2");
    game->win();
    EXPECT_TRUE(list()->children().empty());
    EXPECT_EQ(shownCaption(), "0");
}

} // namespace
