// Emitters in a headless scene stepped at a fixed dt: bursts and streams,
// delays, rectangle and circle areas, the start values drawn from their
// ranges, finding the system, and bad counts.
#include "widgets/ParticleEmitter.h"

#include "EffectFixture.h"
#include "core/Scheduler.h"
#include "support/HeadlessApp.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

namespace {

using vorn::Node;
using vorn::ParticleSystem;
using vorn::test::plainFrame;

using Emitter = ParticleSystem::Emitter;
using Particle = ParticleSystem::Particle;
constexpr float pi = std::numbers::pi_v<float>;
constexpr float frame = 1.0f / 60.0f;

class Emitting : public testing::Test {
protected:
    // The system of the XML text with a plain 4 x 4 frame as its image,
    // emitters set up by the caller before it enters the stage.
    std::shared_ptr<ParticleSystem> make(const std::string& xml) {
        auto system = vorn::test::fromXmlAs<ParticleSystem>(xml);
        EXPECT_TRUE(system);
        system->setImage(plainFrame(4.0f, 4.0f));
        return system;
    }
    std::shared_ptr<ParticleSystem> stage(const std::string& xml) {
        auto system = make(xml);
        scene->addChild(system);
        return system;
    }
    static std::shared_ptr<Emitter> emitterOf(const std::shared_ptr<Node>& node) {
        auto found = node->findChildren([](const auto& n) { return dynamic_cast<Emitter*>(n.get()) != nullptr; },
                                        true, false);
        return found.empty() ? nullptr : std::dynamic_pointer_cast<Emitter>(found.front());
    }
    std::size_t count(const std::shared_ptr<ParticleSystem>& system) const { return system->getParticles().size(); }

    vorn::test::HeadlessRun run;
    std::shared_ptr<vorn::Scene> scene = run.run();
};

TEST_F(Emitting, ABurstTruncatesItsCountAndBurstsAgainAtEveryStageEntry) {
    auto system = stage(R"(<particle_system><particle_emitter once="1" count="2.9" energy="100"/></particle_system>)");
    EXPECT_EQ(count(system), 2u);
    run.step(frame, 10);
    EXPECT_EQ(count(system), 2u);
    system->exitStage();
    system->enterStage();
    EXPECT_EQ(count(system), 4u);
}

TEST_F(Emitting, EachParticleIsACopyOfTheImageFrame) {
    auto system = stage(R"(<particle_system><particle_emitter once="1" count="3"/></particle_system>)");
    const auto& frameVertices = system->getImage()->getVertexData()->vertices;
    for (const Particle& p : system->getParticles()) {
        ASSERT_EQ(p.quad.vertices.size(), frameVertices.size());
        EXPECT_EQ(p.quad.indices, system->getImage()->getVertexData()->indices);
        for (std::size_t i = 0; i < frameVertices.size(); ++i) {
            EXPECT_EQ(p.quad.vertices[i].u, frameVertices[i].u);
            EXPECT_EQ(p.quad.vertices[i].v, frameVertices[i].v);
        }
        EXPECT_EQ(p.angle, 0.0f);
        EXPECT_EQ(p.life, 1.0f);
        EXPECT_EQ(p.remaining, 1.0f);
    }
}

TEST_F(Emitting, ARectangleAreaSpreadsParticlesOverItAndThreeSidesMakeNoArea) {
    auto system = stage(R"(<particle_system><particle_emitter once="1" count="400" position_left="-20"
                               position_right="30" position_top="10" position_bottom="50"/></particle_system>)");
    ASSERT_EQ(count(system), 400u);
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const Particle& p : system->getParticles()) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    EXPECT_GE(minX, -20.0f);
    EXPECT_LT(maxX, 30.0f);
    EXPECT_GE(minY, 10.0f);
    EXPECT_LT(maxY, 50.0f);
    // Both axes used to their ends: neither draw is lost or swapped.
    EXPECT_LT(minX, -15.0f);
    EXPECT_GT(maxX, 25.0f);
    EXPECT_LT(minY, 14.0f);
    EXPECT_GT(maxY, 46.0f);

