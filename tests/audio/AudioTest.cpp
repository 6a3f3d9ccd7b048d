// The audio engine and the music player: settings, the per-frame queue,
// and what really comes out of the device, captured by SDL's disk driver.
#include "audio/AudioEngine.h"
#include "audio/AudioSample.h"
#include "audio/AudioSampleBASS.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "audio/MusicPlayer.h"
#include "audio/MusicPlayerBASS.h"

#include "platform/bass_mixer.h"

#include "services/ServicesFixture.h"
#include "support/SoundProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using vorn::AudioEngine;
using vorn::DataSource;
using vorn::MusicPlayer;
using vorn::Value;
using vorn::test::DiskCapture;
using vorn::test::LogCapture;

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

class Audio : public vorn::test::ServicesTest {
protected:
    std::string fixture(const std::string& name) const {
        return (previous_ / "tests/fixtures/sounds" / name).string();
    }
    static AudioEngine* audio() { return AudioEngine::instance(); }
    static vorn::MusicPlayerBASS* music() { return dynamic_cast<vorn::MusicPlayerBASS*>(MusicPlayer::instance()); }
    // The listeners the application keeps on the four settings.
    static void bindSettings() {
        auto* dispatcher = vorn::EventDispatcher::instance();
        auto bind = [dispatcher](const char* name, std::function<void(const Value&)> apply) {
            DataSource* source = DataSource::get(name);
            dispatcher->addListener(source, typeid(DataSource::ChangedEvent), [source, apply](vorn::Event*) { apply(source->value()); });
        };
        bind("@settings.sound_volume", [](const Value& v) { audio()->setSoundVolume(v.asFloat()); });
        bind("@settings.music_volume", [](const Value& v) {
            audio()->setMusicVolume(v.asFloat());
            MusicPlayer::instance()->setVolume(audio()->effectiveMusicVolume());
        });
    }
};

TEST_F(Audio, SettersPublishOnlyRealChanges) {
    int changes = 0;
    vorn::EventDispatcher::instance()->addListener(DataSource::get("@settings.sound_volume"),
                                                   typeid(DataSource::ChangedEvent), [&](vorn::Event*) { ++changes; });
    audio()->setSoundVolume(1.0f);
    audio()->setMuteSound(false);
    EXPECT_TRUE(DataSource::get("@settings.sound_volume")->value().isNil());
    audio()->setSoundVolume(0.5f);
    audio()->setSoundVolume(0.5f);
    vorn::EventDispatcher::instance()->process();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(DataSource::get("@settings.sound_volume")->value(), Value(0.5));

    LogCapture log;
    audio()->setMuteMusic(true);
    audio()->setMuteMusic(true);
    audio()->setMusicVolume(0.25f);
    EXPECT_EQ(log.count("AudioEngine muteMusic: 1"), 1);
    EXPECT_EQ(DataSource::get("@settings.mute_music")->value(), Value(true));
    EXPECT_EQ(DataSource::get("@settings.music_volume")->value(), Value(0.25));
}

TEST_F(Audio, VolumesThatAreNotNumbersOrOutOfRangeAreMendedNotLooped) {
    bindSettings();
    audio()->setSoundVolume(0.5f);
    struct Case {
        double set;
        float inForce;
    };
    // Values that are not finite numbers leave the volume as it was; the
    // others are held to 0..1.
    for (const Case& c : {Case{NAN, 0.5f}, Case{INFINITY, 0.5f}, Case{-INFINITY, 0.5f}, Case{-3.0, 0.0f},
                          Case{1.5, 1.0f}, Case{0.75, 0.75f}}) {
        DataSource::get("@settings.sound_volume")->set(Value(c.set));
        // Each change settles within the delivery: the round trip through
        // the setter and back ends.
        vorn::EventDispatcher::instance()->process();
        EXPECT_EQ(vorn::EventDispatcher::instance()->queuedEvents(), 0u);
        EXPECT_FLOAT_EQ(audio()->soundVolume(), c.inForce) << c.set;
        EXPECT_EQ(DataSource::get("@settings.sound_volume")->value(), Value(double(c.inForce))) << c.set;
    }
    DataSource::get("@settings.music_volume")->set(Value(NAN));
    vorn::EventDispatcher::instance()->process();
    EXPECT_FLOAT_EQ(audio()->musicVolume(), 1.0f);
}

