// The game screen drawn for real, through the Direct3D layer on OpenGL,
// on full screens of 1280 x 1024 and 1920 x 1080: the design area follows
// the screen's shape, the side columns stand at its edges, the board
// between them, and the popups over everything. Probed pixel by pixel; each
// frame is also written next to the test program to be looked at.
#include "render/D3DFixture.h"

#include "app/Application.h"
#include "core/Config.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "mahjong/Board.h"
#include "mahjong/Tile.h"
#include "screens/GameScene.h"
#include "screens/LevelList.h"
#include "screens/MahjongApp.h"
#include "widgets/UiDefaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Screen {
    int width;
    int height;
};

class GameScreenDrawing : public vorn::test::D3DFixture, public testing::WithParamInterface<Screen> {
protected:
    void SetUp() override {
        D3DFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const Screen screen = GetParam();
        vorn::Platform::instance()->setDesktopSizeForTesting({float(screen.width), float(screen.height)});
        useBackBuffer(screen.width, screen.height);
        vorn::Application::setInstance(&app);
        vorn::ResourceManager::instance()->setRender(render.get());
        vorn::UiDefaults::instance()->setDefaultFont(vorn::ResourceManager::instance()->getFont("ubuntu.bold.ttf", 20.0f));
        vorn::Config::instance()->load();
        vorn::User* player = vorn::UserManager::instance()->addUser("Painter");
        player->getResource("gold").set(480);
        player->getResource("hint").set(3);
        player->getResource("undo").set(2);
        player->getResource("reshuffle").set(1);
        design = app.designSize();
        k = float(screen.height) / design.y;
    }
    void TearDown() override {
        app.runScene(nullptr);
        game.reset();
        vorn::Application::setInstance(nullptr);
        vorn::Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
        D3DFixture::TearDown();
    }

    // Frames of dt seconds, drawn; the last one is read back.
    void frames(int count, float dt) {
        for (int i = 0; i < count; ++i) {
            render->beginFrame();
            app.update(dt);
            render->endFrame();
        }
        readBack();
    }

    // A design point on the screen: the design area fills the screen, as
    // it is made in the screen's shape.
    int sx(float x) const { return int(x * k); }
    int sy(float y) const { return int(y * k); }
    int right(float fromRight) const { return sx(design.x - fromRight); }

    void keep(const std::string& what) {
        const Screen screen = GetParam();
        char name[128];
        std::snprintf(name, sizeof name, "GameScreen_%dx%d_%s.png", screen.width, screen.height, what.c_str());
        const std::filesystem::path folder = std::filesystem::canonical("/proc/self/exe").parent_path();
        std::vector<std::uint8_t> rgba;
        rgba.reserve(frame.size() * 4);
        for (const std::uint32_t p : frame) {
            rgba.push_back(std::uint8_t(p >> 16));
            rgba.push_back(std::uint8_t(p >> 8));
            rgba.push_back(std::uint8_t(p));
            rgba.push_back(255);
        }
        vorn::test::writePng((folder / name).string(), width, height, 4, rgba);
    }

    static int channel(std::uint32_t p, int shift) { return int((p >> shift) & 0xFF); }
    // A tile body at the point: light, whichever look it has.
    ::testing::AssertionResult light(int x, int y) {
        const std::uint32_t p = pixel(x, y);
        if (channel(p, 16) > 170 && channel(p, 8) > 170 && channel(p, 0) > 150) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x" << std::hex << (p & 0xFFFFFF)
                                             << "; frame written to " << saveFrame();
    }

    MahjongApp app;
    std::shared_ptr<GameScene> game;
    glm::vec2 design{0.0f, 0.0f};
    float k = 1.0f;
};

TEST_P(GameScreenDrawing, ThePlayingScreenThenTheWinPopup) {
    game = std::make_shared<GameScene>(LevelList::instance()->find("2"));
    app.runScene(game, "appear");
    frames(16, 0.25f);
    keep("play");

    // The board between the columns: tile bodies near the top left of a few
    // tiles, read from the board itself, above where any face draws (the
    // flowers and seasons carry letters in their top corners).
    ASSERT_TRUE(game->board);
    for (std::size_t i = 0; i < game->board->tiles.size(); i += 5) {
        const auto& tile = game->board->tiles[i];
        const glm::vec2 at = tile->localToWorld({10.0f, 8.0f});
        EXPECT_TRUE(light(sx(at.x), sy(at.y))) << i;
        EXPECT_GT(at.x, 150.0f);
        EXPECT_LT(at.x, design.x - 150.0f);
    }
    // The map button's blue at the top left; the teal ring of the hint
    // button in the right column; the gold plate's parchment at the top right.
    probe(sx(18), sy(41), 0x4596DF, 12);
    probe(right(75), sy(238), 0x41A57C, 12);
    probe(right(30), sy(52), 0xEEDFBD, 12);
    // The score panel's dark glass over the background, left.
    const std::uint32_t glass = pixel(sx(20), sy(300));
    EXPECT_LT(channel(glass, 16) + channel(glass, 8) + channel(glass, 0), 360) << std::hex << glass;

    game->win();
    // The popup has opened; its effect comes at 0.8 s.
    frames(3, 0.25f);
    keep("win");
    // The popup's parchment below the centre, the dim over the gold plate,
    // and the first star lit (one star for a score of nothing).
    probe(sx(design.x / 2), sy(design.y / 2 + 120), 0xFAF1DB, 12);
    probe(right(30), sy(52), 0x5E5B51, 12);
    probe(sx(design.x / 2 - 135), sy(design.y / 2 - 145), 0xFFE274, 12);
    frames(3, 0.25f);
    keep("win_effect");
}