    auto partial = stage(R"(<particle_system><particle_emitter once="1" count="20" position_left="-20"
                                position_right="30" position_top="10"/></particle_system>)");
    EXPECT_FALSE(emitterOf(partial)->getArea());
    for (const Particle& p : partial->getParticles()) EXPECT_EQ(glm::vec2(p.x, p.y), glm::vec2(0, 0));
}

TEST_F(Emitting, ACircleAreaDrawsAUniformRadiusAndAnAngleFromUp) {
    auto system = make(R"(<particle_system><particle_emitter once="1" count="400"/></particle_system>)");
    emitterOf(system)->setArea(std::make_unique<Emitter::CircleArea>(30.0f));
    scene->addChild(system);
    ASSERT_EQ(count(system), 400u);
    int quadrants[4] = {};
    int inner = 0;
    for (const Particle& p : system->getParticles()) {
        const float r = std::hypot(p.x, p.y);
        EXPECT_LE(r, 30.0f + 1e-3f);
        if (r < 15.0f) ++inner;
        ++quadrants[(p.x >= 0 ? 0 : 1) + (p.y >= 0 ? 0 : 2)];
    }
    for (int q : quadrants) EXPECT_GT(q, 40);
    // Half the points within half the radius: they crowd towards the centre.
    EXPECT_GT(inner, 140);
    EXPECT_LT(inner, 260);

    // A quarter turn from up, clockwise on the screen: up and to the right.
    auto quarter = std::make_unique<Emitter::CircleArea>(10.0f);
    quarter->angleMax = pi / 2;
    quarter->radiusMin = 5.0f;
    auto& emitter = *emitterOf(system);
    emitter.setArea(std::move(quarter));
    emitter.emit(100);
    for (std::size_t i = 400; i < count(system); ++i) {
        const Particle& p = system->getParticles()[i];
        EXPECT_GE(p.x, -1e-4f);
        EXPECT_LE(p.y, 1e-4f);
        EXPECT_GE(std::hypot(p.x, p.y), 5.0f - 1e-4f);
    }
}

struct Heading {
    const char* direction;
    float vx, vy;
};

TEST_F(Emitting, DirectionZeroPointsUpAndAnglesTurnClockwise) {
    const Heading table[] = {{"0", 0, -100}, {"90", 100, 0}, {"180", 0, 100}, {"-90", -100, 0}};
    for (const Heading& h : table) {
        auto system = stage(std::string(R"(<particle_system><particle_emitter once="1" count="5" velocity="100"
                                             spread="0" direction=")") +
                            h.direction + R"("/></particle_system>)");
        for (const Particle& p : system->getParticles()) {
            EXPECT_NEAR(p.vx, h.vx, 1e-3f) << h.direction;
            EXPECT_NEAR(p.vy, h.vy, 1e-3f) << h.direction;
        }
    }
}

TEST_F(Emitting, StartValuesComeFromTheirRangesAndLaterKeysOverrideOneEnd) {
    auto system = stage(R"(<particle_system><particle_emitter once="1" count="300" velocity="50" velocity_max="60"
        energy_min="1" energyMax="2" gravity="5" radial_min="-3" radialMax="3" tangential="7" spin="180"
        direction="45" spread="10"/></particle_system>)");
    ASSERT_EQ(count(system), 300u);
    float fastest = 0.0f;
    for (const Particle& p : system->getParticles()) {
        const float speed = std::hypot(p.vx, p.vy);
        EXPECT_GE(speed, 50.0f - 1e-3f);
        EXPECT_LE(speed, 60.0f + 1e-3f);
        fastest = std::max(fastest, speed);
        const float heading = std::atan2(p.vx, -p.vy) * 180.0f / pi;
        EXPECT_GE(heading, 35.0f - 1e-3f);
        EXPECT_LE(heading, 55.0f + 1e-3f);
        EXPECT_GE(p.life, 1.0f);
        EXPECT_LE(p.life, 2.0f);
        EXPECT_EQ(p.remaining, p.life);
        EXPECT_EQ(p.gx, 0.0f);
        EXPECT_EQ(p.gy, 5.0f);
        EXPECT_GE(p.radial, -3.0f);
        EXPECT_LE(p.radial, 3.0f);
        EXPECT_EQ(p.tangential, 7.0f);
        // Degrees per second become radians per second.
        EXPECT_FLOAT_EQ(p.spin, pi);
    }
    EXPECT_GT(fastest, 58.0f);
}

