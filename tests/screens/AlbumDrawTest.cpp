// The album drawn for real: the game's application over the Direct3D
// renderer on our OpenGL layer, full screen on desktops of 1280 x 1024 and
// 1920 x 1080, frames read back and probed by colour. Every frame is left
// as a PNG next to the test program to be looked at.
#include "app/Application.h"
#include "core/DataSource.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "render/D3DFixture.h"
#include "screens/AlbumScene.h"
#include "screens/ArtifactManager.h"
#include "screens/ArtifactPartNode.h"
#include "screens/ArtifactPlaceNode.h"
#include "screens/MahjongApp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Value;

class DrawApp : public MahjongApp {
public:
    void setup() override {}
};

struct Desktop {
    int width;
    int height;
};

struct Rgb {
    int r, g, b;
};

class AlbumDraw : public vorn::test::D3DFixture, public ::testing::WithParamInterface<Desktop> {
protected:
    void SetUp() override {
        const Desktop desktop = GetParam();
        vorn::Platform::instance()->setDesktopSizeForTesting(
            {static_cast<float>(desktop.width), static_cast<float>(desktop.height)});
        D3DFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        useBackBuffer(desktop.width, desktop.height);
        vorn::Application::setInstance(&app);
        vorn::ResourceManager::instance()->setRender(render.get());
        design = app.designSize();
        scale = static_cast<float>(desktop.height) / design.y;
    }
    void TearDown() override {
        if (vorn::Application::instance() == &app) {
            app.runScene(nullptr);
            vorn::Application::setInstance(nullptr);
        }
        vorn::ResourceManager::instance()->setRender(nullptr);
        D3DFixture::TearDown();
        vorn::Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
    }

    void player(const std::vector<std::string>& collected, const std::vector<std::string>& placed) {
        vorn::UserManager* users = vorn::UserManager::instance();
        vorn::User* user = users->addUser("Painter");
        Value c(Value::ARRAY), p(Value::ARRAY);
        for (const auto& id : collected) c.push_back(Value(id));
        for (const auto& id : placed) p.push_back(Value(id));
        user->setValue(c, "collectedParts");
        user->setValue(p, "placedParts");
        user->setValue(Value(true), "insideAlbumTutorialShown");
        users->userDataChanged();
        ArtifactManager::instance()->publishCounts();
    }

    // Frames of the application as the window runs them; the last one read back.
    void frames(float seconds) {
        const int n = std::max(1, static_cast<int>(seconds * 60.0f + 0.5f));
        for (int i = 0; i < n; ++i) {
            render->beginFrame();
            app.update(1.0f / 60.0f);
            render->endFrame();
        }
        readBack();
    }

    std::string shot(const std::string& what) {
        const std::filesystem::path folder = std::filesystem::canonical("/proc/self/exe").parent_path();
        const std::string path =
            (folder / ("AlbumDraw_" + what + "_" + std::to_string(width) + "x" + std::to_string(height) + ".png"))
                .string();
        std::vector<std::uint8_t> rgba;
        for (const std::uint32_t p : frame) {
            rgba.insert(rgba.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                                     static_cast<std::uint8_t>(p), 255});
        }
        vorn::test::writePng(path, width, height, 4, rgba);
        std::printf("frame: %s\n", path.c_str());
        return path;
    }

    // Screen pixel of a design point.
    glm::ivec2 at(const glm::vec2& p) const { return {static_cast<int>(p.x * scale), static_cast<int>(p.y * scale)}; }
    glm::vec2 world(vorn::Node& node, const glm::vec2& local) { return node.localToWorld(local); }
    Rgb rgbAt(const glm::vec2& designPoint) const {
        const glm::ivec2 p = at(designPoint);
        const std::uint32_t v = pixel(p.x, p.y);
        return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
    }

    // The share of pixels in a design rectangle that pass the test.
    template <typename Test> float share(const glm::vec2& from, const glm::vec2& to, Test test) const {
        const glm::ivec2 a = at(from), b = at(to);
        int hits = 0, all = 0;
        for (int y = a.y; y < b.y; ++y) {
            for (int x = a.x; x < b.x; ++x) {
                const std::uint32_t v = pixel(x, y);
                ++all;
                if (test(Rgb{static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                             static_cast<int>(v & 0xFF)}))
                    ++hits;
            }
        }
        return all ? static_cast<float>(hits) / static_cast<float>(all) : 0.0f;
    }

    DrawApp app;
    glm::vec2 design{0.0f, 0.0f};
    float scale = 1.0f;
};

