// Profiles, counters and the users file: what is saved, read back and kept,
// how damaged files are set aside, and how many writes a burst of changes costs.
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/User.h"
#include "core/UserManager.h"

#include "ServicesFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using vorn::DataSource;
using vorn::User;
using vorn::UserManager;
using vorn::Value;
using vorn::test::LogCapture;
using vorn::test::readBytes;
using vorn::test::writeBytes;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n";

std::string usersFile(const std::string& selected, const std::string& profiles) {
    return kHead + "<dict>\n<key>selected_user_name</key><string>" + selected + "</string>\n<key>users</key><array>" +
           profiles + "</array>\n</dict>\n</plist>";
}

const Value& setting(const std::string& option) { return DataSource::get("@settings." + option)->value(); }

// Counts the events a source posts.
struct EventCounter {
    template <typename E>
    void watch(vorn::EventSource* source, int* count) {
        vorn::EventDispatcher::instance()->addListener(source, typeid(E), [count](vorn::Event*) { ++*count; });
    }
};

class Users : public vorn::test::ServicesTest {
protected:
    std::string path() const { return userFile("users.xml"); }
    void writeUsers(const std::string& bytes) const { writeBytes(path(), bytes); }
    UserManager* users() const { return UserManager::instance(); }
};

TEST_F(Users, AFirstRunHasNoProfileUntilOneIsAdded) {
    EXPECT_TRUE(users()->isLoaded());
    EXPECT_EQ(users()->currentUser(), nullptr);
    EXPECT_TRUE(DataSource::get("@users.empty")->value().isNil());
    users()->userDataChanged();
    frame();
    EXPECT_FALSE(std::filesystem::exists(path()));

    User* p1 = users()->addUser("P1");
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(users()->currentUser(), p1);
    EXPECT_TRUE(DataSource::get("@users.not_empty")->value().asBool());
    EXPECT_FALSE(DataSource::get("@users.empty")->value().asBool());
    EXPECT_TRUE(DataSource::get("@users.one_or_zero")->value().asBool());
    EXPECT_FALSE(DataSource::get("@users.more_then_one")->value().asBool());
    EXPECT_EQ(DataSource::get("@users.selected_user_name")->value().toString(), "P1");
    EXPECT_EQ(setting("fullscreen"), Value(true));
    EXPECT_EQ(setting("music_volume"), Value(1.0));
    EXPECT_EQ(setting("mute_sound"), Value(false));
    EXPECT_EQ(p1->data().keys(),
              (std::vector<std::string>{"fullscreen", "music_volume", "mute_music", "mute_sound", "name", "resourceAmounts",
                                        "sound_volume"}));
    // The published options come back as changes and are saved.
    frame();
    const Value saved = UserManager::readUsersData(vorn::Data::readFile(path()), nullptr);
    ASSERT_EQ(saved.get("users").size(), 1u);
    EXPECT_EQ(saved.get("selected_user_name").toString(), "P1");
}