TEST_F(Audio, EffectiveMusicVolume) {
    configure("<key>music_volume_k</key><real>0.5</real>");
    audio()->setMusicVolume(0.8f);
    EXPECT_FLOAT_EQ(audio()->effectiveMusicVolume(), 0.4f);
    audio()->suspend();
    EXPECT_EQ(audio()->effectiveMusicVolume(), 0.0f);
    audio()->resume();
    audio()->setMuteMusic(true);
    EXPECT_EQ(audio()->effectiveMusicVolume(), 0.0f);
    audio()->setMuteMusic(false);
    configure("<key>music_volume_k</key><integer>2</integer>");
    EXPECT_FLOAT_EQ(audio()->effectiveMusicVolume(), 0.8f);
}

TEST_F(Audio, TheQueuePlaysEachSampleOncePerFrameUnlessSilenced) {
    CountingSample a;
    CountingSample b;
    audio()->queueSound(&a);
    audio()->queueSound(&a);
    audio()->queueSound(&b);
    audio()->queueSound(nullptr);
    audio()->playQueued();
    EXPECT_EQ(a.plays, 1);
    EXPECT_EQ(b.plays, 1);
    EXPECT_FALSE(a.looped);
    audio()->playQueued();
    EXPECT_EQ(a.plays, 1);

    audio()->setMuteSound(true);
    audio()->queueSound(&a);
    EXPECT_EQ(audio()->queuedCount(), 0u);
    audio()->setMuteSound(false);
    audio()->playQueued();
    EXPECT_EQ(a.plays, 1);
    // Muting between queueing and the end of the frame drops the sound.
    audio()->queueSound(&a);
    audio()->setMuteSound(true);
    audio()->playQueued();
    audio()->setMuteSound(false);
    audio()->queueSound(&a);
    audio()->suspend();
    audio()->playQueued();
    audio()->resume();
    EXPECT_EQ(a.plays, 1);
    EXPECT_EQ(audio()->queuedCount(), 0u);
}

TEST_F(Audio, ASampleThatDidNotLoadPlaysWithoutEffect) {
    std::unique_ptr<vorn::AudioSample> missing(audio()->createSample(fixture("absent.ogg")));
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(dynamic_cast<vorn::AudioSampleBASS&>(*missing).isLoaded());
    audio()->queueSound(missing.get());
    audio()->playQueued();
    missing->play(true);
    missing->stop();
    std::unique_ptr<vorn::AudioSample> tone(audio()->createSample(fixture("tone_440_mono.ogg")));
    EXPECT_TRUE(dynamic_cast<vorn::AudioSampleBASS&>(*tone).isLoaded());
}

TEST_F(Audio, DamagedSoundsAndMusicAreRefusedWithALogLineNamingThemAndTheRestPlays) {
    std::string damaged = vorn::test::readBytes(fixture("music_loop.ogg"));
    damaged[40] ^= 0x20; // a page whose checksum no longer fits
    writeData("data/music/broken.ogg", damaged);
    writeData("data/sounds/broken.ogg", damaged);
    configure("<key>music</key><dict><key>menu</key><string>broken</string></dict>");
    vorn::test::LogCapture log;
    std::unique_ptr<vorn::AudioSample> sound(audio()->createSample("data/sounds/broken.ogg"));
    music()->play("menu", true);
    EXPECT_EQ(log.count("Sound data/sounds/broken.ogg is damaged or no Ogg Vorbis; it stays silent"), 1) << log.text();
    EXPECT_EQ(log.count("Music data/music/broken.ogg is damaged or no Ogg Vorbis; it stays silent"), 1) << log.text();
    EXPECT_FALSE(dynamic_cast<vorn::AudioSampleBASS&>(*sound).isLoaded());
    EXPECT_FALSE(music()->hasStream());
    sound->play(false);
    std::unique_ptr<vorn::AudioSample> tone(audio()->createSample(fixture("tone_440_mono.ogg")));
    EXPECT_TRUE(dynamic_cast<vorn::AudioSampleBASS&>(*tone).isLoaded());
}

