// The artifact collection: ids to places and artifacts, the part table,
// collecting and placing for the selected player, the place achievements,
// the place-complete call and what reaches the player's record.
#include "screens/ArtifactManager.h"

#include "services/AchievementManager.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "services/User.h"
#include "services/UserManager.h"

#include "services/ServicesFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::UserManager;
using vorn::Value;

// Place 1 holds two artifacts of two parts, place 2 one artifact of two,
// place 4 one artifact of five.
const char* kTable = R"({
  "1/a1-cup-1": {"x": 30, "y": 60},  "1/a1-cup-2": {"x": 3, "y": 0},
  "1/a2-hat-1": {"x": 0, "y": 0},    "1/a2-hat-2": {"x": 0, "y": 0},
  "2/a1-map-1": {"x": 0, "y": 0},    "2/a1-map-2": {"x": 0, "y": 0},
  "4/a1-mask-1": {"x": 1, "y": 2},   "4/a1-mask-2": {"x": 0, "y": 0}, "4/a1-mask-3": {"x": 0, "y": 0},
  "4/a1-mask-4": {"x": 0, "y": 0},   "4/a1-mask-5": {"x": 0, "y": 0, "note": "ignored"}
})";

std::vector<std::string> ids(const Value& list) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < list.size(); ++i) out.push_back(list.at(i).toString());
    return out;
}

class Artifacts : public vorn::test::ServicesTest {
protected:
    Artifacts() { writeData("data/artifact_parts.json", kTable); }

    ArtifactManager* manager() {
        if (UserManager::instance()->currentUser() == nullptr) {
            UserManager::instance()->addUser("P1");
            frame();
        }
        return ArtifactManager::instance();
    }
    static vorn::User* user() { return UserManager::instance()->currentUser(); }
    static float completion(const std::string& place) {
        return vorn::AchievementManager::instance()->achievement(place).completion();
    }
    void collect(std::initializer_list<const char*> parts) {
        for (const char* id : parts) ASSERT_TRUE(manager()->collectPart(id)) << id;
    }
};

TEST(ArtifactIds, PlaceAndArtifactComeFromTheIdAlone) {
    struct Case {
        std::string id;
        int place;
        std::string group;
    };
    const std::vector<Case> cases = {
        {"7/a-b-c", 7, "7/a-b"},
        {"7/a-b", 7, "7/a-b"},
        {"12/x-y", 12, "12/x-y"},
        {"4/a2-mask-3-extra", 4, "4/a2-mask"},
        {"  +3x/a-b", 3, "  +3x/a-b"},
        {"-2/a-b", -2, "-2/a"},
        {"x/a-b", 0, "x/a-b"},
        {"/a-b", 0, "/a-b"},
        {"99999999999999/a-b", 2147483647, "99999999999999/a-b"},
        {"nodash", 0, "nodash"},
        {"", 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ArtifactManager::placeOfPart(c.id), c.place) << c.id;
        EXPECT_EQ(ArtifactManager::groupOfPart(c.id), c.group) << c.id;
    }
    const std::vector<std::pair<int, std::string>> names = {
        {1, "provence"}, {2, "marseille"}, {3, "cannes"}, {4, "venice"}, {5, "rome"}, {6, "naples"},
        {7, "athens"},   {8, "santorini"}, {9, "crete"},  {0, ""},       {10, ""},    {-1, ""}};
    for (const auto& [place, name] : names) EXPECT_EQ(ArtifactManager::placeName(place), name) << place;
}

TEST_F(Artifacts, TheTableHoldsEveryPartWithItsPositionInScenePixels) {
    ArtifactManager* m = ArtifactManager::instance();
    EXPECT_EQ(m->parts().size(), 11u);
    const ArtifactManager::PartInfo& cup = m->parts().at("1/a1-cup-1");
    EXPECT_EQ(cup.group, "1/a1-cup");
    EXPECT_EQ(cup.place, 1);
    EXPECT_FLOAT_EQ(cup.x, 10.0f);
    EXPECT_FLOAT_EQ(cup.y, 20.0f);
    EXPECT_EQ(m->partPosition("4/a1-mask-1"), glm::vec2(1.0f / 3.0f, 2.0f / 3.0f));
    EXPECT_EQ(m->partPosition("9/nothing-1"), glm::vec2(0.0f, 0.0f));
}

TEST_F(Artifacts, ABrokenTableIsLoggedAndWhatCanBeReadIsKept) {
    ArtifactManager* m = ArtifactManager::instance();
    struct Case {
        const char* text;
        std::size_t parts;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"", 0, "File not found"},
        {"{\"1/a-b\": {\"x\": 1", 0, "not JSON"},
        {"[1, 2]", 0, "not an object"},
        {R"({"1/a-b-1": {"x": 1, "y": 2}, "1/a-b-2": {"x": "1", "y": 2}, "1/a-b-3": [1, 2],
             "1/ab": {"x": 1, "y": 1}, "x/a-b": {"x": 1, "y": 1}, "1/a-b-4": {"x": 1}})",
         1, "skipped"},
    };
    for (const Case& c : cases) {
        if (*c.text) writeData("data/t.json", c.text);
        vorn::test::LogCapture log;
        m->readPartTable(*c.text ? "data/t.json" : "data/missing.json");
        EXPECT_EQ(m->parts().size(), c.parts) << c.text;
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << c.text << "\n" << log.text();
    }
    EXPECT_TRUE(m->parts().contains("1/a-b-1"));
}

