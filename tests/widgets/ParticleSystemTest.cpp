// The particle system with hand-made particles: motion stepped at a fixed dt
// against closed forms, death and removal, the attractor, drawing (size,
// colour, rotation, texture) on the recording device, set-up, attributes and
// the stage.
#include "widgets/ParticleSystem.h"

#include "EffectFixture.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "render/Bitmap.h"
#include "support/HeadlessApp.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

namespace {

using vorn::Color;
using vorn::ImageData;
using vorn::Node;
using vorn::ParticleSystem;
using vorn::test::particle;
using vorn::test::plainFrame;
using vorn::test::Recording;

using Particle = ParticleSystem::Particle;
constexpr float pi = std::numbers::pi_v<float>;

struct Motion {
    const char* name;
    Particle start;
    float dt;
    int steps;
    float x, y, vx, vy, angle, remaining;
};

void PrintTo(const Motion& m, std::ostream* os) { *os << m.name; }

Particle moving(float x, float y, float vx, float vy) {
    Particle p = particle(2.0f, 2.0f, x, y);
    p.vx = vx;
    p.vy = vy;
    return p;
}

Particle with(Particle p, float gy, float radial, float tangential, float spin) {
    p.gy = gy;
    p.radial = radial;
    p.tangential = tangential;
    p.spin = spin;
    return p;
}

// Expected values from closed forms of the stepped motion: the new velocity
// moves the particle, so n steps of gravity g fall g dt^2 n (n + 1) / 2.
const Motion motions[] = {
    {"VelocityOnly", moving(10, 20, 30, -40), 0.1f, 5, 25, 0, 30, -40, 0, 1.5f},
    {"Gravity", with(moving(0, 0, 10, 0), 100, 0, 0, 0), 0.1f, 4, 4, 0.01f * 100 * 10, 10, 40, 0, 1.6f},
    {"RadialAloneGoesStraight", with(moving(10, 0, 5, 5), 0, 50, 0, 0), 0.1f, 10, 15, 5, 5, 5, 0, 1.0f},
    {"TangentialAloneDoesNothing", with(moving(10, 0, 0, 0), 0, 0, 50, 0), 0.1f, 10, 10, 0, 0, 0, 0, 1.0f},
    // Direction (0.6, 0.8): a = (10 * 0.6 - 20 * 0.8, 10 * 0.8 + 20 * 0.6) = (-10, 20).
    {"RadialAndTangential", with(moving(3, 4, 1, 2), 0, 10, 20, 0), 0.5f, 1, 1, 10, -4, 12, 0, 1.5f},
    // On the origin there is no direction: no acceleration, and no NaN.
    {"RadialAndTangentialAtTheOrigin", with(moving(0, 0, 2, 0), 0, 10, 20, 0), 0.5f, 1, 1, 0, 2, 0, 0, 1.5f},
    // One turn per second for 1.5 s: past 2 pi once, brought back by a turn.
    {"SpinWrapsOnce", with(moving(0, 0, 0, 0), 0, 0, 0, 2 * pi), 0.1f, 15, 0, 0, 0, 0, pi, 0.5f},
    {"NegativeSpinWrapsOnce", with(moving(0, 0, 0, 0), 0, 0, 0, -2 * pi), 0.1f, 15, 0, 0, 0, 0, -pi, 0.5f},
};

class ParticleMotion : public testing::TestWithParam<Motion> {};

TEST_P(ParticleMotion, StepsMatchTheClosedForm) {
    const Motion& m = GetParam();
    ParticleSystem system;
    Particle start = m.start;
    system.addParticle(std::move(start));
    for (int i = 0; i < m.steps; ++i) system.onUpdate(m.dt);
    ASSERT_EQ(system.getParticles().size(), 1u);
    const Particle& p = system.getParticles().front();
    EXPECT_NEAR(p.x, m.x, 1e-4f);
    EXPECT_NEAR(p.y, m.y, 1e-4f);
    EXPECT_NEAR(p.vx, m.vx, 1e-4f);
    EXPECT_NEAR(p.vy, m.vy, 1e-4f);
    EXPECT_NEAR(p.angle, m.angle, 1e-4f);
    EXPECT_NEAR(p.remaining, m.remaining, 1e-5f);
    EXPECT_EQ(p.gx, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Table, ParticleMotion, testing::ValuesIn(motions),
                         [](const testing::TestParamInfo<Motion>& row) { return std::string(row.param.name); });

TEST(ParticleLife, TheDeadAreRemovedInTheFrameTheyDieAndTheOthersKeepTheirOrder) {
    ParticleSystem system;
    system.addParticle(particle(1.0f, 1.0f, 1, 0));
    system.addParticle(particle(0.5f, 0.5f, 2, 0));
    system.addParticle(particle(1.0f, 0.75f, 3, 0));
    system.addParticle(particle(1.0f, 1.0f, 4, 0));
    system.onUpdate(0.25f);
    EXPECT_EQ(system.getParticles().size(), 4u);
    system.onUpdate(0.25f); // the second reaches 0 exactly
    ASSERT_EQ(system.getParticles().size(), 3u);
    system.onUpdate(0.25f); // the third too
    ASSERT_EQ(system.getParticles().size(), 2u);
    EXPECT_EQ(system.getParticles()[0].x, 1.0f);
    EXPECT_EQ(system.getParticles()[1].x, 4.0f);
    EXPECT_FLOAT_EQ(system.getParticles()[0].remaining, 0.25f);
}

TEST(ParticleAttractor, PullsWithTheInverseSquareOfTheDistance) {
    ParticleSystem system;
    system.setAttractor({0.0f, 0.0f}, 1.0f);
    system.addParticle(particle(5.0f, 5.0f, 100, 0));
    system.addParticle(particle(5.0f, 5.0f, 0, -50));
    system.onUpdate(0.5f);
    // k = 10,000: a pull of 1 at 100 px, of 4 at 50 px.
    const Particle& far = system.getParticles()[0];
    EXPECT_FLOAT_EQ(far.vx, -0.5f);
    EXPECT_FLOAT_EQ(far.x, 100.0f - 0.25f);
    EXPECT_FLOAT_EQ(far.vy, 0.0f);
    const Particle& near = system.getParticles()[1];
    EXPECT_FLOAT_EQ(near.vy, 2.0f);
    EXPECT_FLOAT_EQ(near.y, -50.0f + 1.0f);
}

TEST(ParticleAttractor, ACaughtParticleSitsOnThePointForOneDrawAndGoesNextFrame) {
    ParticleSystem system;
    system.setAttractor({40.0f, 30.0f}, 1.0f);
    Particle fast = particle(5.0f, 5.0f, 40, 20);
    fast.vy = 1000.0f; // one step carries it past the point
    system.addParticle(std::move(fast));
    system.addParticle(particle(5.0f, 5.0f, 500, 500));
    system.onUpdate(0.1f);
    ASSERT_EQ(system.getParticles().size(), 2u);
    const Particle& caught = system.getParticles()[0];
    EXPECT_EQ(caught.remaining, 0.0f);
    EXPECT_EQ(caught.x, 40.0f);
    EXPECT_EQ(caught.y, 30.0f);
    system.onUpdate(0.1f);
    ASSERT_EQ(system.getParticles().size(), 1u);
    EXPECT_GT(system.getParticles()[0].x, 400.0f);
}

TEST(ParticleAttractor, AParticleOnThePointIsCaughtWithoutNaN) {
    ParticleSystem system;
    system.setAttractor({7.0f, 9.0f}, 3.0f);
    system.addParticle(particle(5.0f, 5.0f, 7, 9));
    // A pull of zero strength at the point would be 0 / 0.
    ParticleSystem weak;
    weak.setAttractor({7.0f, 9.0f}, 0.0f);
    weak.addParticle(particle(5.0f, 5.0f, 7, 9));
    for (ParticleSystem* s : {&system, &weak}) {
        s->onUpdate(0.1f);
        const Particle& p = s->getParticles().front();
        EXPECT_EQ(p.remaining, 0.0f);
        EXPECT_EQ(p.x, 7.0f);
        EXPECT_EQ(p.y, 9.0f);
        EXPECT_FALSE(std::isnan(p.vx) || std::isnan(p.vy));
        s->onUpdate(0.1f);
        EXPECT_TRUE(s->getParticles().empty());
    }
}

// The four corners as drawn, in vertex order.
std::vector<glm::vec2> corners(const vorn::test::RecordingRender::Batch& batch, std::size_t first = 0) {
    std::vector<glm::vec2> result;
    for (std::size_t i = first; i < first + 4; ++i) result.emplace_back(batch.vertices[i].x, batch.vertices[i].y);
    return result;
}

void expectCorners(const std::vector<glm::vec2>& got, const std::vector<glm::vec2>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i].x, want[i].x, 1e-4f) << "corner " << i;
        EXPECT_NEAR(got[i].y, want[i].y, 1e-4f) << "corner " << i;
    }
}