TEST_F(Audio, MusicIsChosenByNameAndNotRestartedForTheSameFile) {
    writeData("data/music/menu_theme.ogg", vorn::test::readBytes(fixture("music_loop.ogg")));
    writeData("data/music/game_theme.ogg", vorn::test::readBytes(fixture("music_loop.ogg")));
    writeData("data/music/credits.ogg", vorn::test::readBytes(fixture("music_loop.ogg")));
    configure("<key>music</key><dict><key>menu</key><string>menu_theme</string>"
              "<key>game</key><array><string>game_theme</string></array>"
              "<key>credits</key><integer>1</integer><key>none</key><array/></dict>");
    music()->play("menu", true);
    const auto menuStream = music()->stream();
    EXPECT_NE(menuStream, 0u);
    EXPECT_EQ(music()->currentFile(), "data/music/menu_theme.ogg");
    music()->play("menu", false);
    EXPECT_EQ(music()->stream(), menuStream);
    music()->play("game", true);
    EXPECT_EQ(music()->currentFile(), "data/music/game_theme.ogg");
    EXPECT_NE(music()->stream(), menuStream);
    music()->play("credits", true);
    EXPECT_EQ(music()->currentFile(), "data/music/credits.ogg");
    for (const char* silent : {"none", "unknown"}) {
        music()->play(silent, true);
        EXPECT_EQ(music()->currentFile(), "");
        EXPECT_FALSE(music()->hasStream());
    }
    // A file that cannot be opened counts as the current one.
    configure("<key>music</key><dict><key>menu</key><string>missing</string></dict>");
    music()->play("menu", true);
    EXPECT_EQ(music()->currentFile(), "data/music/missing.ogg");
    EXPECT_FALSE(music()->hasStream());
}

TEST_F(Audio, AListOfMusicFilesGivesEachOfThem) {
    configure("<key>music</key><dict><key>game</key><array><string>a</string><string>b</string>"
              "<string>c</string></array></dict>");
    std::set<std::string> chosen;
    for (int i = 0; i < 200; ++i) chosen.insert(MusicPlayer::resolveMusicFile("game"));
    EXPECT_EQ(chosen, (std::set<std::string>{"data/music/a.ogg", "data/music/b.ogg", "data/music/c.ogg"}));
}

// What the device really plays, captured by the disk driver.
class AudioOutputThreaded : public Audio {
protected:
    AudioOutputThreaded() : capture_(tree_.file("output.raw")) {}

    std::vector<float> reference(const std::string& name) const {
        int error = 0;
        auto pcm = bass::decodeFile(fixture(name), 44100, &error);
        return pcm ? pcm->samples : std::vector<float>();
    }

    DiskCapture capture_;
};