TEST_F(Emitting, AStreamOfTenPerSecondAtSixtyFramesStartsInTheFirstFrame) {
    auto system = stage(R"(<particle_system><particle_emitter count="10" energy="100"/></particle_system>)");
    EXPECT_EQ(count(system), 0u);
    run.step(frame);
    EXPECT_EQ(count(system), 1u);
    run.step(frame, 59);
    EXPECT_EQ(count(system), 10u);
    run.step(frame, 60);
    EXPECT_EQ(count(system), 20u);
}

TEST_F(Emitting, AStreamStopsOffTheStageAndRestartsItsBalanceOnReentry) {
    auto system = stage(R"(<particle_system><particle_emitter count="10" energy="100"/></particle_system>)");
    auto emitter = emitterOf(system);
    run.step(frame, 3);
    EXPECT_EQ(count(system), 1u);
    EXPECT_EQ(vorn::Scheduler::instance()->count(emitter.get()), 1u);
    system->exitStage();
    EXPECT_EQ(vorn::Scheduler::instance()->count(emitter.get()), 0u);
    run.step(frame, 60);
    EXPECT_EQ(count(system), 1u);
    system->enterStage();
    run.step(frame);
    EXPECT_EQ(count(system), 2u);
}

TEST_F(Emitting, ADelayedBurstComesAfterTheDelayAndLeavingFirstCancelsIt) {
    auto system = stage(R"(<particle_system><particle_emitter once="1" count="3" delay="0.5" energy="100"/>
                           </particle_system>)");
    run.step(frame, 29);
    EXPECT_EQ(count(system), 0u);
    run.step(frame, 2);
    EXPECT_EQ(count(system), 3u);
    run.step(frame, 60);
    EXPECT_EQ(count(system), 3u);

    auto cancelled = stage(R"(<particle_system><particle_emitter once="1" count="3" delay="0.5"/>
                              </particle_system>)");
    run.step(frame, 15);
    cancelled->exitStage();
    run.step(frame, 60);
    EXPECT_EQ(count(cancelled), 0u);
}

TEST_F(Emitting, ADelayedStreamIsScheduledAfterTheDelay) {
    auto system = stage(R"(<particle_system><particle_emitter count="60" delay="0.25" energy="100"/>
                           </particle_system>)");
    auto emitter = emitterOf(system);
    run.step(frame, 14);
    EXPECT_EQ(count(system), 0u);
    EXPECT_EQ(vorn::Scheduler::instance()->count(emitter.get()), 0u);
    run.step(frame, 2);
    EXPECT_EQ(vorn::Scheduler::instance()->count(emitter.get()), 1u);
    run.step(frame, 10);
    EXPECT_GE(count(system), 9u);
    EXPECT_LE(count(system), 11u);
}

TEST_F(Emitting, TheNearestSystemAboveIsFoundThroughPlainNodesAndWithoutOneNothingIsMade) {
    auto system = stage(R"(<particle_system><container><container>
                             <particle_emitter once="1" count="4"/></container></container></particle_system>)");
    EXPECT_EQ(count(system), 4u);

    vorn::test::LogCapture log;
    auto orphan = vorn::test::fromXml(R"(<container><particle_emitter count="600"/></container>)");
    scene->addChild(orphan);
    run.step(frame, 3);
    EXPECT_EQ(log.count("emit called on ParticleEmitter without ParticleSystem"), 3);
}

TEST_F(Emitting, AnEmitterMovedToAnotherSystemEmitsThereAfterTheFirstIsGone) {
    auto first = stage(R"(<particle_system><particle_emitter once="1" count="2"/></particle_system>)");
    auto second = stage(R"(<particle_system/>)");
    auto emitter = emitterOf(first);
    ASSERT_EQ(count(first), 2u);
    second->addChild(emitter);
    scene->removeChild(first);
    first.reset();
    emitter->emit(3);
    EXPECT_EQ(count(second), 3u);
}

