// Profiles, counters and the users file: what is saved, read back and kept,
// how damaged files are set aside, and how many writes a burst of changes costs.
#include "core/DataSource.h"
#include "core/StringUtils.h"
#include "core/EventDispatcher.h"
#include "services/User.h"
#include "services/UserManager.h"

#include "ServicesFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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

// The changes of one action, batched, are one write holding all of them:
// at the batch's end, or in the next frame when this one has had its save.
TEST_F(Users, ABatchOfChangesIsOneWrite) {
    CountingSaver saver;
    UserManager::setSaver(&saver);
    User* user = users()->addUser("P1");
    for (const bool savedThisFrame : {false, true}) {
        // The saves of what came before are through.
        for (int i = 0; i < 3; ++i) frame();
        if (savedThisFrame) user->getResource("gold").add(1);
        const long long k = savedThisFrame ? 2 : 1;
        const int before = saver.saves;
        {
            const UserManager::SaveBatch action;
            user->getResource("gold").set(7001 * k);
            {
                const UserManager::SaveBatch inner;
                user->getResource("hint").set(8001 * k);
            }
            EXPECT_EQ(saver.saves, before) << savedThisFrame << ": written before the action ended";
            user->getResource("undo").set(9001 * k);
        }
        frame();
        frame();
        EXPECT_EQ(saver.saves, before + 1) << savedThisFrame;
        for (const long long part : {7001 * k, 8001 * k, 9001 * k}) {
            const std::string entry = "<integer>" + std::to_string(part) + "</integer>";
            EXPECT_NE(saver.last.find(entry), std::string::npos) << savedThisFrame << " " << part;
        }
    }
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

// A new player's callback meant for the first player only clears itself, or
// hands over to another, and then reads its own capture (too long for
// std::function's inline buffer, so a closure freed under it is caught).
TEST_F(Users, ANewPlayerCallbackMayClearOrReplaceItself) {
    struct Reset {
        ~Reset() { UserManager::instance()->setNewUserCallback(nullptr); }
    } reset;
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "replaced" : "cleared");
        std::vector<std::string> heard;
        const std::string tag = "the first player's callback, with a capture longer than any inline buffer";
        users()->setNewUserCallback([this, &heard, tag, replace](User* user) {
            if (replace) users()->setNewUserCallback([&heard](User* next) { heard.push_back(next->name()); });
            else users()->setNewUserCallback(nullptr);
            heard.push_back(tag + " " + user->name());
        });
        const std::string first = replace ? "R1" : "C1";
        const std::string second = replace ? "R2" : "C2";
        users()->addUser(first);
        users()->addUser(second);
        EXPECT_EQ(heard, replace ? (std::vector<std::string>{tag + " " + first, second})
                                 : (std::vector<std::string>{tag + " " + first}));
        users()->setNewUserCallback(nullptr);
    }
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
    std::vector<std::string> problems;
    EXPECT_FALSE(UserManager::readUsersData(vorn::Data::readFile(path()), &problems).isNil());
    // What is written back is whole: well-formed UTF-8, read without a word,
    // here and by another program's strict reader.
    EXPECT_TRUE(vorn::isValidUtf8(readBytes(path())));
    EXPECT_TRUE(problems.empty()) << problems.front();
    if (std::system("command -v python3 >/dev/null 2>&1") == 0) {
        const std::string check = "python3 -c 'import plistlib, sys; plistlib.load(open(sys.argv[1], \"rb\"))' '" + path() + "'";
        EXPECT_EQ(std::system(check.c_str()), 0) << readBytes(path());
    }
    EXPECT_EQ(readBytes(path() + ".bad"), c.bytes);
}

const std::string kP1 = "<dict><key>name</key><string>P1</string></dict>";
const std::string kP2 = "<dict><key>name</key><string>P2</string><key>resourceAmounts</key><dict><key>gold</key>"
                        "<integer>7</integer></dict></dict>";

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
        DamagedCase{"LacksOnlyItsFinalBracket", usersFile("P2", kP1 + kP2).substr(0, usersFile("P2", kP1 + kP2).size() - 1),
                    2, "read up to the damage: 2 whole profile(s) kept"},
        DamagedCase{"CutInsideTheSecondProfile", usersFile("P1", kP1 + kP2).substr(0, usersFile("P1", kP1 + kP2).find("<integer>")),
                    1, "read up to the damage: 1 whole profile(s) kept"},
        DamagedCase{"GarbageAfterTheFirstProfile", usersFile("P1", kP1 + "<dict><key>name</key></string>" + kP2), 1,
                    "read up to the damage: 1 whole profile(s) kept"},
        DamagedCase{"NameIsNotUtf8", usersFile("J\xFCrgen", "<dict><key>name</key><string>J\xFCrgen</string></dict>"), 1,
                    "is not well-formed text"},
        DamagedCase{"KeyIsNotUtf8",
                    usersFile("P1", "<dict><key>name</key><string>P1</string><key>\xC0\xAFodd</key><true/></dict>"), 1,
                    "is not well-formed text"},
        DamagedCase{"ControlCharacterInAName",
                    usersFile("P\x01", "<dict><key>name</key><string>P\x01</string></dict>"), 1,
                    "is not well-formed text"},
        DamagedCase{"NotXml", std::string("\x89PNG\r\n\x1a\n garbage", 17), 0, "not a readable property list"}),
    [](const ::testing::TestParamInfo<DamagedCase>& param) { return std::string(param.param.label); });

