#include "audio/AudioEngine.h"

#include "audio/AudioEngineBASS.h"
#include "audio/AudioSample.h"
#include "core/Config.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "audio/MusicPlayer.h"
#include "core/ResourceManager.h"

#include <algorithm>
#include <cmath>

namespace vorn {

namespace {

AudioEngine* made = nullptr;
bool openAtNextUse = false;

// Sounds are resources like pictures and fonts: the resource manager loads
// ".ogg" names through us.
[[maybe_unused]] const bool samplesRegistered = ResourceManager::registerKind("ogg", [](const std::string& path) {
    return std::shared_ptr<Resource>(AudioEngine::instance()->createSample(path));
});

} // namespace

AudioEngine* AudioEngine::instance() {
    static AudioEngine* engine = made = new AudioEngineBASS();
    if (openAtNextUse) {
        openAtNextUse = false;
        engine->openOutput();
    }
    return engine;
}

void AudioEngine::resetForTests() {
    if (made == nullptr) return;
    made->queue_.clear();
    made->soundVolume_ = 1.0f;
    made->musicVolume_ = 1.0f;
    made->muteSound_ = false;
    made->muteMusic_ = false;
    made->suspended_ = false;
    made->closeOutput();
    openAtNextUse = true;
}

AudioSample* AudioEngine::createSample(const std::string&) { return nullptr; }

bool AudioEngine::sanitize(float& volume) {
    if (!std::isfinite(volume)) return false;
    volume = std::clamp(volume, 0.0f, 1.0f);
    return true;
}

float AudioEngine::soundVolume() { return soundVolume_; }

float AudioEngine::musicVolume() { return musicVolume_; }

void AudioEngine::setSoundVolume(float volume) {
    const float asked = volume;
    if (!sanitize(volume)) volume = soundVolume_;
    if (volume == soundVolume_ && volume == asked) return;
    soundVolume_ = volume;
    DataSource::get("@settings.sound_volume")->set(Value(static_cast<double>(volume)));
}

void AudioEngine::setMusicVolume(float volume) {
    const float asked = volume;
    if (!sanitize(volume)) volume = musicVolume_;
    if (volume == musicVolume_ && volume == asked) return;
    musicVolume_ = volume;
    DataSource::get("@settings.music_volume")->set(Value(static_cast<double>(volume)));
}

void AudioEngine::setMuteSound(bool mute) {
    if (mute == muteSound_) return;
    muteSound_ = mute;
    DataSource::get("@settings.mute_sound")->set(Value(mute));
    log("AudioEngine muteSound: %i", mute ? 1 : 0);
}

void AudioEngine::setMuteMusic(bool mute) {
    if (mute == muteMusic_) return;
    muteMusic_ = mute;
    DataSource::get("@settings.mute_music")->set(Value(mute));
    log("AudioEngine muteMusic: %i", mute ? 1 : 0);
}

float AudioEngine::effectiveMusicVolume() const {
    if (muteMusic_ || suspended_) return 0.0f;
    const Value& factor = Config::instance()->get("music_volume_k");
    if (factor.type() == Value::REAL) return static_cast<float>(musicVolume_ * factor.asDouble());
    return musicVolume_;
}

void AudioEngine::queueSound(AudioSample* sample) {
    if (sample == nullptr || muteSound_ || suspended_) return;
    queue_.insert(sample);
}

void AudioEngine::playQueued() {
    // A sound queued from inside play() waits for the next frame.
    std::set<AudioSample*> now;
    now.swap(queue_);
    if (muteSound_ || suspended_) return;
    for (AudioSample* sample : now) sample->play(false);
}

void AudioEngine::suspend() {
    suspended_ = true;
    if (!muteMusic_) MusicPlayer::instance()->setVolume(0.0f);
}

void AudioEngine::resume() {
    suspended_ = false;
    if (!muteMusic_) MusicPlayer::instance()->setVolume(effectiveMusicVolume());
}

} // namespace vorn
