// The start-up step and the settings: the display mode and the audio
// engine follow their "@settings." data sources, and write back without
// echoing forever; the per-user flag files.
#include "app/Application.h"
#include "audio/AudioEngine.h"
#include "core/Config.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Platform.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using vorn::AudioEngine;
using vorn::DataSource;
using vorn::Platform;
using vorn::Value;

class SettingsApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {1024.0f, 768.0f}; }
    std::string dataFolderName() override { return "VornTest"; }
    void setup() override {}
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { vorn::Application::setInstance(&app); }
    void TearDown() override { vorn::Application::setInstance(nullptr); }
    static void set(const char* name, const Value& value) { DataSource::get(name)->set(value); }
    static const Value& setting(const char* name) { return DataSource::get(name)->value(); }
    static void deliver() { vorn::EventDispatcher::instance()->process(); }

    SettingsApp app;
};

TEST_F(SettingsTest, UnsetSettingsStartFullScreenWithBothVolumesAtZeroWrittenBack) {
    app.beforeRun();
    EXPECT_TRUE(app.isFullscreen());
    EXPECT_TRUE(Platform::instance()->isFullscreen());
    AudioEngine* audio = AudioEngine::instance();
    EXPECT_EQ(audio->soundVolume(), 0.0f);
    EXPECT_EQ(audio->musicVolume(), 0.0f);
    EXPECT_FALSE(audio->isSoundMuted());
    EXPECT_FALSE(audio->isMusicMuted());
    for (const char* name : {"@settings.sound_volume", "@settings.music_volume"}) {
        EXPECT_EQ(setting(name).type(), Value::REAL) << name;
        EXPECT_EQ(setting(name).asDouble(), 0.0) << name;
    }
    EXPECT_TRUE(setting("@settings.fullscreen").isNil());
}

TEST_F(SettingsTest, ASavedWindowedModeIsTakenBeforeTheWindowExists) {
    set("@settings.fullscreen", Value(false));
    set("@settings.sound_volume", Value(0.5));
    set("@settings.mute_music", Value(true));
    app.beforeRun();
    EXPECT_FALSE(app.isFullscreen());
    EXPECT_FALSE(Platform::instance()->isFullscreen());
    EXPECT_EQ(AudioEngine::instance()->soundVolume(), 0.5f);
    EXPECT_TRUE(AudioEngine::instance()->isMusicMuted());
    EXPECT_EQ(AudioEngine::instance()->effectiveMusicVolume(), 0.0f);
}

// Changes reach the audio engine at the next event delivery; the engine
// writes the value back, and that echo stops at the engine.
TEST_F(SettingsTest, ChangesReachTheAudioEngineAtTheNextDeliveryAndTheEchoStops) {
    app.beforeRun();
    deliver();
    AudioEngine* audio = AudioEngine::instance();
    vorn::test::LogCapture log;
    set("@settings.sound_volume", Value(0.25));
    set("@settings.music_volume", Value("0.75"));
    set("@settings.mute_sound", Value(true));
    set("@settings.mute_music", Value("yes"));
    EXPECT_EQ(audio->soundVolume(), 0.0f) << "not before the delivery";
    deliver();
    EXPECT_EQ(audio->soundVolume(), 0.25f);
    EXPECT_EQ(audio->musicVolume(), 0.75f);
    EXPECT_TRUE(audio->isSoundMuted());
    EXPECT_TRUE(audio->isMusicMuted());
    EXPECT_EQ(vorn::EventDispatcher::instance()->queuedEvents(), 0u);
    // The engine wrote its own kinds back: a REAL volume and BOOL flags.
    EXPECT_EQ(setting("@settings.music_volume").type(), Value::REAL);
    EXPECT_EQ(setting("@settings.mute_music").type(), Value::BOOL);
    EXPECT_EQ(log.count("AudioEngine muteSound: 1"), 1) << log.text();
    EXPECT_EQ(log.count("AudioEngine muteMusic: 1"), 1) << log.text();

    // And back: the engine's own setters reach the settings at once.
    audio->setMuteMusic(false);
    EXPECT_FALSE(setting("@settings.mute_music").asBool());
    deliver();
    EXPECT_FALSE(audio->isMusicMuted());
    // Unmuted, the music is heard again at its volume (scaled by the game's
    // configured music factor, when it has one).
    const Value& factor = vorn::Config::instance()->get("music_volume_k");
    const float k = factor.type() == Value::REAL ? static_cast<float>(factor.asDouble()) : 1.0f;
    EXPECT_FLOAT_EQ(audio->effectiveMusicVolume(), 0.75f * k);
}