class ParticleDrawing : public testing::Test {
protected:
    void SetUp() override {
        system = std::make_shared<ParticleSystem>();
        system->setSize({16.0f, 8.0f});
        system->setImage(plainFrame(4.0f, 4.0f));
    }

    // The quad and colour of one particle with remaining / life = e.
    const vorn::test::RecordingRender::Batch& drawOne(float e, float angle = 0.0f) {
        Particle p = particle(1.0f, e, 50, 20);
        p.angle = angle;
        system->addParticle(std::move(p));
        const auto& batches = recording.draw(*system);
        EXPECT_EQ(batches.size(), 1u);
        return batches.front();
    }

    Recording recording;
    std::shared_ptr<ParticleSystem> system;
};

TEST_F(ParticleDrawing, ByDefaultAParticleShrinksToNothingWhileFadingOut) {
    const auto& half = drawOne(0.5f);
    expectCorners(corners(half), {{46, 18}, {54, 18}, {54, 22}, {46, 22}});
    EXPECT_EQ(half.vertices[0].color, 0x7FFFFFFFu);
    EXPECT_EQ(half.indexCount, 6u);

    auto fresh = std::make_shared<ParticleSystem>();
    fresh->setSize({16.0f, 8.0f});
    fresh->addParticle(particle(2.0f, 2.0f, 0, 0));
    const auto& batches = recording.draw(*fresh);
    expectCorners(corners(batches.front()), {{-8, -4}, {8, -4}, {8, 4}, {-8, 4}});
    EXPECT_EQ(batches.front().vertices[3].color, 0xFFFFFFFFu);
}

