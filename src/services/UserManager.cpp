#include "services/UserManager.h"

#include "services/AchievementManager.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "services/User.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>
#include <utility>

namespace vorn {

UserManager::Loader* UserManager::loader_ = nullptr;
UserManager::Saver* UserManager::saver_ = nullptr;
std::function<Data()> UserManager::loadFunction_;
std::function<void(const Data&)> UserManager::saveFunction_;

namespace {

UserManager* made = nullptr;
bool readAtNextUse = false;

const char* const kFileName = "users.xml";

// A users file holds a few kilobytes per player; one far larger than this
// is damaged, and reading all of it would hold up the start for long.
constexpr std::uint32_t kMaxFileSize = 4u << 20;
// Copies of damaged users files kept beside it, at most; never one replaced.
constexpr int kMaxAsides = 100;

bool sameContents(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(a, ec) || !std::filesystem::is_regular_file(b, ec)) return false;
    if (std::filesystem::file_size(a, ec) != std::filesystem::file_size(b, ec) || ec) return false;
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::vector<char> x(1 << 16), y(1 << 16);
    while (first && second) {
        first.read(x.data(), static_cast<std::streamsize>(x.size()));
        second.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (first.gcount() != second.gcount() ||
            !std::equal(x.begin(), x.begin() + first.gcount(), y.begin())) {
            return false;
        }
    }
    return first.eof() && second.eof();
}

bool isContainer(const Value& v) { return v.type() == Value::ARRAY || v.type() == Value::DICT; }

bool readsAsInteger(const Value& v) {
    if (isContainer(v)) return false;
    try {
        v.asLongLong();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool readsAsVolume(const Value& v) {
    if (isContainer(v)) return false;
    try {
        return std::isfinite(v.asDouble());
    } catch (const std::exception&) {
        return false;
    }
}

// One profile dictionary made fit for use; the problems found are added.
void repairProfile(Value& profile, unsigned index, std::vector<std::string>* problems) {
    const std::string where = "profile " + std::to_string(index + 1);
    auto problem = [&](const std::string& text) { problems->push_back(where + ": " + text); };

    if (isContainer(profile.get("name"))) {
        problem("its name is not text");
        profile.erase("name");
    }
    Value& amounts = profile.get("resourceAmounts");
    if (amounts.isSet() && amounts.type() != Value::DICT) {
        problem("\"resourceAmounts\" is not a dictionary");
        profile.set(Value(Value::DICT), "resourceAmounts");
    } else if (amounts.isSet()) {
        for (const std::string& key : amounts.keys()) {
            if (!readsAsInteger(amounts.get(key)) && amounts.get(key).isSet()) {
                problem("amount \"" + key + "\" is not a number, read as 0");
                amounts.set(Value(0LL), key);
            }
        }
    }
    for (const char* option : {"music_volume", "sound_volume"}) {
        const Value& v = profile.get(option);
        if (v.isSet() && !readsAsVolume(v)) {
            problem(std::string("option \"") + option + "\" is not a number, reset");
            profile.erase(option);
        }
    }
    for (const char* option : {"fullscreen", "mute_music", "mute_sound", "removesAds"}) {
        if (isContainer(profile.get(option))) {
            problem(std::string("\"") + option + "\" is not a switch, reset");
            profile.erase(option);
        }
    }
    for (const char* key : {"lifeManagerStart", "lifeManagerUnlimitedDue"}) {
        const Value& v = profile.get(key);
        if (v.isSet() && !readsAsInteger(v)) {
            problem(std::string("\"") + key + "\" is not a number, dropped");
            profile.erase(key);
        }
    }
    for (const char* key : {"achievementCompletions", "achievementCounts"}) {
        Value& table = profile.get(key);
        if (!table.isSet()) continue;
        if (table.type() != Value::DICT) {
            problem(std::string("\"") + key + "\" is not a dictionary, dropped");
            profile.erase(key);
            continue;
        }
        for (const std::string& id : table.keys()) {
            const Value& v = table.get(id);
            const bool fits = std::string(key) == "achievementCounts" ? readsAsInteger(v) : readsAsVolume(v);
            if (v.isSet() && !fits) {
                problem(std::string("\"") + key + "\" of \"" + id + "\" is not a number, dropped");
                table.erase(id);
            }
        }
    }
    const Value& rewards = profile.get("achievementRewards");
    if (rewards.isSet() && rewards.type() != Value::ARRAY) {
        problem("\"achievementRewards\" is not a list, dropped");
        profile.erase("achievementRewards");
    }
}

} // namespace

UserManager* UserManager::instance() {
    if (made == nullptr) {
        // Recorded before loading, so that calls made during the load reach
        // this same manager.
        auto* manager = new UserManager();
        (void)manager;
    } else if (readAtNextUse) {
        readAtNextUse = false;
        made->load();
    }
    return made;
}

UserManager::UserManager() {
    made = this;
    defaultSettings_ = initialSettings();
    load();
}

std::map<std::string, Value> UserManager::initialSettings() {
    return {{"fullscreen", Value(true)},
            {"music_volume", Value(1.0)},
            {"mute_music", Value(false)},
            {"mute_sound", Value(false)},
            {"sound_volume", Value(1.0)}};
}

void UserManager::resetForTests() {
    if (made == nullptr) return;
    UserManager& m = *made;
    for (EventListener* listener : m.optionListenerHandles_) EventDispatcher::instance()->removeListener(listener);
    m.optionListenerHandles_.clear();
    m.optionListeners_ = false;
    Scheduler::instance()->remove(&m.gate_);
    for (User* user : m.users_) delete user;
    for (User* user : m.removed_) delete user;
    m.users_.clear();
    m.removed_.clear();
    m.selected_ = nullptr;
    m.loaded_ = false;
    m.defaultSettings_ = initialSettings();
    m.newUserCallback_ = nullptr;
    m.otherRootEntries_ = Value(Value::DICT);
    m.savesBlocked_ = false;
    m.savedThisFrame_ = false;
    m.savePending_ = false;
    loader_ = nullptr;
    saver_ = nullptr;
    loadFunction_ = nullptr;
    saveFunction_ = nullptr;
    readAtNextUse = true;
}

void UserManager::saveAtExit() {
    if (made == nullptr) return;
    made->savePending_ = false;
    if (made->selected_ != nullptr) made->write();
}

std::string UserManager::usersFilePath() const { return Platform::instance()->dataFolder() + "/" + kFileName; }

void UserManager::setStorageFunctions(std::function<Data()> load, std::function<void(const Data&)> save) {
    loadFunction_ = std::move(load);
    saveFunction_ = std::move(save);
}

void UserManager::setLoader(Loader* loader) { loader_ = loader; }

void UserManager::setSaver(Saver* saver) { saver_ = saver; }

void UserManager::load() {
    if (loader_ != nullptr) {
        loader_->load(usersFilePath(), [this](const Data& data) { loadData(data); });
    } else if (loadFunction_) {
        loadData(loadFunction_());
    } else {
        bool cut = false;
        const Data data = Data::readFile(usersFilePath(), kMaxFileSize, &cut);
        std::vector<std::string> problems;
        if (cut) problems.push_back("larger than " + std::to_string(kMaxFileSize >> 20) + " MB; only its start is read");
        use(data, std::move(problems), true);
    }
}

Value UserManager::readUsersData(const Data& data, std::vector<std::string>* problems) {
    std::vector<std::string> unheard;
    if (problems == nullptr) problems = &unheard;
    std::vector<std::string> damage;
    Value root = Value::fromPlistData(data, &damage);
    if (root.isNil()) {
        if (data.empty()) return root;
        problems->push_back("not a readable property list");
        // What lies whole before the damage: the top dictionary and its
        // list of profiles keep their whole entries; a profile cut short
        // is left out.
        root = Value::fromPlistPrefix(data, 1, &damage);
        // The prefix may hold no dictionary at all: a bare value asks for no key.
        const unsigned whole = root.type() == Value::DICT && root.get("users").type() == Value::ARRAY
                                   ? root.get("users").size()
                                   : 0;
        problems->push_back("read up to the damage: " + std::to_string(whole) + " whole profile(s) kept");
        if (root.isNil()) return root;
    }
    if (!damage.empty()) problems->push_back(std::to_string(damage.size()) + " damaged value(s) mended, as logged");
    if (root.type() != Value::DICT) {
        problems->push_back("its top value is not a dictionary");
        return Value();
    }
    Value& selectedName = root.get("selected_user_name");
    if (isContainer(selectedName)) {
        problems->push_back("\"selected_user_name\" is not text");
        root.erase("selected_user_name");
    }
    Value& users = root.get("users");
    if (users.isSet() && users.type() != Value::ARRAY) {
        problems->push_back("\"users\" is not a list");
        root.erase("users");
        return root;
    }
    Value kept(Value::ARRAY);
    for (unsigned i = 0; i < users.size(); ++i) {
        Value& profile = users.at(i);
        if (profile.type() != Value::DICT) {
            problems->push_back("profile " + std::to_string(i + 1) + " is not a dictionary, skipped");
            continue;
        }
        repairProfile(profile, i, problems);
        kept.push_back(profile);
    }
    if (users.isSet()) root.set(kept, "users");
    return root;
}

void UserManager::loadData(const Data& data) { use(data, {}, loader_ == nullptr && !loadFunction_); }

void UserManager::use(const Data& data, std::vector<std::string> problems, bool keepDamagedFile) {
    const Value root = readUsersData(data, &problems);
    for (const std::string& problem : problems) log("%s: %s", kFileName, problem.c_str());
    if (!problems.empty() && keepDamagedFile) savesBlocked_ = !setAside();
    if (root.isNil()) {
        loaded_ = true;
        return;
    }
    otherRootEntries_ = root;
    otherRootEntries_.erase("selected_user_name");
    otherRootEntries_.erase("users");

    const std::string selectedName = root.get("selected_user_name").toString();
    const Value& users = root.get("users");
    for (unsigned i = 0; i < users.size(); ++i) {
        auto* user = new User(users.at(i));
        for (const User* other : users_) {
            if (other->name() == user->name()) log("%s: two players named \"%s\"", kFileName, user->name().c_str());
        }
        users_.push_back(user);
        if (user->name() == selectedName) {
            selected_ = user;
            user->activate();
            EventDispatcher::instance()->post(new SelectedUserChangedEvent(this));
        }
    }
    updateDataSource();
    loaded_ = true;
}

bool UserManager::setAside() {
    const std::string path = usersFilePath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    // Every copy stays: a second damaged start must not overwrite the copy
    // of the first, which may be the player's only one.
    for (int n = 0; n < kMaxAsides; ++n) {
        const std::string aside = path + ".bad" + (n == 0 ? std::string() : "." + std::to_string(n));
        if (sameContents(path, aside)) {
            log("%s: damaged, kept already as %s; starting with what could be read", kFileName, aside.c_str());
            return true;
        }
        switch (Data::copyToNewFile(path, aside)) {
        case Data::NewCopy::Made:
            log("%s: damaged, kept as %s; starting with what could be read", kFileName, aside.c_str());
            return true;
        case Data::NewCopy::NameTaken:
            continue;
        case Data::NewCopy::Failed:
            log("%s: damaged, and it could not be kept aside: it will not be overwritten", kFileName);
            return false;
        }
    }
    log("%s: damaged, and it could not be kept aside (%d copies are kept already): it will not be overwritten",
        kFileName, kMaxAsides);
    return false;
}

void UserManager::save() {
    if (!loaded_) return;
    savePending_ = false;
    write();
}

void UserManager::write() {
    if (!loaded_ || selected_ == nullptr) return;
    if (savesBlocked_) {
        log("%s not saved: the damaged file has not been kept aside", kFileName);
        return;
    }
    Value root = otherRootEntries_;
    root.set(Value(selected_->name()), "selected_user_name");
    Value list(Value::ARRAY);
    for (const User* user : users_) list.push_back(user->data());
    root.set(list, "users");
    const std::string text = Value::toPlistDocument(root);
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        log("%s not saved: too large", kFileName);
        return;
    }
    const Data bytes(text.data(), static_cast<std::uint32_t>(text.size()));
    if (saver_ != nullptr) {
        saver_->save(usersFilePath(), bytes);
    } else if (saveFunction_) {
        saveFunction_(bytes);
    } else {
        // A failure is logged by writeFile; the file on disk stays whole,
        // and the next change tries again.
        (void)bytes.writeFile(usersFilePath());
    }
}

void UserManager::userDataChanged() {
    if (selected_ == nullptr) return;
    EventDispatcher::instance()->post(new UserDataChangedEvent(this));
    requestSave();
}

UserManager::SaveBatch::SaveBatch() { ++instance()->batchDepth_; }

UserManager::SaveBatch::~SaveBatch() {
    UserManager* manager = instance();
    if (--manager->batchDepth_ > 0 || !manager->batchChanged_) return;
    manager->batchChanged_ = false;
    manager->requestSave();
}

void UserManager::requestSave() {
    if (!loaded_) return;
    if (batchDepth_ > 0) {
        batchChanged_ = true;
        return;
    }
    if (savedThisFrame_) {
        savePending_ = true;
        return;
    }
    write();
    savedThisFrame_ = true;
    Scheduler::instance()->add(&gate_);
}

void UserManager::onNextFrame() {
    if (savePending_) {
        // This frame has its save now; the gate stays for the next one.
        savePending_ = false;
        write();
        return;
    }
    savedThisFrame_ = false;
    Scheduler::instance()->remove(&gate_);
}

void UserManager::flushPendingSave() {
    if (!savePending_) return;
    savePending_ = false;
    write();
}

void UserManager::selectUser(User* user) {
    if (user == nullptr || user == selected_) return;
    if (std::find(users_.begin(), users_.end(), user) == users_.end()) {
        log("UserManager::selectUser: not a profile of the list");
        return;
    }
    selected_ = user;
    user->activate();
    finishSelection();
}

User* UserManager::addUser(const std::string& name) {
    for (const User* user : users_) {
        if (user->name() == name) {
            log("UserManager::addUser: a player named \"%s\" exists already", name.c_str());
            return nullptr;
        }
    }
    auto* user = new User(name);
    users_.push_back(user);
    selected_ = user;
    user->activate();
    // The callback may set another one (or none) for the next player.
    if (const std::function<void(User*)> callback = newUserCallback_) callback(user);
    finishSelection();
    return user;
}

void UserManager::removeSelectedUser() {
    if (users_.size() < 2) return;
    auto it = std::find(users_.begin(), users_.end(), selected_);
    if (it == users_.end()) return;
    removed_.push_back(*it);
    users_.erase(it);
    selected_ = users_.front();
    selected_->activate();
    finishSelection();
    // The profile is gone from the file at once, not only at the next change.
    userDataChanged();
}

void UserManager::finishSelection() {
    updateDataSource();
    AchievementManager::instance()->refreshAll();
    EventDispatcher::instance()->post(new SelectedUserChangedEvent(this));
}

void UserManager::syncOptions() {
    if (selected_ == nullptr) return;
    for (const auto& [option, fallback] : defaultSettings_) {
        Value value = selected_->getValue(option);
        if (value.isNil()) {
            selected_->setValue(fallback, option);
            value = fallback;
        }
        DataSource::get("@settings." + option)->set(value);
    }
    // Registered once: they write into whichever profile is selected when a
    // change arrives.
    if (optionListeners_) return;
    optionListeners_ = true;
    for (const auto& entry : defaultSettings_) {
        const std::string option = entry.first;
        DataSource* source = DataSource::get("@settings." + option);
        auto* listener = new EventListener(typeid(DataSource::ChangedEvent), [this, option, source](Event*) {
            if (selected_ == nullptr) return;
            selected_->setValue(source->value(), option);
            userDataChanged();
        });
        optionListenerHandles_.push_back(listener);
        EventDispatcher::instance()->addListener(source, listener, false);
    }
}

void UserManager::updateDataSource() {
    const std::size_t n = users_.size();
    DataSource::get("@users.not_empty")->set(Value(n != 0));
    DataSource::get("@users.empty")->set(Value(n == 0));
    DataSource::get("@users.one_or_zero")->set(Value(n < 2));
    DataSource::get("@users.more_then_one")->set(Value(n > 1));
    DataSource::get("@users.selected_user_name")->set(Value(selected_ ? selected_->name() : std::string()));
}

} // namespace vorn