TEST_F(SettingsTest, TheDisplayModeFollowsItsSettingOnceWithoutAnEchoSwitch) {
    app.beforeRun();
    vorn::test::LogCapture log;
    set("@settings.fullscreen", Value(false));
    EXPECT_TRUE(app.isFullscreen());
    deliver();
    EXPECT_FALSE(app.isFullscreen());
    EXPECT_FALSE(Platform::instance()->isFullscreen());
    EXPECT_EQ(log.count("Application::setFullscreen"), 1) << log.text();
}

// A setting the player's file holds in a form that does not convert must
// not take the frame down.
TEST_F(SettingsTest, ASettingThatDoesNotConvertIsLoggedAndIgnored) {
    set("@settings.sound_volume", Value("loud"));
    deliver(); // nobody listens yet
    vorn::test::LogCapture log;
    EXPECT_NO_THROW(app.beforeRun());
    EXPECT_EQ(AudioEngine::instance()->soundVolume(), 1.0f);
    deliver();
    set("@settings.music_volume", Value("quiet"));
    EXPECT_NO_THROW(deliver());
    EXPECT_EQ(AudioEngine::instance()->musicVolume(), 0.0f);
    EXPECT_EQ(log.count("Application: setting @settings.sound_volume ignored"), 1) << log.text();
    EXPECT_EQ(log.count("Application: setting @settings.music_volume ignored"), 1) << log.text();
}

// Files in the per-user folder (under this test's own XDG_DATA_HOME) and
// in the working directory.
class FlagFiles : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        previous = std::filesystem::current_path();
        std::filesystem::current_path(work.path());
        folder = Platform::instance()->writableFolder("VornTest");
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove(folder + "/device.txt");
        std::filesystem::remove(folder + "/devmode.txt");
        SettingsTest::TearDown();
    }

    vorn::test::TempDir work;
    std::filesystem::path previous;
    std::string folder;
};

TEST_F(FlagFiles, DeviceIdPrefersTheWorkingDirectorysFileAndIsReadOnce) {
    vorn::test::writeBytes(folder + "/device.txt", "user-device");
    vorn::test::writeBytes("device.txt", "local-device");
    vorn::test::LogCapture log;
    EXPECT_EQ(app.deviceId(), "local-device");
    std::filesystem::remove("device.txt");
    EXPECT_EQ(app.deviceId(), "local-device");
    EXPECT_EQ(log.count("device: local-device"), 1) << log.text();
}

TEST_F(FlagFiles, DeviceIdFallsBackToThePerUserFileThenToADash) {
    vorn::test::writeBytes("device.txt", "-");
    vorn::test::writeBytes(folder + "/device.txt", "user-device");
    EXPECT_EQ(app.deviceId(), "user-device");

    std::filesystem::remove(folder + "/device.txt");
    SettingsApp fresh;
    EXPECT_EQ(fresh.deviceId(), "-");
}

TEST_F(FlagFiles, DeveloperModeIsReadFromThePerUserFolderOnce) {
    vorn::test::writeBytes("devmode.txt", "1"); // not the per-user folder: ignored
    EXPECT_FALSE(app.isDevMode());
    SettingsApp other;
    vorn::test::writeBytes(folder + "/devmode.txt", "1\n");
    EXPECT_TRUE(other.isDevMode());
    std::filesystem::remove(folder + "/devmode.txt");
    EXPECT_TRUE(other.isDevMode());
}

} // namespace