TEST_F(ParticleDrawing, MidSizeGoesUpToItAtHalfLifeAndDownToTheEndSize) {
    const struct {
        float e;
        float factor;
    } table[] = {{1.0f, 1.0f}, {0.75f, 1.5f}, {0.5f, 2.0f}, {0.25f, 1.0f}, {0.0f, 0.0f}};
    for (const auto& row : table) {
        auto fresh = std::make_shared<ParticleSystem>();
        fresh->setSize({16.0f, 8.0f});
        fresh->setMidSize(2.0f);
        fresh->addParticle(particle(1.0f, row.e, 0, 0));
        const auto& batch = recording.draw(*fresh).front();
        const float hw = 8.0f * row.factor;
        const float hh = 4.0f * row.factor;
        expectCorners(corners(batch), {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}});
    }
}

TEST_F(ParticleDrawing, MidColourIsReachedExactlyAtHalfLife) {
    const struct {
        float e;
        std::uint32_t argb;
    } table[] = {{1.0f, 0xFFFF0000u}, {0.75f, 0xFF7F7F00u}, {0.5f, 0xFF00FF00u}, {0.25f, 0x7F007F7Fu},
                 {0.0f, 0x000000FFu}};
    for (const auto& row : table) {
        auto fresh = std::make_shared<ParticleSystem>();
        fresh->setSize({2.0f, 2.0f});
        fresh->setStartColor(Color(1, 0, 0, 1));
        fresh->setMidColor(Color(0, 1, 0, 1));
        fresh->setEndColor(Color(0, 0, 1, 0));
        fresh->addParticle(particle(1.0f, row.e, 0, 0));
        const auto& batch = recording.draw(*fresh).front();
        for (int i = 0; i < 4; ++i) EXPECT_EQ(batch.vertices[i].color, row.argb) << "e " << row.e << " vertex " << i;
    }
}