TEST_F(Artifacts, CollectingKeepsIdsInOrderAndNeverTakesBackAPlacedPart) {
    collect({"4/a1-mask-3", "1/a1-cup-2", "2/a1-map-1"});
    EXPECT_TRUE(manager()->hasUnsavedChanges());
    // Already collected: accepted, nothing new.
    EXPECT_TRUE(manager()->collectPart("2/a1-map-1"));
    EXPECT_EQ(manager()->collectedParts().size(), 3u);

    ASSERT_TRUE(manager()->placePart("1/a1-cup-2"));
    EXPECT_FALSE(manager()->collectPart("1/a1-cup-2"));
    EXPECT_FALSE(manager()->isCollected("1/a1-cup-2"));
    EXPECT_TRUE(manager()->isPlaced("1/a1-cup-2"));

    manager()->saveIfChanged();
    EXPECT_FALSE(manager()->hasUnsavedChanges());
    EXPECT_EQ(ids(user()->getValue("collectedParts")), (std::vector<std::string>{"2/a1-map-1", "4/a1-mask-3"}));
    EXPECT_EQ(ids(user()->getValue("placedParts")), (std::vector<std::string>{"1/a1-cup-2"}));
}

TEST_F(Artifacts, PlacingRefusesWhatIsUnknownUncollectedOrAlreadyPlaced) {
    collect({"1/a1-cup-1", "9/a1-ghost-1"});
    ASSERT_TRUE(manager()->placePart("1/a1-cup-1"));
    // A placement waits for the next save like a find does.
    EXPECT_TRUE(manager()->hasUnsavedChanges());
    manager()->saveIfChanged();
    EXPECT_EQ(ids(user()->getValue("placedParts")), (std::vector<std::string>{"1/a1-cup-1"}));
    for (const char* id : {"9/a1-ghost-1", "1/a1-cup-2", "1/a1-cup-1", ""}) {
        EXPECT_FALSE(manager()->placePart(id)) << id;
        EXPECT_FALSE(manager()->hasUnsavedChanges()) << id;
    }
    EXPECT_EQ(manager()->placedParts(), (std::set<std::string>{"1/a1-cup-1"}));
    EXPECT_EQ(manager()->collectedParts(), (std::set<std::string>{"9/a1-ghost-1"}));
}

TEST_F(Artifacts, PlacingSetsThePlaceShareAndTheLastPartCompletesThePlaceBeforeTheEventArrives) {
    collect({"4/a1-mask-1", "4/a1-mask-2", "4/a1-mask-3", "4/a1-mask-4", "4/a1-mask-5"});
    std::vector<std::string> log;
    manager()->setPlaceCompleteCallback([&log](int place, const std::string& name) {
        log.push_back("complete " + std::to_string(place) + " " + name);
    });
    vorn::EventDispatcher::instance()->addListener(
        manager(), typeid(ArtifactManager::ArtifactPlacedEvent), [&log](vorn::Event* e) {
            log.push_back("placed " + static_cast<ArtifactManager::ArtifactPlacedEvent*>(e)->partId());
        });

    ASSERT_TRUE(manager()->placePart("4/a1-mask-2"));
    ASSERT_TRUE(manager()->placePart("4/a1-mask-4"));
    EXPECT_FLOAT_EQ(completion("venice"), 40.0f);
    EXPECT_FLOAT_EQ(manager()->placeProgress(4), 0.4f);
    EXPECT_FALSE(manager()->isPlaceComplete(4));
    EXPECT_FALSE(manager()->isGroupPlaced("4/a1-mask"));
    frame();
    EXPECT_EQ(log, (std::vector<std::string>{"placed 4/a1-mask-2", "placed 4/a1-mask-4"}));

    log.clear();
    for (const char* id : {"4/a1-mask-1", "4/a1-mask-3", "4/a1-mask-5"}) ASSERT_TRUE(manager()->placePart(id));
    EXPECT_EQ(log, (std::vector<std::string>{"complete 4 venice"}));
    EXPECT_FLOAT_EQ(completion("venice"), 100.0f);
    EXPECT_TRUE(manager()->isGroupPlaced("4/a1-mask"));
    frame();
    EXPECT_EQ(log, (std::vector<std::string>{"complete 4 venice", "placed 4/a1-mask-1", "placed 4/a1-mask-3",
                                             "placed 4/a1-mask-5"}));
    // No achievement of any other place moved.
    EXPECT_FLOAT_EQ(completion("provence"), 0.0f);
}