TEST_F(Users, TheFileIsAPropertyListInItsExactShape) {
    User* p1 = users()->addUser("P1");
    p1->getResource("gold").set(7);
    users()->addUser("P2");
    users()->selectUser(p1);
    users()->save();
    const std::string text = readBytes(path());
    const std::string body = text.substr(kHead.size());
    EXPECT_EQ(text.substr(0, kHead.size()), kHead);
    EXPECT_EQ(text.substr(0, 39), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    EXPECT_EQ(kHead.find("<plist"), 39u + 103u);
    EXPECT_EQ(body.substr(0, 48), "<dict>\n  <key>selected_user_name</key>\n  <string");
    EXPECT_NE(body.find("  <key>users</key>\n  <array>\n    <dict>\n      <key>fullscreen</key>\n      <true/>\n"),
              std::string::npos);
    EXPECT_NE(body.find("      <key>resourceAmounts</key>\n      <dict>\n        <key>gold</key>\n"
                        "        <integer>7</integer>\n      </dict>\n"),
              std::string::npos);
    EXPECT_LT(body.find("<string>P1</string>"), body.find("<string>P2</string>"));
    const std::string tail = "  </array>\n</dict>\n</plist>";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(Users, ProfilesAreReadBackEqualWithKeysThisProgramDoesNotKnow) {
    writeUsers(usersFile("P2",
                         "<dict><key>name</key><string>P1</string><key>wings</key><array><integer>3</integer></array></dict>"
                         "<dict><key>name</key><string>P2</string><key>sound_volume</key><real>0.25</real>"
                         "<key>resourceAmounts</key><dict><key>gold</key><integer>8589934592</integer></dict>"
                         "<key>mapTutorialShown</key><true/></dict>"));
    const std::string before = readBytes(path());
    ASSERT_EQ(users()->users().size(), 2u);
    User* p2 = users()->currentUser();
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->name(), "P2");
    EXPECT_EQ(p2->getResource("gold").amount(), 8589934592LL);
    EXPECT_EQ(setting("sound_volume"), Value(0.25));
    // A missing option gets its default on selection, saved with the rest.
    EXPECT_EQ(p2->getValue("mute_music"), Value(false));
    const Value p1Before = users()->users()[0]->data();
    users()->save();
    const Value root = UserManager::readUsersData(vorn::Data::readFile(path()), nullptr);
    EXPECT_EQ(root.get("users").at(0).get("wings").at(0), Value(3LL));
    EXPECT_EQ(root.get("users").at(1).get("mapTutorialShown"), Value(true));
    EXPECT_EQ(root.get("users").at(1).get("mute_music"), Value(false));
    EXPECT_EQ(Value::toPlist(root.get("users").at(0)), Value::toPlist(p1Before));
    EXPECT_FALSE(std::filesystem::exists(path() + ".bad"));
    EXPECT_NE(before, readBytes(path()));
}

TEST_F(Users, NamesWithMarkupSurviveTheFile) {
    const std::string name = "<Ann & \"Bob\">";
    users()->addUser(name);
    users()->save();
    const Value root = UserManager::readUsersData(vorn::Data::readFile(path()), nullptr);
    EXPECT_EQ(root.get("selected_user_name").toString(), name);
    EXPECT_EQ(root.get("users").at(0).get("name").toString(), name);
}

TEST_F(Users, TwoSavedProfilesOfOneNameAreBothKeptAndTheLastIsSelected) {
    writeUsers(usersFile("P1", "<dict><key>name</key><string>P1</string><key>k</key><integer>1</integer></dict>"
                               "<dict><key>name</key><string>P1</string><key>k</key><integer>2</integer></dict>"));
    LogCapture log;
    int selections = 0;
    EventCounter().watch<UserManager::SelectedUserChangedEvent>(users(), &selections);
    vorn::EventDispatcher::instance()->process();
    EXPECT_EQ(selections, 2);
    EXPECT_EQ(users()->users().size(), 2u);
    EXPECT_EQ(users()->currentUser(), users()->users()[1]);
    // Adding a third of that name would make the choice by name ambiguous.
    EXPECT_EQ(users()->addUser("P1"), nullptr);
    EXPECT_EQ(users()->users().size(), 2u);
    EXPECT_EQ(log.count("exists already"), 1);
}

TEST_F(Users, SelectingAndRemovingProfiles) {
    User* p1 = users()->addUser("P1");
    User* p2 = users()->addUser("P2");
    User* p3 = users()->addUser("P3");
    users()->selectUser(p2);
    // The second frame writes what the first one's option write-back asked for.
    frame();
    frame();
    int selections = 0;
    EventCounter().watch<UserManager::SelectedUserChangedEvent>(users(), &selections);
    users()->selectUser(p2);
    vorn::EventDispatcher::instance()->process();
    EXPECT_EQ(selections, 0);

    ASSERT_FALSE(users()->isSavePending());
    users()->removeSelectedUser();
    EXPECT_EQ(users()->currentUser(), p1);
    EXPECT_EQ(users()->users(), (std::vector<User*>{p1, p3}));
    // The removal asks for its own save. Selecting P1 publishes its options,
    // and their write-back would save the file too, but only once the events
    // are delivered: the file is read before that.
    users()->flushPendingSave();
    const Value root = UserManager::readUsersData(vorn::Data::readFile(path()), nullptr);
    ASSERT_EQ(root.get("users").size(), 2u);
    EXPECT_EQ(root.get("users").at(1).get("name").toString(), "P3");
    EXPECT_EQ(root.get("selected_user_name").toString(), "P1");
    users()->removeSelectedUser();
    users()->removeSelectedUser();
    EXPECT_EQ(users()->users(), (std::vector<User*>{p3}));
}

TEST_F(Users, OptionChangesAreWrittenIntoTheSelectedProfileOnce) {
    User* p1 = users()->addUser("P1");
    User* p2 = users()->addUser("P2");
    for (int i = 0; i < 10; ++i) users()->selectUser(i % 2 ? p1 : p2);
    frame();
    // Five listeners, one per option, however often the selection changed.
    for (const char* option : {"fullscreen", "music_volume", "mute_music", "mute_sound", "sound_volume"}) {
        EXPECT_EQ(vorn::EventDispatcher::instance()->listenerCount(DataSource::get(std::string("@settings.") + option)), 1u)
            << option;
    }
    ASSERT_EQ(users()->currentUser(), p1);
    DataSource::get("@settings.music_volume")->set(Value(0.5));
    EXPECT_EQ(p1->getValue("music_volume"), Value(1.0));
    frame();
    EXPECT_EQ(p1->getValue("music_volume"), Value(0.5));
    EXPECT_EQ(p2->getValue("music_volume"), Value(1.0));
    users()->flushPendingSave();
    const Value root = UserManager::readUsersData(vorn::Data::readFile(path()), nullptr);
    EXPECT_EQ(root.get("users").at(0).get("music_volume"), Value(0.5));
}

// Counts what reaches the storage instead of the disk.
struct CountingSaver : UserManager::Saver {
    void save(const std::string&, const vorn::Data& data) override {
        ++saves;
        last = data.toString();
    }
    int saves = 0;
    std::string last;
};

TEST_F(Users, ABurstOfChangesCostsOneSavePerFrame) {
    CountingSaver saver;
    UserManager::setSaver(&saver);
    users()->addUser("P1");
    frame();
    frame();
    frame();
    const int settled = saver.saves;

    // A single change is written at once.
    DataSource::get("@settings.sound_volume")->set(Value(0.9));
    frame();
    EXPECT_EQ(saver.saves, settled + 1);
    frame();
    frame();

    // A slider dragged across its track: every pointer move publishes.
    const int before = saver.saves;
    std::vector<int> perFrame;
    for (int f = 0; f < 10; ++f) {
        for (int move = 0; move < 40; ++move) {
            DataSource::get("@settings.sound_volume")->set(Value((f * 40 + move) / 400.0));
        }
        const int start = saver.saves;
        frame();
        perFrame.push_back(saver.saves - start);
    }
    for (int f = 0; f < 3; ++f) {
        const int start = saver.saves;
        frame();
        perFrame.push_back(saver.saves - start);
    }
    for (int n : perFrame) EXPECT_LE(n, 1);
    EXPECT_LE(saver.saves - before, 11);
    EXPECT_FALSE(users()->isSavePending());
    EXPECT_NE(saver.last.find("<real>0.997500</real>"), std::string::npos);
    UserManager::setSaver(nullptr);
}

TEST_F(Users, TheExitSaveWritesWhatIsWaitingAndNeedsAProfile) {
    UserManager::saveAtExit(); // no manager yet: nothing is made
    users();
    UserManager::saveAtExit();
    EXPECT_FALSE(std::filesystem::exists(path()));
    User* p1 = users()->addUser("P1");
    users()->save();
    p1->getResource("gold").set(1);
    p1->getResource("gold").set(2);
    EXPECT_TRUE(users()->isSavePending());
    UserManager::saveAtExit();
    const Value root = UserManager::readUsersData(vorn::Data::readFile(path()), nullptr);
    EXPECT_EQ(root.get("users").at(0).get("resourceAmounts").get("gold"), Value(2LL));
}

TEST_F(Users, CountersHoldSixtyFourBitAmounts) {
    User* p1 = users()->addUser("P1");
    EXPECT_FALSE(p1->data().get("resourceAmounts").get("gold").isSet());
    vorn::ResourceCounter& gold = p1->getResource("gold");
    EXPECT_EQ(p1->data().get("resourceAmounts").get("gold"), Value(0LL));
    EXPECT_EQ(DataSource::get("@resources.gold")->value(), Value(0LL));
    gold.set(20);
    EXPECT_EQ(gold.add(-30), -10);
    EXPECT_EQ(DataSource::get("@resources.gold")->value(), Value(-10LL));
    gold.set(4294967296LL);
    EXPECT_EQ(gold.amount(), 4294967296LL);
    EXPECT_EQ(gold.add(1), 4294967297LL);
    gold.set(std::numeric_limits<long long>::max());
    EXPECT_EQ(gold.add(5), std::numeric_limits<long long>::max());

    vorn::ResourceCounter none;
    EXPECT_EQ(none.amount(), 0);
    EXPECT_EQ(none.add(5), 0);
    none.set(3);
    EXPECT_EQ(&p1->getResource("gold"), &gold);
}

TEST_F(Users, SwitchingProfilesRepublishesOnlyTheCountersTheNewOneHas) {
    User* p1 = users()->addUser("P1");
    p1->getResource("gold").set(500);
    User* p2 = users()->addUser("P2");
    p2->getResource("hint").set(3);
    users()->selectUser(p1);
    users()->selectUser(p2);
    EXPECT_EQ(DataSource::get("@resources.gold")->value(), Value(500LL));
    EXPECT_EQ(DataSource::get("@resources.hint")->value(), Value(3LL));
    p2->getResource("gold");
    EXPECT_EQ(DataSource::get("@resources.gold")->value(), Value(0LL));
}

// A damaged or foreign users file: the game starts with what could be read,
// the original is kept aside before anything overwrites it, and the log says so.
struct DamagedCase {
    const char* label;
    std::string bytes;
    std::size_t profiles;
    const char* problem;
};

class DamagedUsersFile : public Users, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedUsersFile, IsSetAsideAndTheRestIsUsed) {
    const DamagedCase& c = GetParam();
    writeUsers(c.bytes);
    LogCapture log;
    UserManager* manager = users();
    EXPECT_TRUE(manager->isLoaded());
    EXPECT_EQ(manager->users().size(), c.profiles);
    EXPECT_EQ(readBytes(path() + ".bad"), c.bytes);
    EXPECT_NE(log.text().find(c.problem), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("users.xml: damaged, kept as"), std::string::npos);
    // Whatever was read is usable: counters, options and saving.
    User* user = manager->currentUser() ? manager->currentUser() : manager->addUser("New");
    ASSERT_NE(user, nullptr);
    user->getResource("gold").add(1);
    for (const auto& [option, fallback] : manager->defaultSettings()) {
        EXPECT_NO_THROW(setting(option).asFloat()) << option;
        EXPECT_NO_THROW(setting(option).asBool()) << option;
    }
    frame();
    manager->flushPendingSave();
    EXPECT_FALSE(UserManager::readUsersData(vorn::Data::readFile(path()), nullptr).isNil());
    EXPECT_EQ(readBytes(path() + ".bad"), c.bytes);
}

