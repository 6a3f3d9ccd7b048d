#pragma once

#include "core/Event.h"
#include "core/EventSource.h"

#include <glm/vec2.hpp>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace vorn {
class User;
}

// The artifact collection: the table of every artifact part (from
// "data/artifact_parts.json") and the selected player's collected and
// placed parts. Won levels hand parts over (collectPart); the album places
// them (placePart). The sets are read from the player's record before use
// and copied back by save; the users file takes them at the user manager's
// next save.
//
// A part id begins with its place number (the album page) and names its
// artifact in its first two "-"-separated pieces: "4/a2-mask-3" is part 3
// of the artifact "4/a2-mask" on page 4.
class ArtifactManager : public vorn::EventSource {
public:
    struct PartInfo {
        std::string id;
        std::string group;
        int place = 0;
        // Top-left corner of the part's picture inside its artifact's node.
        float x = 0.0f;
        float y = 0.0f;
    };

    // Posted for every part placed; listeners hear it in the next event pass.
    class ArtifactPlacedEvent : public vorn::Event {
    public:
        ArtifactPlacedEvent(vorn::EventSource* source, std::string partId)
            : vorn::Event(source), partId_(std::move(partId)) {}
        const std::string& partId() const { return partId_; }

    private:
        std::string partId_;
    };

    using PlaceCompleteCallback = std::function<void(int place, const std::string& placeName)>;

    // Made, and the part table read, on first use; never destroyed.
    static ArtifactManager* instance();
    ArtifactManager(const ArtifactManager&) = delete;
    ArtifactManager& operator=(const ArtifactManager&) = delete;
    ~ArtifactManager() override;

    // Derived from the id alone: the leading number (0 when there is
    // none) and the artifact's id.
    static int placeOfPart(const std::string& id);
    static std::string groupOfPart(const std::string& id);
    // "provence" .. "crete" for places 1 to 9; "" for any other number.
    static std::string placeName(int place);

    // Replaces the part table with the file's; a file that is missing or
    // does not parse leaves the table empty, a malformed entry is skipped,
    // each with a log line.
    void readPartTable(const std::string& path);
    const std::map<std::string, PartInfo>& parts() const { return parts_; }

    // (0, 0) for an id not in the table.
    glm::vec2 partPosition(const std::string& id) const;
    bool isCollected(const std::string& id);
    bool isPlaced(const std::string& id);
    // Every part of the artifact, or of the place, is placed (true when it
    // has none).
    bool isGroupPlaced(const std::string& group) const;
    bool isPlaceComplete(int place) const;
    // The lowest place not complete; the highest place when all are, 0
    // with an empty table.
    int firstIncompletePlace() const;
    // Placed share of the place's parts; not a number without parts.
    float placeProgress(int place) const;

    const std::set<std::string>& collectedParts();
    const std::set<std::string>& placedParts();

    // Reads both sets from the selected player's record.
    void load();
    // Copies both sets into the selected player's record.
    void save();
    void saveIfChanged();
    bool hasUnsavedChanges() const { return changed_; }
    // Drops unsaved changes, reads the sets again and publishes
    // "collectedPartsAvailable" and "collectedPartsCount".
    void publishCounts();

    // False, changing nothing, for a part already placed.
    bool collectPart(const std::string& id);
    // Moves a collected part to the placed ones: posts the event, sets the
    // place's achievement, and calls the place-complete callback when the
    // place has become complete. False, changing nothing, for an id not in
    // the table, not collected or already placed.
    bool placePart(const std::string& id);
    // Every placed part goes back to the collected ones (a developer key).
    void unplaceAll();

    void setPlaceCompleteCallback(PlaceCompleteCallback callback) { placeComplete_ = std::move(callback); }
    bool hasPlaceCompleteCallback() const { return static_cast<bool>(placeComplete_); }

    // For tests: the next instance() makes the manager afresh, in place,
    // reading the part table of that moment. Does nothing when never made.
    static void resetForTests();

private:
    ArtifactManager();
    // Reads the sets again when asked to, or when they belong to another
    // player than the selected one.
    void ensureLoaded();

    std::map<std::string, PartInfo> parts_;
    std::set<std::string> collected_;
    std::set<std::string> placed_;
    bool reload_ = true;
    bool changed_ = false;
    // The player whose parts the sets hold; compared, never dereferenced.
    const vorn::User* owner_ = nullptr;
    PlaceCompleteCallback placeComplete_;
};
