// The map as the player sees it on the common screen shapes: at every stage
// of a player's progress the view the map chooses cuts no level at the
// screen's edges, shows the current level whole, and nothing else on the
// screen that takes clicks lies over a level, wherever the strip is dragged.
#include "app/Application.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "render/Render.h"
#include "screens/LevelList.h"
#include "screens/MahjongApp.h"
#include "screens/MapScene.h"
#include "widgets/DragBox.h"

#include "support/HeadlessApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Screen {
    float width;
    float height;
};

void PrintTo(const Screen& s, std::ostream* os) { *os << s.width << " x " << s.height; }

// The design area the game takes on a screen of that shape: 768 high.
class ShapedApp : public vorn::test::HeadlessApp {
public:
    glm::vec2 designSize() override { return size; }
    glm::vec2 size{1024.0f, 768.0f};
};

struct Box {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    bool overlaps(const Box& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
    bool overlapsRows(const Box& o) const { return top < o.bottom && o.top < bottom; }
};

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.left << ", " << b.top << ") to (" << b.right << ", " << b.bottom << ")";
}

Box onScreen(vorn::Node& node) {
    const glm::vec2 a = node.localToWorld({0.0f, 0.0f});
    const glm::vec2 b = node.localToWorld(node.getSize());
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// A node and everything shown in it.
Box shownOnScreen(vorn::Node& node) {
    Box box = onScreen(node);
    for (const auto& child : node.children()) {
        if (!child->isVisible()) continue;
        const Box inner = shownOnScreen(*child);
        if (inner.right - inner.left <= 0.0f && inner.bottom - inner.top <= 0.0f) continue;
        box = {std::min(box.left, inner.left), std::min(box.top, inner.top), std::max(box.right, inner.right),
               std::max(box.bottom, inner.bottom)};
    }
    return box;
}

class MapLayout : public ::testing::TestWithParam<Screen> {
protected:
    MapLayout() {
        multiUser = true;
        vorn::Platform::instance()->setDesktopSizeForTesting({GetParam().width, GetParam().height});
        app_.size = {768.0f * GetParam().width / GetParam().height, 768.0f};
        vorn::Application::setInstance(&app_);
        vorn::Render::setInstance(&render_);
        vorn::ResourceManager::instance()->setRender(&render_);
    }
    ~MapLayout() override {
        app_.runScene(nullptr);
        vorn::ResourceManager::instance()->setRender(nullptr);
        vorn::Render::setInstance(nullptr);
        vorn::Application::setInstance(nullptr);
        vorn::Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
    }

    void step(int frames) {
        for (int i = 0; i < frames; ++i) {
            render_.beginFrame();
            app_.update(1.0f / 60.0f);
            render_.endFrame();
        }
    }

    std::vector<std::shared_ptr<vorn::Node>> levelButtons() const {
        std::vector<std::shared_ptr<vorn::Node>> buttons;
        for (int i = 1; i <= MapScene::levelButtons; ++i) {
            if (auto button = map_->findNode("l" + std::to_string(i))) buttons.push_back(button);
        }
        return buttons;
    }

    vorn::test::RecordingRender render_;
    ShapedApp app_;
    std::shared_ptr<MapScene> map_;
};

TEST_P(MapLayout, EveryViewShowsItsLevelsWholeAndUncovered) {
    // A name of its own: the player list outlives the test.
    const std::string playerName = "Cartographer " + std::to_string(static_cast<int>(GetParam().width)) + "x" +
                             std::to_string(static_cast<int>(GetParam().height));
    vorn::User* player = vorn::UserManager::instance()->addUser(playerName);
    ASSERT_TRUE(player);
    // The game's own list: other tests leave lists of their own behind.
    LevelList::replaceForTesting(vorn::test::readBytes("data/levels.json"));
    player->setValue(vorn::Value(true), "welcomeTutorialShown");
    player->setValue(vorn::Value(true), "albumTutorialShown");
    map_ = std::make_shared<MapScene>();
    app_.runScene(map_, "appear");
    // Past the corner groups' entry.
    step(60);
    ASSERT_EQ(map_->getCurrentState(), "default");
    const float width = app_.size.x;
    const float height = app_.size.y;
    ASSERT_EQ(map_->getSize().x, width);
    const auto box = std::dynamic_pointer_cast<vorn::DragBox>(map_->findNode("levelsDragbox"));
    ASSERT_TRUE(box);
    const auto buttons = levelButtons();
    ASSERT_EQ(buttons.size(), 144u);

    // Whatever takes clicks above the strip: the scene's shown and enabled
    // children after it.
    std::vector<std::shared_ptr<vorn::Node>> above;
    bool pastStrip = false;
    for (const auto& child : map_->children()) {
        if (pastStrip && child->isVisible() && child->isEnabled()) above.push_back(child);
        pastStrip = pastStrip || child == box;
    }
    ASSERT_FALSE(above.empty());

    const int levels = LevelList::progressionLevels;
    for (int won = 0; won <= levels; ++won) {
        SCOPED_TRACE("levels won: " + std::to_string(won));
        vorn::Value& results = player->getOrCreate("levelResults", vorn::Value::DICT);
        if (won > 0) results.set(vorn::Value(1), std::to_string(won));
        map_->syncLevels();

        std::vector<Box> shown;
        for (const auto& button : buttons) shown.push_back(shownOnScreen(*button));
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const Box& b = shown[i];
            const std::string name = buttons[i]->getName();
            // Cut by neither edge: wholly in the view or wholly out of it.
            if (b.right > 0.0f && b.left < width) {
                EXPECT_TRUE(b.left >= 0.0f && b.right <= width) << name << " at " << b << " is cut on " << width;
            }
            EXPECT_TRUE(b.top >= 0.0f && b.bottom <= height) << name << " at " << b;
            // A level, its stars and its flag cover no other level.
            if (i + 1 < shown.size()) {
                EXPECT_FALSE(b.overlaps(shown[i + 1])) << name << " at " << b << " and the next at " << shown[i + 1];
            }
            // Nothing that takes clicks lies over a level, wherever the strip is dragged.
            for (const auto& node : above) {
                EXPECT_FALSE(shownOnScreen(*node).overlapsRows(b))
                    << node->getName() << " at " << shownOnScreen(*node) << " and " << name << " at " << b;
            }
        }
        if (won < levels) {
            const Box& current = shown[static_cast<std::size_t>(won)];
            EXPECT_TRUE(current.left >= 0.0f && current.right <= width) << "the current level at " << current;
        }
        if (HasFailure()) return;
    }
}

std::string screenName(const testing::TestParamInfo<Screen>& screen) {
    return std::to_string(static_cast<int>(screen.param.width)) + "x" +
           std::to_string(static_cast<int>(screen.param.height));
}

INSTANTIATE_TEST_SUITE_P(Screens, MapLayout,
                         testing::Values(Screen{1280, 1024}, Screen{1920, 1080}, Screen{1024, 768},
                                         Screen{1920, 1200}),
                         screenName);

} // namespace