const std::string kP1 = "<dict><key>name</key><string>P1</string></dict>";

INSTANTIATE_TEST_SUITE_P(
    Users, DamagedUsersFile,
    ::testing::Values(
        DamagedCase{"ArrayRoot", kHead + "<array>" + kP1 + "</array>\n</plist>", 0, "top value is not a dictionary"},
        DamagedCase{"TextRoot", kHead + "<string>P1</string>\n</plist>", 0, "top value is not a dictionary"},
        DamagedCase{"UsersNotAList", usersFile("P1", "").replace(usersFile("P1", "").find("<array></array>"), 15, kP1), 0,
                    "\"users\" is not a list"},
        DamagedCase{"ProfileNotADictionary", usersFile("P1", "<string>P0</string>" + kP1), 1,
                    "profile 1 is not a dictionary"},
        DamagedCase{"AmountsNotADictionary",
                    usersFile("P1", "<dict><key>name</key><string>P1</string><key>resourceAmounts</key><array/></dict>"),
                    1, "\"resourceAmounts\" is not a dictionary"},
        DamagedCase{"AmountIsText",
                    usersFile("P1", "<dict><key>name</key><string>P1</string><key>resourceAmounts</key><dict><key>gold</key>"
                                    "<string>lots</string><key>hint</key><integer>4</integer></dict></dict>"),
                    1, "amount \"gold\" is not a number"},
        DamagedCase{"VolumeIsNotANumber",
                    usersFile("P1", "<dict><key>name</key><string>P1</string><key>sound_volume</key><real>nan</real>"
                                    "<key>music_volume</key><string>loud</string></dict>"),
                    1, "option \"music_volume\" is not a number"},
        DamagedCase{"SwitchIsAList",
                    usersFile("P1", "<dict><key>name</key><string>P1</string><key>mute_sound</key><array/></dict>"), 1,
                    "\"mute_sound\" is not a switch"},
        DamagedCase{"LivesClockIsText",
                    usersFile("P1", "<dict><key>name</key><string>P1</string><key>lifeManagerStart</key>"
                                    "<string>soon</string></dict>"),
                    1, "\"lifeManagerStart\" is not a number"},
        DamagedCase{"Truncated", usersFile("P1", kP1).substr(0, 150), 0, "not a readable property list"},
        DamagedCase{"NotXml", std::string("\x89PNG\r\n\x1a\n garbage", 17), 0, "not a readable property list"}),
    [](const ::testing::TestParamInfo<DamagedCase>& param) { return std::string(param.param.label); });