bool parchment(const Rgb& c) { return c.r > 200 && c.g > 180 && c.b > 130 && c.r >= c.b; }
bool ribbonRed(const Rgb& c) { return c.r > 150 && c.g < 110 && c.b < 110; }
bool ribbonGreen(const Rgb& c) { return c.g > 120 && c.r < 140 && c.b < 140; }
bool purple(const Rgb& c) { return c.b > 150 && c.r > 120 && c.g < c.r - 30; }
bool lightText(const Rgb& c) { return c.r > 225 && c.g > 215 && c.b > 190; }
bool sealRed(const Rgb& c) { return c.r > 150 && c.g < 80 && c.b < 80; }

TEST_P(AlbumDraw, TheBookThePartsAndTheCompletedPlacePopupLookFinished) {
    // Perfume whole but one part, lavender half placed, parts waiting in the list.
    player({"1/a1-perfume-4", "1/a3-plate-1", "2/a1-compass-2", "6/a4-lemons-3"},
           {"1/a1-perfume-1", "1/a1-perfume-2", "1/a1-perfume-3", "1/a2-lavender-1", "1/a2-lavender-4"});
    auto album = std::make_shared<AlbumScene>();
    app.runScene(album, "appear");
    frames(0.8f);
    const std::string opened = shot("opened");

    const float left = (design.x - 960.0f) / 2.0f;
    // The book's parchment between the artifacts, the red ribbon beside its
    // light title, the finds panel's parchment.
    EXPECT_GT(share({left + 330.0f, 380.0f}, {left + 350.0f, 420.0f}, parchment), 0.95f) << opened;
    EXPECT_GT(share({left + 160.0f, 50.0f}, {left + 200.0f, 70.0f}, ribbonRed), 0.9f) << opened;
    EXPECT_GT(share({left + 260.0f, 40.0f}, {left + 420.0f, 75.0f}, lightText), 0.05f) << opened;
    EXPECT_GT(share({left + 708.0f, 92.0f}, {left + 720.0f, 100.0f}, parchment), 0.9f) << opened;
    // The backdrop fills the screen to both edges, shaded.
    for (const float x : {2.0f, design.x - 3.0f}) {
        const Rgb c = rgbAt({x, 400.0f});
        EXPECT_GT(c.r + c.g + c.b, 40) << x << " " << opened;
        EXPECT_LT(c.r + c.g + c.b, 600) << x << " " << opened;
    }

    // The placed perfume parts are drawn in colour where the outline is faint.
    auto perfume = album->findNode("1/a1-perfume");
    ASSERT_TRUE(perfume);
    const glm::vec2 p0 = world(*perfume, {40.0f, 60.0f});
    const glm::vec2 p1 = world(*perfume, {160.0f, 120.0f});
    EXPECT_GT(share(p0, p1, purple), 0.15f) << opened;
    // The hat has no part placed: only its faint outline, no strong colour.
    auto hat = album->findNode("1/a4-hat");
    EXPECT_LT(share(world(*hat, {0.0f, 0.0f}), world(*hat, {200.0f, 200.0f}), purple), 0.01f) << opened;

    // The list shows the four finds on their tiles.
    ASSERT_EQ(album->findChildrenOfType(typeid(ArtifactPartNode), true).size(), 4u);
    for (const auto& node : album->findChildrenOfType(typeid(ArtifactPartNode), true)) {
        const glm::vec2 c = world(*node, node->halfSize());
        const glm::vec2 corner = world(*node->getParent(), {14.0f, 14.0f});
        EXPECT_TRUE(parchment(rgbAt(corner))) << opened;
        // Something of the part itself is drawn at the tile's middle area.
        EXPECT_LT(share(c - glm::vec2(30.0f), c + glm::vec2(30.0f), parchment), 0.9f) << opened;
    }

    // The last perfume part dragged into place completes nothing but the
    // artifact; the page turned to Naples shows the lemons.
    auto part =
        std::dynamic_pointer_cast<ArtifactPartNode>(album->findChildrenOfType(typeid(ArtifactPartNode), true)[0]);
    ASSERT_EQ(part->partId(), "1/a1-perfume-4");
    const glm::vec2 grab = world(*part, part->halfSize());
    const glm::vec2 target = world(*perfume, {60.0f, 60.0f}) + part->halfSize();
    const auto toWindow = [this](const glm::vec2& p) { return p * scale; };
    app.mouseMove(toWindow(grab), vorn::BUTTON_LEFT);
    app.mouseDown(toWindow(grab), vorn::BUTTON_LEFT);
    app.mouseMove(toWindow((grab + target) * 0.5f), vorn::BUTTON_LEFT);
    frames(1.0f / 60.0f);
    const std::string dragging = shot("dragging");
    EXPECT_LT(share((grab + target) * 0.5f - glm::vec2(20.0f), (grab + target) * 0.5f + glm::vec2(20.0f), parchment),
              0.95f)
        << dragging;
    app.mouseMove(toWindow(target), vorn::BUTTON_LEFT);
    app.mouseUp(toWindow(target), vorn::BUTTON_LEFT);
    ASSERT_TRUE(ArtifactManager::instance()->isPlaced("1/a1-perfume-4"));
    frames(0.5f);
    shot("artifact_complete");
    frames(2.0f);

    // The popup of a completed place, over a dimmed album.
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    Value placed(Value::ARRAY);
    for (const auto& [id, info] : ArtifactManager::instance()->parts()) {
        if (info.place == 1 && id != "1/a3-plate-1") placed.push_back(Value(id));
    }
    user->setValue(placed, "placedParts");
    ArtifactManager::instance()->publishCounts();
    album->buildAlbum();
    frames(0.1f);
    auto plate = album->findNode("1/a3-plate");
    const glm::vec2 plateTarget = world(*plate, {50.0f, 50.0f}) + glm::vec2(42.0f, 42.0f);
    std::shared_ptr<ArtifactPartNode> platePart;
    for (const auto& node : album->findChildrenOfType(typeid(ArtifactPartNode), true)) {
        auto candidate = std::dynamic_pointer_cast<ArtifactPartNode>(node);
        if (candidate->partId() == "1/a3-plate-1") platePart = candidate;
    }
    ASSERT_TRUE(platePart);
    const glm::vec2 plateGrab = world(*platePart, platePart->halfSize());
    app.mouseMove(toWindow(plateGrab), vorn::BUTTON_LEFT);
    app.mouseDown(toWindow(plateGrab), vorn::BUTTON_LEFT);
    app.mouseMove(toWindow(plateTarget), vorn::BUTTON_LEFT);
    app.mouseUp(toWindow(plateTarget), vorn::BUTTON_LEFT);
    ASSERT_EQ(album->getCurrentState(), "provence");
    frames(1.0f);
    const std::string popup = shot("place_complete");
    const glm::vec2 middle = design * 0.5f;
    // Green ribbon above the panel, the red seal in the middle, the backdrop dimmed.
    EXPECT_GT(share(middle + glm::vec2(-160.0f, -205.0f), middle + glm::vec2(-120.0f, -175.0f), ribbonGreen), 0.8f)
        << popup;
    EXPECT_GT(share(middle + glm::vec2(-25.0f, -70.0f), middle + glm::vec2(25.0f, -30.0f), sealRed), 0.4f) << popup;
    const Rgb corner = rgbAt({4.0f, 760.0f});
    EXPECT_LT(corner.r + corner.g + corner.b, 200) << popup;

    // Next page: Naples, after the popup is closed.
    album->popState();
    vorn::DataSource::get("currentAlbumPage")->set(Value(6));
    frames(0.6f);
    shot("naples");
    EXPECT_GT(share({left + 260.0f, 40.0f}, {left + 420.0f, 75.0f}, lightText), 0.05f);
}