// A removed pair rises grown over the last-pair panel at the screen's
// right edge, then shrinks into the panel: the whole pair is on the screen
// all the way.
TEST_P(GameScreenDrawing, TheRemovedPairFliesOnTheScreen) {
    game = std::make_shared<GameScene>(LevelList::instance()->find("4"));
    game->boardSeed = 5;
    app.runScene(game, "appear");
    frames(20, 0.25f);
    ASSERT_TRUE(game->board);
    const auto moves = game->board->findMoves();
    ASSERT_FALSE(moves.empty());
    // The pair furthest right flies the least way: the widest view of the rise.
    mahjong::Board::Move pair = moves.front();
    for (const auto& move : moves)
        if (move.first->position.x + move.second->position.x > pair.first->position.x + pair.second->position.x)
            pair = move;
    game->board->tileClicked(pair.first);
    game->board->tileClicked(pair.second);
    float rightmost = 0.0f;
    for (int f = 0; f < 90; ++f) {
        frames(1, 1.0f / 60.0f);
        for (const auto& tile : {pair.first, pair.second}) {
            const glm::vec2 a = tile->localToWorld({0.0f, 0.0f});
            const glm::vec2 b = tile->localToWorld(tile->getSize());
            rightmost = std::max(rightmost, b.x);
            ASSERT_GE(a.x, 0.0f) << "frame " << f;
            ASSERT_LE(b.x, design.x) << "frame " << f << "; frame written to " << saveFrame();
            ASSERT_GE(a.y, 0.0f) << "frame " << f;
            ASSERT_LE(b.y, design.y) << "frame " << f;
        }
        if (f == 40) keep("pair_rising");
    }
    // It did rise over the right column, not only land in it.
    EXPECT_GT(rightmost, design.x - 150.0f);
    keep("pair_landed");
}

// The no-moves popup's undo in the grey of a button that cannot be used
// while there is nothing to take back, in its blue once there is.
TEST_P(GameScreenDrawing, TheNoMovesUndoLooksDisabledWithNothingToTakeBack) {
    game = std::make_shared<GameScene>(LevelList::instance()->find("4"));
    game->boardSeed = 5;
    app.runScene(game, "appear");
    frames(20, 0.25f);
    const auto button = game->findNode("noTurnsUndo");
    ASSERT_TRUE(button);
    const auto buttonColour = [&] {
        const glm::vec2 at = button->localToWorld({20.0f, 50.0f});
        return pixel(sx(at.x), sy(at.y));
    };
    const auto blue = [](std::uint32_t p) { return channel(p, 0) > channel(p, 16) + 60; };
    const auto grey = [](std::uint32_t p) {
        return std::abs(channel(p, 16) - channel(p, 0)) < 30 && std::abs(channel(p, 8) - channel(p, 0)) < 30;
    };
    game->onNoTurns();
    frames(4, 0.25f);
    keep("no_moves_nothing_to_undo");
    EXPECT_TRUE(grey(buttonColour())) << std::hex << buttonColour() << "; frame written to " << saveFrame();
    game->popState();
    frames(2, 0.25f);

    const auto moves = game->board->findMoves();
    ASSERT_FALSE(moves.empty());
    game->board->tileClicked(moves.front().first);
    game->board->tileClicked(moves.front().second);
    frames(8, 0.25f);
    game->onNoTurns();
    frames(4, 0.25f);
    keep("no_moves_with_undo");
    EXPECT_TRUE(blue(buttonColour())) << std::hex << buttonColour() << "; frame written to " << saveFrame();
}

INSTANTIATE_TEST_SUITE_P(Screens, GameScreenDrawing, testing::Values(Screen{1280, 1024}, Screen{1920, 1080}),
                         [](const testing::TestParamInfo<Screen>& named) {
                             return std::to_string(named.param.width) + "x" + std::to_string(named.param.height);
                         });

} // namespace