TEST_F(Artifacts, TheFirstIncompletePlaceIsWhereTheAlbumOpens) {
    EXPECT_EQ(manager()->firstIncompletePlace(), 1);
    EXPECT_TRUE(std::isnan(manager()->placeProgress(3)));
    EXPECT_TRUE(manager()->isPlaceComplete(3));
    collect({"1/a1-cup-1", "1/a1-cup-2", "1/a2-hat-1", "1/a2-hat-2", "2/a1-map-1", "2/a1-map-2"});
    for (const std::string& id : std::set<std::string>(manager()->collectedParts())) manager()->placePart(id);
    // Place 3 has no parts, so it counts as complete.
    EXPECT_EQ(manager()->firstIncompletePlace(), 4);
    collect({"4/a1-mask-1", "4/a1-mask-2", "4/a1-mask-3", "4/a1-mask-4", "4/a1-mask-5"});
    for (const std::string& id : std::set<std::string>(manager()->collectedParts())) manager()->placePart(id);
    EXPECT_EQ(manager()->firstIncompletePlace(), 4);

    manager()->readPartTable("data/none.json");
    EXPECT_EQ(manager()->firstIncompletePlace(), 0);
    writeData("data/far.json", R"({"3/a-b-1": {"x": 0, "y": 0}, "2000000000/a-b-1": {"x": 0, "y": 0}})");
    manager()->readPartTable("data/far.json");
    EXPECT_EQ(manager()->firstIncompletePlace(), 3);
}

TEST_F(Artifacts, PublishingCountsReadsTheRecordAgainAndDropsWhatWasNotSaved) {
    collect({"1/a1-cup-1", "2/a1-map-1"});
    manager()->saveIfChanged();
    collect({"4/a1-mask-1"});
    manager()->publishCounts();
    EXPECT_EQ(DataSource::get("collectedPartsCount")->value(), Value(2LL));
    EXPECT_EQ(DataSource::get("collectedPartsAvailable")->value(), Value(true));
    EXPECT_FALSE(manager()->isCollected("4/a1-mask-1"));

    ASSERT_TRUE(manager()->placePart("1/a1-cup-1"));
    ASSERT_TRUE(manager()->placePart("2/a1-map-1"));
    manager()->saveIfChanged();
    manager()->publishCounts();
    EXPECT_EQ(DataSource::get("collectedPartsCount")->value(), Value(0LL));
    EXPECT_EQ(DataSource::get("collectedPartsAvailable")->value(), Value(false));
}

TEST_F(Artifacts, UnplacingEverythingWaitsForTheNextSave) {
    collect({"1/a1-cup-1", "1/a1-cup-2"});
    manager()->placePart("1/a1-cup-1");
    manager()->placePart("1/a1-cup-2");
    manager()->saveIfChanged();
    manager()->unplaceAll();
    EXPECT_TRUE(manager()->placedParts().empty());
    EXPECT_EQ(manager()->collectedParts().size(), 2u);
    EXPECT_EQ(ids(user()->getValue("placedParts")).size(), 2u);
    manager()->publishCounts();
    EXPECT_EQ(manager()->placedParts().size(), 2u);
}

TEST_F(Artifacts, TheSetsFollowTheSelectedPlayerAndNeverLeakIntoAnother) {
    collect({"1/a1-cup-1"});
    manager()->saveIfChanged();
    collect({"1/a1-cup-2"});
    vorn::User* first = user();
    vorn::User* second = UserManager::instance()->addUser("P2");
    ASSERT_EQ(user(), second);
    // The second player holds nothing, however the sets stood.
    EXPECT_TRUE(manager()->collectedParts().empty());
    manager()->save();
    EXPECT_EQ(second->getValue("collectedParts").size(), 0u);
    UserManager::instance()->selectUser(first);
    EXPECT_EQ(manager()->collectedParts(), (std::set<std::string>{"1/a1-cup-1"}));
}

TEST_F(Artifacts, ARecordWithStrayEntriesIsReadForWhatItHolds) {
    manager();
    Value collected(Value::ARRAY);
    collected.push_back(Value("2/a1-map-1"));
    collected.push_back(Value(Value::DICT));
    collected.push_back(Value("1/a1-cup-1"));
    user()->setValue(collected, "collectedParts");
    Value placed(Value::ARRAY);
    placed.push_back(Value("1/a1-cup-1"));
    user()->setValue(placed, "placedParts");
    vorn::test::LogCapture log;
    manager()->publishCounts();
    EXPECT_NE(log.text().find("not a part id"), std::string::npos);
    // Listed as both: it was placed.
    EXPECT_EQ(manager()->collectedParts(), (std::set<std::string>{"2/a1-map-1"}));
    EXPECT_EQ(manager()->placedParts(), (std::set<std::string>{"1/a1-cup-1"}));
}

TEST_F(Artifacts, WithoutAPlayerNothingIsCollected) {
    ArtifactManager* m = ArtifactManager::instance();
    EXPECT_FALSE(m->collectPart("1/a1-cup-1"));
    m->publishCounts();
    EXPECT_EQ(DataSource::get("collectedPartsCount")->value(), Value(0LL));
    UserManager::instance()->addUser("Late");
    EXPECT_TRUE(m->collectPart("1/a1-cup-1"));
}

} // namespace