TEST_F(ParticleDrawing, AParticleBornWithoutLifeIsDrawnAsAtItsDeath) {
    // An emitter with "energy" 0 makes these; they are drawn once before
    // the next update removes them.
    system->addParticle(particle(0.0f, 0.0f, 50, 20));
    const auto& batches = recording.draw(*system);
    ASSERT_EQ(batches.size(), 1u);
    expectCorners(corners(batches[0]), {{50, 20}, {50, 20}, {50, 20}, {50, 20}});
    EXPECT_EQ(batches[0].vertices[0].color, 0x00FFFFFFu);
}

TEST_F(ParticleDrawing, ATurnedParticleTurnsItsCornersAboutItsCentre) {
    const auto& batch = drawOne(1.0f, pi / 2);
    expectCorners(corners(batch), {{54, 12}, {54, 28}, {46, 28}, {46, 12}});
}

TEST_F(ParticleDrawing, ParticlesKeepTheirOwnColourUnderATintedSystem) {
    auto parent = std::make_shared<Node>();
    parent->setColor(Color(1, 0, 0, 1));
    system->setColor(Color(1, 1, 1, 0.5f));
    parent->addChild(system);
    system->addParticle(particle(1.0f, 1.0f, 0, 0));
    const auto& batches = recording.draw(*parent);
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0].vertices[0].color, 0xFFFFFFFFu);
}

TEST_F(ParticleDrawing, OldestFirstSoTheNewestAreOnTop) {
    system->addParticle(particle(1.0f, 1.0f, 100, 0));
    system->addParticle(particle(1.0f, 1.0f, 200, 0));
    const auto& batch = recording.draw(*system).front();
    ASSERT_EQ(batch.vertexCount, 8u);
    EXPECT_FLOAT_EQ(batch.vertices[0].x, 92.0f);
    EXPECT_FLOAT_EQ(batch.vertices[4].x, 192.0f);
    EXPECT_EQ(batch.indices[6], 4u);
}

TEST_F(ParticleDrawing, TheImageTextureIsBoundAndASystemWithoutImageDrawsUntextured) {
    auto texture = std::make_shared<vorn::test::RecordingTexture>();
    auto textured = std::make_shared<ParticleSystem>();
    textured->setSize({4.0f, 4.0f});
    textured->setImage(ImageData(texture, 1.0f));
    textured->addParticle(particle(1.0f, 1.0f, 0, 0));
    auto bare = std::make_shared<ParticleSystem>();
    bare->setSize({4.0f, 4.0f});
    bare->addParticle(particle(1.0f, 1.0f, 0, 0));
    auto root = std::make_shared<Node>();
    root->addChild(textured);
    root->addChild(bare);
    const auto& batches = recording.draw(*root);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].texture, texture);
    EXPECT_EQ(texture->loads, 1);
    // Not the texture the system before left bound.
    EXPECT_EQ(batches[1].texture, nullptr);
}

TEST(ParticleSetup, ASystemWithoutSizeTakesTheImageSizeTimesItsScale) {
    auto bitmap = std::make_shared<vorn::Bitmap>();
    const std::vector<std::uint8_t> pixels(20 * 10 * 4, 255);
    bitmap->create(vorn::Data(pixels.data(), static_cast<std::uint32_t>(pixels.size())), 20, 10,
                   vorn::PixelFormatRGBA8888);
    auto texture = std::make_shared<vorn::test::RecordingTexture>();
    texture->setBitmap(bitmap);
    const ImageData halfScale(texture, 0.5f);

    ParticleSystem sized;
    sized.setSize({30.0f, 20.0f});
    sized.setImage(halfScale);
    sized.setup();
    EXPECT_EQ(sized.getSize(), glm::vec2(30, 20));

    ParticleSystem bare;
    bare.setImage(halfScale);
    bare.setup();
    EXPECT_EQ(bare.getSize(), glm::vec2(10, 5));

    // A new image sets the node up again.
    ParticleSystem centred;
    centred.setAnchorCentered(true);
    centred.setup();
    centred.setImage(plainFrame(6.0f, 4.0f));
    EXPECT_FALSE(centred.isSetUp());
    centred.setup();
    EXPECT_EQ(centred.getSize(), glm::vec2(6, 4));
    EXPECT_EQ(centred.getAnchor(), glm::vec2(3, 2));
}

