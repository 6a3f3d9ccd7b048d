// Particles and the distortion mesh drawn for real: a small tree read from a
// node file, its pictures loaded through the resource manager, drawn by the
// Direct3D renderer on our OpenGL layer and read back. Each test leaves its
// frame as a PNG next to the test program.
#include "widgets/DistortionMesh.h"
#include "widgets/ParticleSystem.h"

#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "render/D3DFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vorn {
namespace {

class EffectsRender : public test::D3DFixture {
protected:
    void SetUp() override {
        Platform::instance()->setDesktopSizeForTesting({1024, 768});
        D3DFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ResourceManager::instance()->setRender(render.get());
        ResourceManager::instance()->addSearchPath(dir.path().string());
        // A white spark and a picture of four coloured quarters.
        ASSERT_TRUE(test::writePng(dir.file("spark.png"), 8, 8, 4, std::vector<std::uint8_t>(8 * 8 * 4, 255)));
        std::vector<std::uint8_t> quarters;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const std::uint32_t rgb = y < 16 ? (x < 16 ? 0xFF0000u : 0x00FF00u) : (x < 16 ? 0x0000FFu : 0xFFFF00u);
                quarters.insert(quarters.end(), {static_cast<std::uint8_t>(rgb >> 16),
                                                 static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb),
                                                 255});
            }
        }
        ASSERT_TRUE(test::writePng(dir.file("quarters.png"), 32, 32, 4, quarters));
    }

    void TearDown() override {
        ResourceManager::instance()->setRender(nullptr);
        D3DFixture::TearDown();
    }

    std::shared_ptr<Node> load(const std::string& xml) {
        const std::string path = dir.file("effects.xml");
        test::writeBytes(path, xml);
        auto root = std::make_shared<Node>();
        root->loadFromFile(path);
        return root;
    }

    void drawFrame(Node& root) {
        beginFrame();
        root.visit();
        endFrame();
    }

    static bool orange(std::uint32_t p) {
        const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
                  b = static_cast<int>(p & 0xFF);
        return r > 200 && g > 100 && g < 160 && b < 40;
    }

    test::TempDir dir;
};

TEST_F(EffectsRender, ABurstFliesOutOfItsSystemBesideASwayingMesh) {
    auto root = load(R"(<container>
        <distortion_mesh name="mesh" filename="quarters.png" x="100" y="20" w="90" h="80" rows="6" cols="8"/>
        <particle_system name="burst" filename="spark.png" x="50" y="75" start_color="FF8000" end_color="FF8000">
          <particle_emitter once="1" count="60" velocity_min="30" velocity_max="60" spread="180" energy="5"/>
        </particle_system>
      </container>)");
    auto system = std::dynamic_pointer_cast<ParticleSystem>(root->findChild("burst", false));
    auto mesh = std::dynamic_pointer_cast<DistortionMesh>(root->findChild("mesh", false));
    ASSERT_TRUE(system && mesh);
    root->enterStage();
    ASSERT_EQ(system->getParticles().size(), 60u);
    for (int i = 0; i < 30; ++i) Scheduler::instance()->update(1.0f / 60.0f);
    drawFrame(*root);
    const std::string shot = saveFrame();
    std::printf("frame: %s\n", shot.c_str());

    // The mesh shows the picture's four quarters over its box, and nothing
    // outside its fixed border.
    probe(122, 40, 0xFF0000);
    probe(167, 40, 0x00FF00);
    probe(122, 80, 0x0000FF);
    probe(167, 80, 0xFFFF00);
    probe(97, 60, 0x000000);
    probe(193, 60, 0x000000);
    probe(145, 17, 0x000000);

    // Half a second at 30 to 60 px/s: a ring of orange sparks 15 to 30 px
    // out, none left on the origin and none past the fastest.
    int ring = 0, beyond = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 95; ++x) {
            if (!orange(pixel(x, y))) continue;
            const float d = std::hypot(static_cast<float>(x) - 50.0f, static_cast<float>(y) - 75.0f);
            if (d > 38.0f) ++beyond;
            else ++ring;
        }
    }
    EXPECT_GT(ring, 300) << shot;
    EXPECT_EQ(beyond, 0) << shot;
    probe(50, 75, 0x000000);

    // A moment later the sparks are further out and the mesh's inner rows
    // have moved.
    const std::vector<std::uint32_t> before = frame;
    for (int i = 0; i < 40; ++i) Scheduler::instance()->update(1.0f / 60.0f);
    drawFrame(*root);
    int meshChanged = 0;
    for (int y = 20; y < 100; ++y) {
        for (int x = 100; x < 190; ++x) {
            if (pixel(x, y) != before[static_cast<std::size_t>(y) * width + x]) ++meshChanged;
        }
    }
    EXPECT_GT(meshChanged, 20);
    probe(50, 75 - 20, 0x000000);
}

TEST_F(EffectsRender, ARepeatingMeshTilesItsPictureAndLeavesLaterDrawingClamped) {
    auto root = load(R"(<container>
        <distortion_mesh filename="quarters.png" x="10" y="10" w="64" h="32" rows="1" cols="1" repeat_x="1"/>
      </container>)");
    root->enterStage();
    // Red on the left half of the texture, green on the right, drawn with
    // texture coordinates 0 to 2 across: clamped, the right half is green.
    std::vector<std::uint8_t> halves;
    for (int x = 0; x < 8; ++x) {
        const bool red = x < 4;
        const std::uint8_t r = red ? 255 : 0;
        halves.insert(halves.end(), {r, static_cast<std::uint8_t>(255 - r), 0, 255});
    }
    const auto strip = texture(8, 1, PixelFormatRGBA8888, halves);
    beginFrame();
    root->visit();
    draw(strip, test::quad(10, 100, 160, 20, Color(), 0.0f, 0.0f, 2.0f, 1.0f));
    endFrame();
    const std::string shot = saveFrame();
    std::printf("frame: %s\n", shot.c_str());

    // The 32-wide picture twice across the 64-wide mesh.
    probe(17, 18, 0xFF0000);
    probe(33, 18, 0x00FF00);
    probe(49, 18, 0xFF0000);
    probe(65, 18, 0x00FF00);
    probe(17, 34, 0x0000FF);
    probe(49, 34, 0x0000FF);
    // The strip after it: u 1.25 and 1.75 take the edge texel, not a repeat.
    probe(110, 110, 0x00FF00);
    probe(150, 110, 0x00FF00);
    probe(30, 110, 0xFF0000);
}

} // namespace
} // namespace vorn
