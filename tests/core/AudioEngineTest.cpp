#include "core/AudioEngine.h"
#include "core/AudioSample.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"

#include "ResourceFixtures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using vorn::AudioEngine;
using vorn::DataSource;

class CountingSample : public vorn::AudioSample {
public:
    void play(bool loop) override {
        ++plays;
        looped = looped || loop;
    }
    void stop() override {}
    int plays = 0;
    bool looped = false;
};

TEST(AudioEngine, SettersWriteTheirSettingOnlyOnAChange) {
    AudioEngine* audio = AudioEngine::instance();
    audio->setSoundVolume(1.0f); // the starting value
    audio->setMuteSound(false);
    EXPECT_TRUE(DataSource::get("@settings.sound_volume")->value().isNil());
    EXPECT_TRUE(DataSource::get("@settings.mute_sound")->value().isNil());

    audio->setSoundVolume(0.25f);
    audio->setMusicVolume(0.0f);
    audio->setMuteSound(true);
    audio->setMuteMusic(true);
    const vorn::Value& sound = DataSource::get("@settings.sound_volume")->value();
    EXPECT_EQ(sound.type(), vorn::Value::REAL);
    EXPECT_DOUBLE_EQ(sound.asDouble(), 0.25);
    EXPECT_EQ(DataSource::get("@settings.music_volume")->value().type(), vorn::Value::REAL);
    EXPECT_EQ(DataSource::get("@settings.mute_sound")->value().type(), vorn::Value::BOOL);
    EXPECT_TRUE(DataSource::get("@settings.mute_music")->value().asBool());
    vorn::EventDispatcher::instance()->process();
}

TEST(AudioEngine, EffectiveMusicVolumeIsSilentWhenMutedOrSuspended) {
    vorn::test::DataTree tree; // no configured factor: the shipped configuration has one
    AudioEngine* audio = AudioEngine::instance();
    audio->setMusicVolume(0.5f);
    EXPECT_FLOAT_EQ(audio->effectiveMusicVolume(), 0.5f);
    audio->suspend();
    EXPECT_FLOAT_EQ(audio->effectiveMusicVolume(), 0.0f);
    audio->resume();
    audio->setMuteMusic(true);
    EXPECT_FLOAT_EQ(audio->effectiveMusicVolume(), 0.0f);
    audio->setMuteMusic(false);
    EXPECT_FLOAT_EQ(audio->effectiveMusicVolume(), 0.5f);
}

TEST(AudioEngine, ConfiguredFactorScalesTheMusicVolume) {
    vorn::test::DataTree tree;
    tree.write("data/config.plist", vorn::test::plist("<dict><key>music_volume_k</key><real>0.5</real></dict>"));
    AudioEngine* audio = AudioEngine::instance();
    audio->setMusicVolume(0.8f);
    EXPECT_FLOAT_EQ(audio->effectiveMusicVolume(), 0.4f);
}

TEST(AudioEngine, QueuedSoundsPlayOnceAndTheQueueEmptiesEvenWhenSilent) {
    AudioEngine* audio = AudioEngine::instance();
    auto sample = std::make_shared<CountingSample>();
    audio->queue(sample);
    audio->queue(sample);
    audio->queue(nullptr);
    audio->playQueued();
    EXPECT_EQ(sample->plays, 2);
    EXPECT_FALSE(sample->looped);
    audio->playQueued();
    EXPECT_EQ(sample->plays, 2);

    audio->setMuteSound(true);
    audio->queue(sample);
    audio->playQueued();
    audio->setMuteSound(false);
    audio->suspend();
    audio->queue(sample);
    audio->playQueued();
    EXPECT_EQ(sample->plays, 2);
    EXPECT_EQ(audio->queuedCount(), 0u);
    EXPECT_EQ(audio->createSample("data/sounds/click.ogg"), nullptr);
}

} // namespace