TEST_F(Emitting, ASystemWithoutImageGetsNoParticlesAndOneLogLine) {
    vorn::test::LogCapture log;
    auto system = vorn::test::fromXmlAs<ParticleSystem>(
        R"(<particle_system name="bare"><particle_emitter count="30"/></particle_system>)");
    scene->addChild(system);
    run.step(frame, 10);
    EXPECT_EQ(count(system), 0u);
    EXPECT_EQ(log.count("whose ParticleSystem has no image (node name: bare)"), 1);
}

TEST_F(Emitting, ARateOfZeroEmitsNothingAndLeavesTheBalanceSound) {
    auto system = stage(R"(<particle_system><particle_emitter count="0" energy="100"/></particle_system>)");
    run.step(frame, 120);
    EXPECT_EQ(count(system), 0u);
    // A balance poisoned by 0 / 0 would keep the stream silent from now on.
    emitterOf(system)->setCount(10.0f);
    run.step(frame);
    EXPECT_EQ(count(system), 1u);
}

TEST_F(Emitting, NegativeCountsAreRefused) {
    vorn::test::LogCapture log;
    auto negative = stage(R"(<particle_system><particle_emitter once="1" count="-3"/></particle_system>)");
    auto emitter = emitterOf(negative);
    emitter->emit(-5);
    emitter->emit(0);
    run.step(frame);
    EXPECT_EQ(count(negative), 0u);
    auto stream = stage(R"(<particle_system><particle_emitter count="-30"/></particle_system>)");
    run.step(frame, 5);
    EXPECT_EQ(count(stream), 0u);
    EXPECT_EQ(log.count("burst count -3.000000 below zero, nothing emitted"), 1);
    EXPECT_EQ(log.count("emit called with -5 particles, nothing emitted"), 1);
}

TEST_F(Emitting, CountsPastTheIntRangeFillTheSystemAndNoMore) {
    vorn::test::LogCapture log;
    auto burst = stage(R"(<particle_system name="big"><particle_emitter once="1" count="1e12"/></particle_system>)");
    EXPECT_EQ(count(burst), ParticleSystem::maxParticles);
    burst->exitStage();
    auto stream = stage(R"(<particle_system><particle_emitter count="3e10" energy="100"/></particle_system>)");
    run.step(frame, 3);
    EXPECT_EQ(count(stream), ParticleSystem::maxParticles);
    EXPECT_EQ(log.count("2147483647 particles asked for, 100000 made: a ParticleSystem holds at most 100000 "
                        "(node name: big)"),
              1);
    EXPECT_EQ(log.count("particles asked for"), 2);
}

TEST_F(Emitting, AnImageWithoutVerticesGivesParticlesThatDrawNothing) {
    // An atlas sprite whose polygon was rejected is such a frame.
    auto system = vorn::test::fromXmlAs<ParticleSystem>(
        R"(<particle_system w="8" h="8"><particle_emitter once="1" count="5" energy="10"/></particle_system>)");
    system->setImage(vorn::ImageData());
    scene->addChild(system);
    ASSERT_EQ(count(system), 5u);
    run.step(frame, 2);
    for (const auto& batch : run.render.batches) EXPECT_EQ(batch.vertexCount, 0u);
}

TEST_F(Emitting, ASpinRangeSetAfterSetUpIsStillTakenInDegrees) {
    auto system = stage(R"(<particle_system><particle_emitter once="1" count="1" spin="90"/></particle_system>)");
    EXPECT_FLOAT_EQ(system->getParticles().front().spin, pi / 2);
    auto emitter = emitterOf(system);
    ASSERT_TRUE(emitter->isSetUp());
    emitter->setSpinRange(180.0f, 180.0f);
    emitter->emit(1);
    EXPECT_FLOAT_EQ(system->getParticles().back().spin, pi);
}

} // namespace