TEST_F(Users, EveryTruncationOfARealFileIsReadSafely) {
    User* p1 = users()->addUser("Ann");
    p1->getResource("gold").set(1234);
    p1->setValue(Value("x"), "tutorial");
    users()->addUser("Bob");
    users()->save();
    const std::string whole = readBytes(path());
    ASSERT_GT(whole.size(), 500u);
    LogCapture log;
    for (std::size_t n = 0; n < whole.size(); ++n) {
        std::vector<std::string> problems;
        const Value root = UserManager::readUsersData(vorn::Data(whole.data(), std::uint32_t(n)), &problems);
        EXPECT_TRUE(root.isNil()) << n;
        EXPECT_EQ(problems.empty(), n == 0) << n;
    }
    std::vector<std::string> problems;
    const Value root = UserManager::readUsersData(vorn::Data(whole.data(), std::uint32_t(whole.size())), &problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(root.get("users").size(), 2u);
}

TEST_F(Users, ASoundFileIsNeitherRepairedNorSetAside) {
    writeUsers(usersFile("P1", "<dict><key>name</key><string>P1</string><key>sound_volume</key><integer>1</integer>"
                               "<key>resourceAmounts</key><dict><key>gold</key><string>12</string></dict></dict>"));
    LogCapture log;
    ASSERT_NE(users()->currentUser(), nullptr);
    EXPECT_EQ(users()->currentUser()->getResource("gold").amount(), 12);
    EXPECT_FALSE(std::filesystem::exists(path() + ".bad"));
    EXPECT_EQ(log.count("damaged"), 0);
}

TEST_F(Users, AnUnsavableAsideKeepsTheDamagedFileFromBeingOverwritten) {
    const std::string damaged = kHead + "<array/>\n</plist>";
    writeUsers(damaged);
    std::filesystem::create_directories(path() + ".bad/blocker");
    LogCapture log;
    users()->addUser("P1");
    users()->save();
    frame();
    EXPECT_EQ(readBytes(path()), damaged);
    EXPECT_NE(log.text().find("could not be kept aside"), std::string::npos);
}

} // namespace