struct Spelling {
    const char* name;
    const char* xml;
};

void PrintTo(const Spelling& s, std::ostream* os) { *os << s.name; }

class ParticleAttributes : public testing::TestWithParam<Spelling> {};

TEST_P(ParticleAttributes, SizesAndColoursAreRead) {
    Recording recording;
    ASSERT_TRUE(vorn::test::fromXmlAs<ParticleSystem>(GetParam().xml));
    // Birth, half life and death: start, mid and end size and colour.
    const float es[] = {1.0f, 0.5f, 0.0f};
    const float factors[] = {2.0f, 3.0f, 0.5f};
    const std::uint32_t colors[] = {0xFFFF0000u, 0xFF00FF00u, 0x800000FFu};
    for (int i = 0; i < 3; ++i) {
        auto copy = vorn::test::fromXmlAs<ParticleSystem>(GetParam().xml);
        copy->addParticle(particle(1.0f, es[i], 0, 0));
        const auto& batch = recording.draw(*copy).front();
        EXPECT_FLOAT_EQ(batch.vertices[2].x, 5.0f * factors[i]) << i;
        EXPECT_EQ(batch.vertices[0].color, colors[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, ParticleAttributes,
    testing::Values(Spelling{"Snake", R"(<particle_system w="10" h="10" start_size="2" mid_size="3" end_size="0.5"
                                          start_color="FF0000" mid_color="00FF00" end_color="0000FF80"/>)"},
                    Spelling{"Camel", R"(<particle_system w="10" h="10" startSize="2" midSize="3" endSize="0.5"
                                          startColor="FF0000" midColor="00FF00" endColor="0000FF80"/>)"}),
    [](const testing::TestParamInfo<Spelling>& row) { return std::string(row.param.name); });

TEST(ParticleAttributes, FilenameTakesImageFramesOnly) {
    vorn::test::TempDir dir;
    Recording recording;
    auto* resources = vorn::ResourceManager::instance();
    resources->setRender(&recording.render);
    resources->addSearchPath(dir.path().string());
    ASSERT_TRUE(vorn::test::writePng(dir.file("dot.png"), 4, 2, 4, std::vector<std::uint8_t>(4 * 2 * 4, 255)));
    vorn::test::writeBytes(dir.file("notes.xml"), "<notes/>");

    auto image = vorn::test::fromXmlAs<ParticleSystem>(R"(<particle_system filename="dot.png"/>)");
    ASSERT_TRUE(image->getImage());
    image->setup();
    EXPECT_EQ(image->getSize(), glm::vec2(4, 2));
    auto document = vorn::test::fromXmlAs<ParticleSystem>(R"(<particle_system filename="notes.xml"/>)");
    EXPECT_FALSE(document->getImage());
    resources->setRender(nullptr);
}

TEST(ParticleStage, ScheduledOnTheStageOnlyAndParticlesWaitOffIt) {
    vorn::test::HeadlessRun run;
    auto scene = run.run();
    auto system = std::make_shared<ParticleSystem>();
    Particle p = particle(10.0f, 10.0f, 0, 0);
    p.vx = 60.0f;
    system->addParticle(std::move(p));
    auto* scheduler = vorn::Scheduler::instance();
    EXPECT_EQ(scheduler->count(system.get()), 0u);
    scene->addChild(system);
    EXPECT_EQ(scheduler->count(system.get()), 1u);
    run.step(0.5f);
    EXPECT_FLOAT_EQ(system->getParticles().front().x, 30.0f);
    system->exitStage();
    EXPECT_EQ(scheduler->count(system.get()), 0u);
    run.step(0.5f, 4);
    EXPECT_FLOAT_EQ(system->getParticles().front().x, 30.0f);
    EXPECT_FLOAT_EQ(system->getParticles().front().remaining, 9.5f);
    system->enterStage();
    run.step(0.5f);
    EXPECT_FLOAT_EQ(system->getParticles().front().x, 60.0f);
    EXPECT_EQ(scheduler->count(system.get()), 1u);
}

} // namespace