TEST_F(AudioOutputThreaded, ASoundPlaysOnceAtTheSoundVolume) {
    audio()->setSoundVolume(0.5f);
    std::unique_ptr<vorn::AudioSample> tone(audio()->createSample(fixture("tone_440_mono.ogg")));
    const std::vector<float> expected = reference("tone_440_mono.ogg");
    ASSERT_FALSE(expected.empty());
    // Two sound nodes with the same sample enter in one frame.
    audio()->queueSound(tone.get());
    audio()->queueSound(tone.get());
    audio()->playQueued();
    ASSERT_TRUE(capture_.waitForMore(expected.size() / 2 + 44100));
    const std::vector<float> out = capture_.frames();
    const long at = vorn::test::findInCapture(out, expected, 0.5f);
    ASSERT_GE(at, 0) << "nothing was heard";
    EXPECT_LE(vorn::test::largestDifference(out, at, expected, 0.5f, expected.size() / 2), 1.5 / 32767.0);
    // Then silence again: once, not twice nor looped.
    const std::size_t after = std::size_t(at) * 2 + expected.size();
    for (std::size_t i = after; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << i;
    for (std::size_t i = 0; i < std::size_t(at) * 2; ++i) ASSERT_EQ(out[i], 0.0f) << i;
}

TEST_F(AudioOutputThreaded, MutedSoundIsSilence) {
    audio()->setMuteSound(true);
    std::unique_ptr<vorn::AudioSample> tone(audio()->createSample(fixture("tone_440_mono.ogg")));
    audio()->queueSound(tone.get());
    audio()->playQueued();
    audio()->setMuteSound(false);
    audio()->playQueued();
    ASSERT_TRUE(capture_.waitForMore(44100));
    for (float s : capture_.frames()) ASSERT_EQ(s, 0.0f);
}

TEST_F(AudioOutputThreaded, MusicLoopsAtTheEffectiveVolume) {
    writeData("data/music/loop.ogg", vorn::test::readBytes(fixture("music_loop.ogg")));
    configure("<key>music_volume_k</key><real>0.5</real><key>music</key><dict><key>menu</key><string>loop</string></dict>");
    audio()->setMusicVolume(0.8f);
    const std::vector<float> expected = reference("music_loop.ogg");
    ASSERT_FALSE(expected.empty());
    MusicPlayer::instance()->play("menu", true);
    const std::size_t loop = expected.size() / 2;
    ASSERT_TRUE(capture_.waitForMore(3 * loop));
    const std::vector<float> out = capture_.frames();
    const long at = vorn::test::findInCapture(out, expected, 0.4f);
    ASSERT_GE(at, 0) << "nothing was heard";
    // Two and a half times round, seamlessly.
    ASSERT_GE(out.size() / 2, std::size_t(at) + loop * 5 / 2);
    EXPECT_LE(vorn::test::largestDifference(out, at, expected, 0.4f, loop * 5 / 2), 1.5 / 32767.0);
}

TEST_F(AudioOutputThreaded, MusicFallsSilentWhileSuspendedOrMutedAndComesBack) {
    writeData("data/music/loop.ogg", vorn::test::readBytes(fixture("music_loop.ogg")));
    configure("<key>music</key><dict><key>menu</key><string>loop</string></dict>");
    MusicPlayer::instance()->play("menu", true);
    const std::size_t settle = 8192;
    auto tail = [this, settle](std::size_t frames) {
        const std::size_t start = capture_.framesWritten() + settle;
        EXPECT_TRUE(capture_.waitForMore(settle + frames));
        const std::vector<float> out = capture_.framesFrom(start);
        return vorn::test::rms(out, 0, 0, out.size() / 2);
    };
    const double playing = tail(20000);
    EXPECT_GT(playing, 0.1);
    audio()->suspend();
    EXPECT_EQ(tail(20000), 0.0);
    audio()->resume();
    EXPECT_NEAR(tail(20000), playing, 0.02);
    // Muted music stays silent across a focus change.
    audio()->setMuteMusic(true);
    MusicPlayer::instance()->setVolume(audio()->effectiveMusicVolume());
    audio()->suspend();
    audio()->resume();
    EXPECT_EQ(tail(20000), 0.0);
    // A new stream started while muted starts silent.
    MusicPlayer::instance()->play("other", true);
    MusicPlayer::instance()->play("menu", true);
    EXPECT_EQ(tail(20000), 0.0);
    audio()->setMuteMusic(false);
    MusicPlayer::instance()->setVolume(audio()->effectiveMusicVolume());
    EXPECT_NEAR(tail(20000), playing, 0.02);
}

} // namespace
