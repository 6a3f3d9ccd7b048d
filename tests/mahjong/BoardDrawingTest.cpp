// The first and the last level of the game, read from the shipped data,
// dealt on a fixed seed and drawn for real: the engine's frame on the
// Direct3D renderer over our OpenGL layer, read back from the back buffer.
// One frame on the engine's black is measured and probed; a second one with
// the level's background, a selected tile and a hint is written as a PNG next
// to the test program, to be looked at. Each test needs a process of its own,
// as the suite runs them: the resource cache keeps the pictures of the first
// test's renderer, whose textures are gone with it.
#include "app/Application.h"
#include "core/Data.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "mahjong/Board.h"
#include "mahjong/Level.h"
#include "mahjong/Tile.h"
#include "render/D3DFixture.h"
#include "scene/Scene.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace mahjong {
namespace {

constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 1024;

// A design area the size of the window on a desktop of that size: one
// design pixel is one window pixel, and the plain (not "@2x") pictures load.
class DrawingApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {kWindowWidth, kWindowHeight}; }
    std::string dataFolderName() override { return "VornTest"; }
    void setup() override {}
};

struct Box {
    float left, top, right, bottom;
};

int luminance(std::uint32_t p) {
    return (static_cast<int>((p >> 16) & 0xFF) * 3 + static_cast<int>((p >> 8) & 0xFF) * 6 +
            static_cast<int>(p & 0xFF)) / 10;
}

class BoardDrawing : public vorn::test::D3DFixtureSized<kWindowWidth, kWindowHeight> {
protected:
    void SetUp() override {
        vorn::Platform::instance()->setDesktopSizeForTesting({kWindowWidth, kWindowHeight});
        D3DFixtureSized::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        vorn::ResourceManager::instance()->setRender(render.get());
        vorn::Application::setInstance(&app);
        scene = std::make_shared<vorn::Scene>(&app);
        app.runScene(scene);
    }

    void TearDown() override {
        if (!IsSkipped()) app.runScene(nullptr);
        vorn::Application::setInstance(nullptr);
        vorn::ResourceManager::instance()->setRender(nullptr);
        D3DFixtureSized::TearDown();
        vorn::Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
    }

    // The level of the game's list, as the game reads it.
    static std::shared_ptr<Level> level(const std::string& uid) {
        const auto list = nlohmann::json::parse(vorn::Data::readFile("data/levels.json").toString(), nullptr, false);
        if (!list.is_object() || !list.contains(uid)) return nullptr;
        return std::make_shared<Level>(list[uid]["filename"].get<std::string>());
    }

    // Deals the level on a fixed seed with the layout centred in the window
    // at the given scale, and lets the deal land. The frames in between are
    // stepped as the game steps them, with the board hidden to keep them
    // cheap.
    void deal(const std::shared_ptr<Level>& layout, float scale) {
        board = std::make_shared<Board>(layout);
        board->randomEngine.seed(1);
        board->setAnchor(board->center());
        board->setPosition({kWindowWidth * 0.5f, kWindowHeight * 0.5f});
        board->setScale({scale, scale});
        board->setVisible(false);
        scene->addChild(board);
        step(6.0f);
        board->setVisible(true);
    }

    void step(float seconds) {
        for (int i = 0; i < static_cast<int>(seconds * 10.0f + 0.5f); ++i) {
            render->beginFrame();
            app.update(0.1f);
            render->endFrame();
        }
    }

    // One more frame of the engine, read back.
    void draw() {
        render->beginFrame();
        app.update(0.0f);
        endFrame();
    }

    // The level's own background behind the board.
    void addBackground(const std::shared_ptr<Level>& layout) {
        auto background = std::make_shared<vorn::Node>();
        background->setSize({kWindowWidth, kWindowHeight});
        background->loadFromFile("data/scenes/game/backgrounds/" + layout->background);
        scene->addChild(background);
        scene->removeChild(board);
        scene->addChild(board);
    }

    Box box(const std::shared_ptr<Tile>& tile) {
        const glm::vec2 a = tile->localToWorld({0.0f, 0.0f});
        const glm::vec2 b = tile->localToWorld(tile->getSize());
        return {a.x, a.y, b.x, b.y};
    }

    // A point of the tile's top face above its picture (the faces' pictures
    // leave the top 8 pixels of the face bare), in window pixels.
    glm::ivec2 facePoint(const std::shared_ptr<Tile>& tile) { return pixelAt(tile, {54.0f, 5.0f}); }

    glm::ivec2 pixelAt(const std::shared_ptr<Tile>& tile, glm::vec2 local) {
        const glm::vec2 p = tile->localToWorld(local);
        return {static_cast<int>(p.x), static_cast<int>(p.y)};
    }

    bool covered(const std::shared_ptr<Tile>& tile) {
        const TilePosition& p = tile->position;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                if (board->cellAt(TilePosition(p.x + i, p.y + j, p.z + 1))) return true;
        return false;
    }

    // The first and one past the last pixel of the run through (x, y) along
    // a row (or a column) whose pixels pass the test.
    template <typename Test>
    std::pair<int, int> run(int x, int y, bool alongRow, Test&& pass) {
        int a = alongRow ? x : y;
        int b = a;
        const int limit = alongRow ? width : height;
        const auto at = [&](int k) { return alongRow ? pixel(k, y) : pixel(x, k); };
        while (a > 0 && pass(at(a - 1))) --a;
        while (b < limit && pass(at(b))) ++b;
        return {a, b};
    }

