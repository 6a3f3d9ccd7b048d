#pragma once

// The album on a headless application over the game's own data: a player
// with chosen parts, the album made current, frames stepped, and the
// pointer moved, pressed and released through the application as the
// window would.

#include "core/Data.h"
#include "core/EventDispatcher.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "core/Value.h"
#include "scene/Effect.h"
#include "scene/Image.h"
#include "screens/AlbumScene.h"
#include "screens/ArtifactManager.h"
#include "screens/ArtifactPartNode.h"
#include "screens/ArtifactPlaceNode.h"

#include "support/HeadlessApp.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace album {

using vorn::User;
using vorn::UserManager;
using vorn::Value;

inline Value idArray(const std::vector<std::string>& ids) {
    Value array(Value::ARRAY);
    for (const std::string& id : ids) array.push_back(Value(id));
    return array;
}

inline std::vector<std::string> idsOf(const Value& list) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < list.size(); ++i) out.push_back(list.at(i).toString());
    return out;
}

// Every part id of the table on that place, in id order.
inline std::vector<std::string> partsOfPlace(int place) {
    std::vector<std::string> out;
    for (const auto& [id, info] : ArtifactManager::instance()->parts()) {
        if (info.place == place) out.push_back(id);
    }
    return out;
}

inline std::vector<std::string> partsOfGroup(const std::string& group) {
    std::vector<std::string> out;
    for (const auto& [id, info] : ArtifactManager::instance()->parts()) {
        if (info.group == group) out.push_back(id);
    }
    return out;
}

// The players as the users file on disk holds them, name to profile.
inline Value savedProfile(const std::string& name) {
    const vorn::Data bytes = vorn::Data::readFile(UserManager::instance()->usersFilePath());
    const Value saved = UserManager::readUsersData(bytes, nullptr);
    const Value& users = saved.get("users");
    for (unsigned i = 0; i < users.size(); ++i) {
        if (users.at(i).get("name").toString() == name) return users.at(i);
    }
    return Value();
}

class AlbumTest : public ::testing::Test {
protected:
    AlbumTest() { vorn::ResourceManager::instance()->setRender(&run.render); }
    ~AlbumTest() override { vorn::ResourceManager::instance()->setRender(nullptr); }

    // A selected player holding these parts; the album tutorial seen
    // unless asked for.
    User* player(const std::vector<std::string>& collected, const std::vector<std::string>& placed,
                 bool tutorialSeen = true) {
        UserManager* users = UserManager::instance();
        User* user = users->currentUser() ? users->currentUser() : users->addUser("P1");
        user->setValue(idArray(collected), "collectedParts");
        user->setValue(idArray(placed), "placedParts");
        user->setValue(Value(tutorialSeen), "insideAlbumTutorialShown");
        users->userDataChanged();
        users->flushPendingSave();
        ArtifactManager::instance()->publishCounts();
        return user;
    }

    // The album made current, its entry animation over.
    std::shared_ptr<AlbumScene> open() {
        auto album = std::make_shared<AlbumScene>();
        run.app.runScene(album, "appear");
        frames(0.6f);
        return album;
    }

    void frames(float seconds) {
        const int n = static_cast<int>(seconds * 60.0f + 0.5f);
        run.step(1.0f / 60.0f, n);
    }

    std::shared_ptr<ArtifactPartNode> partNode(const std::string& id) {
        for (const auto& node : album()->findChildrenOfType(typeid(ArtifactPartNode), true)) {
            auto part = std::dynamic_pointer_cast<ArtifactPartNode>(node);
            if (part->partId() == id) return part;
        }
        return nullptr;
    }
    std::shared_ptr<ArtifactPlaceNode> placeNode(const std::string& group) {
        for (const auto& node : album()->findChildrenOfType(typeid(ArtifactPlaceNode), true)) {
            auto place = std::dynamic_pointer_cast<ArtifactPlaceNode>(node);
            if (place->groupId() == group) return place;
        }
        return nullptr;
    }
    std::vector<std::string> listedParts() {
        std::vector<std::string> out;
        for (const auto& tile : album()->findNode("partsNodelist")->children()) {
            for (const auto& child : tile->children()) {
                if (auto part = std::dynamic_pointer_cast<ArtifactPartNode>(child)) out.push_back(part->partId());
            }
        }
        return out;
    }
    // The pictures a place shows, as their positions inside the artifact.
    static std::vector<glm::vec2> shownParts(vorn::Node& place) {
        std::vector<glm::vec2> out;
        for (const auto& child : place.children()) {
            if (typeid(*child) == typeid(vorn::Image)) out.push_back(child->getPosition());
        }
        return out;
    }
    static std::size_t effectsOn(vorn::Node& node) {
        return node.findChildrenOfType(typeid(vorn::Effect), false).size();
    }
    std::shared_ptr<AlbumScene> album() { return std::dynamic_pointer_cast<AlbumScene>(run.app.runningScene()); }

    static glm::vec2 topLeft(vorn::Node& node) { return node.localToWorld({0.0f, 0.0f}); }
    static glm::vec2 centre(vorn::Node& node) {
        const glm::vec3 c = node.getWorldCenter();
        return {c.x, c.y};
    }

    // Press at from, move there in a few steps, release at to.
    void drag(const glm::vec2& from, const glm::vec2& to) {
        run.app.mouseMove(from, vorn::BUTTON_LEFT);
        run.app.mouseDown(from, vorn::BUTTON_LEFT);
        for (int i = 1; i <= 4; ++i)
            run.app.mouseMove(from + (to - from) * (static_cast<float>(i) / 4.0f), vorn::BUTTON_LEFT);
        run.app.mouseUp(to, vorn::BUTTON_LEFT);
    }
    // Drags the part, grabbed at its centre, so that the top-left corner of
    // its box lands at corner.
    void dropPartAt(const std::string& id, const glm::vec2& corner) {
        auto part = partNode(id);
        ASSERT_TRUE(part) << id;
        const glm::vec2 grab = centre(*part);
        drag(grab, corner + (grab - topLeft(*part)));
    }
    void dropOnPlace(const std::string& id, const std::string& group) {
        auto place = placeNode(group);
        ASSERT_TRUE(place) << group;
        dropPartAt(id, topLeft(*place) + glm::vec2(40.0f, 40.0f));
    }

    vorn::test::HeadlessRun run;
};

} // namespace album