// A file cut at every byte: every profile whole in the part before the cut
// comes back as it was, the selection with it once its entry is whole, and
// a profile cut short never comes back in part.
TEST_F(Users, EveryProfileWholeBeforeACutComesBack) {
    User* p1 = users()->addUser("Ann <&> Bee");
    p1->getResource("gold").set(1234);
    p1->setValue(Value("x"), "tutorial");
    User* p2 = users()->addUser("Bob");
    Value results(Value::DICT);
    results.set(Value(3LL), "1");
    results.set(Value(2500LL), "2");
    p2->setValue(results, "levelResults");
    users()->addUser("Cy");
    users()->selectUser(p1);
    users()->save();
    const std::string whole = readBytes(path());
    ASSERT_GT(whole.size(), 500u);
    const Value all = UserManager::readUsersData(vorn::Data(whole.data(), std::uint32_t(whole.size())), nullptr);
    ASSERT_EQ(all.get("users").size(), 3u);
    // Where each profile ends: its closing tag, at the indentation of the list's entries.
    std::vector<std::size_t> ends;
    for (std::size_t at = whole.find("\n    </dict>"); at != std::string::npos; at = whole.find("\n    </dict>", at + 1)) {
        ends.push_back(at + std::string("\n    </dict>").size());
    }
    ASSERT_EQ(ends.size(), 3u);
    const std::size_t selected = whole.find("</string>", whole.find("selected_user_name")) + 9;
    LogCapture log;
    for (std::size_t n = 0; n < whole.size(); ++n) {
        std::vector<std::string> problems;
        const Value root = UserManager::readUsersData(vorn::Data(whole.data(), std::uint32_t(n)), &problems);
        const auto expected = static_cast<unsigned>(std::count_if(ends.begin(), ends.end(), [n](std::size_t e) { return e <= n; }));
        const Value& list = root.get("users");
        ASSERT_EQ(list.size(), expected) << "cut at " << n;
        for (unsigned i = 0; i < expected; ++i) {
            EXPECT_EQ(Value::toPlist(list.at(i)), Value::toPlist(all.get("users").at(i))) << "cut at " << n;
        }
        EXPECT_EQ(root.get("selected_user_name").toString(), n >= selected ? "Ann <&> Bee" : "") << "cut at " << n;
        EXPECT_EQ(problems.empty(), n == 0) << n;
    }
}

// A damaged file found at every start is kept each time it differs, under
// a name of its own; none is ever overwritten, and the same bytes are not
// kept twice.
TEST_F(Users, EveryDamagedFileIsKeptAndNoneOverwritten) {
    const std::string first = usersFile("P1", kP1).substr(0, 250);
    const std::string second = usersFile("P1", kP1 + kP2).substr(0, 300);
    writeBytes(path() + ".bad", "an older copy");
    writeBytes(path() + ".bad.1", first);
    writeUsers(second);
    LogCapture log;
    users();
    EXPECT_EQ(readBytes(path() + ".bad"), "an older copy");
    EXPECT_EQ(readBytes(path() + ".bad.1"), first);
    EXPECT_EQ(readBytes(path() + ".bad.2"), second);
    EXPECT_EQ(log.count("users.xml: damaged, kept as " + path() + ".bad.2"), 1) << log.text();
    // The same damaged file read again: it is kept already, nothing new.
    LogCapture again;
    users()->load();
    EXPECT_EQ(again.count("users.xml: damaged, kept already as " + path() + ".bad.2"), 1) << again.text();
    EXPECT_FALSE(std::filesystem::exists(path() + ".bad.3"));
}

// A users file far larger than any real one is damaged: the start reads only
// its beginning (the profiles whole within it come back), and the whole
// file is kept aside.
TEST_F(Users, AnOversizedFileIsReadOnlyInPartAndKeptWhole) {
    const std::string huge = "<dict><key>name</key><string>Big</string><key>notes</key><string>" +
                             std::string(5u << 20, 'x') + "</string></dict>";
    const std::string bytes = usersFile("P1", kP1 + kP2 + huge + "<dict><key>name</key><string>P3</string></dict>");
    writeUsers(bytes);
    LogCapture log;
    UserManager* manager = users();
    ASSERT_EQ(manager->users().size(), 2u);
    EXPECT_EQ(manager->users()[1]->name(), "P2");
    EXPECT_EQ(manager->currentUser(), manager->users()[0]);
    EXPECT_EQ(log.count("users.xml: larger than 4 MB; only its start is read"), 1) << log.text().substr(0, 2000);
    EXPECT_TRUE(readBytes(path() + ".bad") == bytes);
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
    // Every name a copy could take is taken by something that is no copy.
    std::filesystem::create_directories(path() + ".bad/blocker");
    for (int n = 1; n < 100; ++n) std::filesystem::create_directories(path() + ".bad." + std::to_string(n) + "/blocker");
    LogCapture log;
    users()->addUser("P1");
    users()->save();
    frame();
    EXPECT_EQ(readBytes(path()), damaged);
    EXPECT_NE(log.text().find("could not be kept aside"), std::string::npos);
}

} // namespace