    // Every face no tile lies on is light, and the locked ones darker than
    // the free ones.
    void probeFaces(int& free, int& locked) {
        long long freeSum = 0, lockedSum = 0;
        free = locked = 0;
        for (const auto& tile : board->tiles) {
            if (covered(tile)) continue;
            const glm::ivec2 p = facePoint(tile);
            const int lum = luminance(pixel(p.x, p.y));
            EXPECT_GT(lum, 150) << "face of the tile at " << tile->position.x << "," << tile->position.y << ","
                                << tile->position.z << " at (" << p.x << ", " << p.y << ")";
            if (tile->isLocked()) {
                lockedSum += lum;
                ++locked;
            } else {
                freeSum += lum;
                ++free;
            }
        }
        if (free && locked) {
            EXPECT_GT(freeSum / free - lockedSum / locked, 20) << "the locked look is too faint";
        }
    }

    DrawingApp app;
    std::shared_ptr<vorn::Scene> scene;
    std::shared_ptr<Board> board;
};

TEST_F(BoardDrawing, TheFirstLevelDrawsEveryTileAtItsDesignSize) {
    const auto first = level("1");
    ASSERT_TRUE(first && !first->places.empty());
    deal(first, 1.0f);
    ASSERT_EQ(board->tiles.size(), first->places.size());
    draw();

    // The tile at the left end of the middle row stands alone on its rows:
    // its body (the face and the sides to the right and below) is the
    // design's 118 x 163 pixels, its top face 108 x 148.
    std::shared_ptr<Tile> alone;
    for (const auto& tile : board->tiles)
        if (tile->position == TilePosition(1, 5, 0)) alone = tile;
    ASSERT_TRUE(alone);
    const Box b = box(alone);
    EXPECT_FLOAT_EQ(b.right - b.left, 118.0f);
    EXPECT_FLOAT_EQ(b.bottom - b.top, 163.0f);
    const int left = static_cast<int>(b.left), top = static_cast<int>(b.top);
    const auto drawn = [](std::uint32_t p) { return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 60; };
    const auto [bodyLeft, bodyRight] = run(left + 40, top + 20, true, drawn);
    const auto [bodyTop, bodyBottom] = run(left + 40, top + 20, false, drawn);
    EXPECT_NEAR(bodyLeft, left, 2);
    EXPECT_NEAR(bodyRight - bodyLeft, 118, 3);
    EXPECT_NEAR(bodyTop, top, 2);
    EXPECT_NEAR(bodyBottom - bodyTop, 163, 3);
    // The face ends where the darker sides begin: right of its picture, and
    // below it.
    const auto light = [](std::uint32_t p) { return luminance(p) > 200; };
    EXPECT_NEAR(run(left + 104, top + 40, true, light).second - left, 108, 2);
    EXPECT_NEAR(run(left + 54, top + 145, false, light).second - top, 148, 2);

    int free = 0, locked = 0;
    probeFaces(free, locked);
    EXPECT_EQ(free, static_cast<int>(board->tiles.size()));
    // Around the board the engine's black shows.
    probe(5, 5, 0x000000);
    probe(width - 5, height - 5, 0x000000);
    if (HasFailure()) std::printf("frame: %s\n", saveFrame().c_str());

    // As the player sees it: the level's background, a selected tile and a
    // hinted pair.
    addBackground(first);
    ASSERT_TRUE(board->showHint());
    for (const auto& tile : board->tiles) {
        if (tile->currentAnimation() != tile->getAnimation("hint")) {
            board->tileClicked(tile);
            break;
        }
    }
    step(0.3f);
    draw();
    const glm::ivec2 face = facePoint(alone);
    EXPECT_GT(luminance(pixel(face.x, face.y)), 150);
    // The lavender field below the board is no tile.
    EXPECT_LT(luminance(pixel(width / 2, height - 20)), 170);
    std::printf("frame: %s\n", saveFrame().c_str());
}

TEST_F(BoardDrawing, TheLastLevelStacksItsLayersAndShowsWhichTilesAreLocked) {
    const auto last = level("144");
    ASSERT_TRUE(last && !last->places.empty());
    // Scaled down far enough that the whole layout, whatever its outline,
    // shows in the window with a margin, so that every face can be probed.
    glm::vec2 low(1e9f), high(-1e9f);
    for (const LevelPlace& place : last->places) {
        low = glm::min(low, gridToPixels(place.position));
        high = glm::max(high, gridToPixels(place.position));
    }
    const glm::vec2 extent = high - low + glm::vec2(kTileImageWidth, kTileImageHeight);
    const float scale = std::min({0.85f, 0.9f * kWindowWidth / extent.x, 0.9f * kWindowHeight / extent.y});
    deal(last, scale);
    ASSERT_EQ(board->tiles.size(), last->places.size());
    draw();

    // Scaled with the board, and each layer up 10 pixels further left and
    // 15 further up (in design pixels) than the one below.
    for (const auto& tile : board->tiles) {
        const Box b = box(tile);
        ASSERT_NEAR(b.right - b.left, 118.0f * scale, 0.01f);
        ASSERT_NEAR(b.bottom - b.top, 163.0f * scale, 0.01f);
        for (const auto& below : board->tiles) {
            if (below->position == TilePosition(tile->position.x, tile->position.y, tile->position.z - 1)) {
                const Box c = box(below);
                EXPECT_NEAR(b.left - c.left, -10.0f * scale, 0.01f);
                EXPECT_NEAR(b.top - c.top, -15.0f * scale, 0.01f);
            }
        }
    }

    int free = 0, locked = 0;
    probeFaces(free, locked);
    EXPECT_GT(free, 0);
    EXPECT_GT(locked, 0);
    probe(5, 5, 0x000000);
    if (HasFailure()) std::printf("frame: %s\n", saveFrame().c_str());

    addBackground(last);
    ASSERT_TRUE(board->showHint());
    step(0.3f);
    draw();
    std::printf("frame: %s\n", saveFrame().c_str());
}

} // namespace
} // namespace mahjong
