// Sound nodes in a scene: a sample plays when its node enters the stage, at
// most once per frame however many nodes share it, and not while sound is
// muted or the window has no focus.
#include "audio/AudioEngine.h"
#include "audio/AudioSample.h"
#include "audio/Sound.h"
#include "scene/NodeFactory.h"

#include "platform/bass_mixer.h"

#include "support/HeadlessApp.h"
#include "support/SoundProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>
#include <string>

namespace {

using vorn::AudioEngine;
using vorn::Sound;

const std::string kTone = "tests/fixtures/sounds/tone_440_mono.ogg";

// Made as a scene file makes it, through the node factory.
std::shared_ptr<Sound> soundNode(const std::string& attributes) {
    tinyxml2::XMLDocument document;
    document.Parse(("<sound " + attributes + "/>").c_str());
    auto node = std::dynamic_pointer_cast<Sound>(vorn::NodeFactory::instance().create(document.RootElement()));
    EXPECT_NE(node, nullptr);
    return node;
}

TEST(SoundNode, TakesItsSampleFromTheResourceManager) {
    vorn::test::HeadlessRun run;
    auto a = soundNode("filename=\"" + kTone + "\" x=\"5\"");
    auto b = soundNode("filename=\"" + kTone + "\"");
    ASSERT_NE(a->sample(), nullptr);
    EXPECT_EQ(a->sample(), b->sample());
    EXPECT_EQ(soundNode("")->sample(), nullptr);
    // A resource of another kind leaves the node silent.
    EXPECT_EQ(soundNode("filename=\"tests/fixtures/sounds/absent.xml\"")->sample(), nullptr);
}

TEST(SoundNode, NodesOfOneSampleEnteringTogetherQueueItOnce) {
    vorn::test::HeadlessRun run;
    auto scene = run.run();
    AudioEngine* audio = AudioEngine::instance();
    audio->playQueued();
    scene->addChild(soundNode("filename=\"" + kTone + "\""));
    scene->addChild(soundNode("filename=\"" + kTone + "\""));
    scene->addChild(soundNode(""));
    EXPECT_EQ(audio->queuedCount(), 1u);
    run.step(1.0f / 60.0f);
    EXPECT_EQ(audio->queuedCount(), 0u);

    // While muted or unfocused, entering queues nothing, and nothing is
    // replayed afterwards.
    audio->setMuteSound(true);
    scene->addChild(soundNode("filename=\"" + kTone + "\""));
    audio->setMuteSound(false);
    audio->suspend();
    scene->addChild(soundNode("filename=\"" + kTone + "\""));
    audio->resume();
    EXPECT_EQ(audio->queuedCount(), 0u);
}

TEST(SoundNodeThreaded, AScenesSoundIsHeardOnceAtTheSoundVolume) {
    vorn::test::TempDir dir;
    vorn::test::DiskCapture capture(dir.file("output.raw"));
    vorn::test::HeadlessRun run;
    AudioEngine* audio = AudioEngine::instance();
    audio->setSoundVolume(0.5f);
    int error = 0;
    const auto pcm = bass::decodeFile(kTone, 44100, &error);
    ASSERT_NE(pcm, nullptr);

    auto scene = std::make_shared<vorn::Scene>(&run.app);
    scene->addChild(soundNode("filename=\"" + kTone + "\""));
    scene->addChild(soundNode("filename=\"" + kTone + "\""));
    run.app.runScene(scene);
    run.step(1.0f / 60.0f);
    run.step(1.0f / 60.0f);
    ASSERT_TRUE(capture.waitForMore(pcm->frames() + 44100));
    const std::vector<float> out = capture.frames();
    const long at = vorn::test::findInCapture(out, pcm->samples, 0.5f);
    ASSERT_GE(at, 0) << "nothing was heard";
    EXPECT_LE(vorn::test::largestDifference(out, at, pcm->samples, 0.5f, pcm->frames()), 1.5 / 32767.0);
    for (std::size_t i = std::size_t(at) * 2 + pcm->samples.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << i;
}

} // namespace