TEST_P(AlbumDraw, TheFirstVisitTutorialPointsAtTheFinds) {
    player({"1/a1-perfume-1"}, {});
    vorn::UserManager::instance()->currentUser()->setValue(Value(false), "insideAlbumTutorialShown");
    auto album = std::make_shared<AlbumScene>();
    app.runScene(album, "appear");
    frames(1.8f);
    ASSERT_EQ(album->getCurrentState(), "albumTutorial");
    const std::string tutorial = shot("tutorial");
    auto card = album->findNode("tutorial");
    // A dark card with light text, the page still in full colour around it.
    const glm::vec2 a = world(*card, {14.0f, 112.0f}), b = world(*card, {206.0f, 210.0f});
    EXPECT_GT(share(a, b, lightText), 0.04f) << tutorial;
    EXPECT_GT(share(a, b, [](const Rgb& c) { return c.r + c.g + c.b < 200; }), 0.4f) << tutorial;
    const float left = (design.x - 960.0f) / 2.0f;
    EXPECT_GT(share({left + 330.0f, 380.0f}, {left + 350.0f, 420.0f}, parchment), 0.95f) << tutorial;
}

INSTANTIATE_TEST_SUITE_P(Desktops, AlbumDraw, ::testing::Values(Desktop{1280, 1024}, Desktop{1920, 1080}),
                         [](const ::testing::TestParamInfo<Desktop>& desktop) {
                             return std::to_string(desktop.param.width) + "x" + std::to_string(desktop.param.height);
                         });

} // namespace
