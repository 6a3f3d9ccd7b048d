#pragma once

#include "core/Data.h"
#include "core/Event.h"
#include "core/EventSource.h"
#include "core/Scheduler.h"
#include "core/Value.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vorn {

class EventListener;
class User;

// The local player profiles with one selected profile, the default options,
// and the users file ("users.xml" in the per-user folder) that keeps them
// between runs. The selected profile's options are mirrored both ways with
// the data sources "@settings." + option name.
//
// Every change of player data ends in userDataChanged, which posts an event
// and saves. Saves are written at once, but at most one per frame: a change
// made after a save in the same frame is written at the start of the next
// frame, so a slider dragged across many values in one frame costs one write.
class UserManager : public EventSource {
public:
    class UserDataChangedEvent : public Event {
    public:
        using Event::Event;
    };
    class SelectedUserChangedEvent : public Event {
    public:
        using Event::Event;
    };

    // Storage other than the users file (none of the game's own code sets these).
    class Loader {
    public:
        virtual ~Loader() = default;
        // Hands the contents to done, possibly later, on the main thread.
        virtual void load(const std::string& path, std::function<void(const Data&)> done) = 0;
    };
    class Saver {
    public:
        virtual ~Saver() = default;
        virtual void save(const std::string& path, const Data& data) = 0;
    };

    // Changes of player data made while one is alive are saved together
    // when the last one ends: one player action is one write, so a kill
    // never leaves half of it on disk. Batches nest.
    class SaveBatch {
    public:
        SaveBatch();
        ~SaveBatch();
        SaveBatch(const SaveBatch&) = delete;
        SaveBatch& operator=(const SaveBatch&) = delete;
    };

    // Made on first use, which reads the users data at once.
    static UserManager* instance();
    // The last save of the run, once the run loop has ended: a change still
    // waiting for its frame, and the selected profile once more. Does nothing
    // when no manager was ever made.
    static void saveAtExit();

    UserManager(const UserManager&) = delete;
    UserManager& operator=(const UserManager&) = delete;

    User* currentUser() const { return selected_; }
    bool isLoaded() const { return loaded_; }
    const std::vector<User*>& users() const { return users_; }
    const std::map<std::string, Value>& defaultSettings() const { return defaultSettings_; }
    std::string usersFilePath() const;

    void setNewUserCallback(std::function<void(User*)> callback) { newUserCallback_ = std::move(callback); }
    static void setStorageFunctions(std::function<Data()> load, std::function<void(const Data&)> save);
    static void setLoader(Loader* loader);
    static void setSaver(Saver* saver);

    void load();
    void loadData(const Data& data);
    // Writes the users file now (nothing before the data was read).
    void save();
    // The end of every change of player data: nothing while no profile is
    // selected, else the change event and a save.
    void userDataChanged();
    // Writes a save that is waiting for the next frame, at once.
    void flushPendingSave();
    bool isSavePending() const { return savePending_; }

    void selectUser(User* user);
    // Makes, appends and selects a new profile. A name already taken is
    // refused (null and a log line): the selection by name would be ambiguous.
    User* addUser(const std::string& name);
    // Removes the selected profile when at least two exist, selects the
    // first one and saves.
    void removeSelectedUser();
    void syncOptions();
    void updateDataSource();

    // What can be used of users data, or NIL when nothing can: a dictionary
    // whose "users" array holds only dictionaries, whose counters are numbers
    // and whose options are of their kinds. Data that is not a whole
    // property list gives what is whole before its damage (every profile
    // closed before it). Each repair, and each damaged value the reader
    // mended, adds a line to problems (which may be null); anything not
    // understood but harmless is kept as it is.
    static Value readUsersData(const Data& data, std::vector<std::string>* problems);

    // For tests: the profiles are freed and the manager is as if never
    // used: no storage functions, loader or saver, nothing waiting to be
    // saved, its option listeners gone from the event dispatcher, and the
    // users data read again at the next instance(). Does nothing when the
    // manager was never made.
    static void resetForTests();

private:
    UserManager();
    static std::map<std::string, Value> initialSettings();

    class FrameGate : public Scheduleable {
    public:
        explicit FrameGate(UserManager* owner) : owner_(owner) {}
        void onUpdate(float) override { owner_->onNextFrame(); }

    private:
        UserManager* owner_;
    };

    void requestSave();
    void onNextFrame();
    void write();
    // Reads the users data, logs its problems and, when there are any and
    // keepDamagedFile, keeps the users file aside before anything can
    // overwrite it.
    void use(const Data& data, std::vector<std::string> problems, bool keepDamagedFile);
    // Keeps a copy of the damaged users file beside it ("users.xml.bad",
    // then ".bad.1" and on; never replacing one, and not again when one
    // holds the same bytes); false when no copy could be made.
    bool setAside();
    void finishSelection();

    bool loaded_ = false;
    std::vector<User*> users_;
    User* selected_ = nullptr;
    std::map<std::string, Value> defaultSettings_;
    std::function<void(User*)> newUserCallback_;
    // Root entries of the users file that this program does not use, written back as they came.
    Value otherRootEntries_{Value::DICT};
    // Profiles removed during the run; never used again, and never freed, as
    // pointers to them may still be compared.
    std::vector<User*> removed_;
    bool optionListeners_ = false;
    std::vector<EventListener*> optionListenerHandles_;
    // A damaged file could not be kept aside: it must not be overwritten.
    bool savesBlocked_ = false;
    bool savedThisFrame_ = false;
    bool savePending_ = false;
    int batchDepth_ = 0;
    bool batchChanged_ = false;
    FrameGate gate_{this};

    static Loader* loader_;
    static Saver* saver_;
    static std::function<Data()> loadFunction_;
    static std::function<void(const Data&)> saveFunction_;
};

} // namespace vorn
