#include "core/AudioEngine.h"

#include "core/Config.h"

#include "core/AudioSample.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "core/MusicPlayer.h"

namespace vorn {

AudioEngine* AudioEngine::instance() {
    static AudioEngine* engine = new AudioEngine();
    return engine;
}

void AudioEngine::setSoundVolume(float volume) {
    if (volume == soundVolume_) return;
    soundVolume_ = volume;
    DataSource::get("@settings.sound_volume")->set(Value(static_cast<double>(volume)));
}

void AudioEngine::setMusicVolume(float volume) {
    if (volume == musicVolume_) return;
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
    if (factor.type() == Value::REAL) return musicVolume_ * factor.asFloat();
    return musicVolume_;
}

void AudioEngine::queue(const std::shared_ptr<AudioSample>& sample) {
    if (sample) queued_.push_back(sample);
}

void AudioEngine::playQueued() {
    // A sound played from inside play() waits for the next frame.
    std::vector<std::shared_ptr<AudioSample>> now;
    now.swap(queued_);
    if (muteSound_ || suspended_) return;
    for (const auto& sample : now) sample->play(false);
}

void AudioEngine::suspend() {
    suspended_ = true;
    if (!muteMusic_) MusicPlayer::instance()->setVolume(0.0f);
}

void AudioEngine::resume() {
    suspended_ = false;
    if (!muteMusic_) MusicPlayer::instance()->setVolume(musicVolume_);
}

AudioSample* AudioEngine::createSample(const std::string&) { return nullptr; }

} // namespace vorn
