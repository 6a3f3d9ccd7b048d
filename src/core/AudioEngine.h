#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vorn {

class AudioSample;

// Sound effects and the music volume. This base engine is silent: it makes
// no samples, and keeps the volume and mute settings in step with the
// "@settings." data sources.
class AudioEngine {
public:
    virtual ~AudioEngine() = default;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    static AudioEngine* instance();

    // Each setter stores a new value and writes it to its data source; the
    // value already stored changes nothing, so the data source's echo stops here.
    void setSoundVolume(float volume);
    void setMusicVolume(float volume);
    void setMuteSound(bool mute);
    void setMuteMusic(bool mute);

    float soundVolume() const { return soundVolume_; }
    float musicVolume() const { return musicVolume_; }
    bool isSoundMuted() const { return muteSound_; }
    bool isMusicMuted() const { return muteMusic_; }
    bool isSuspended() const { return suspended_; }

    // 0 while music is muted or the engine is suspended, else the music volume.
    float effectiveMusicVolume() const;

    // Asks for a sound to be played once at the end of this frame.
    void queue(const std::shared_ptr<AudioSample>& sample);
    // Plays the sounds queued during the frame, unless sound is muted or the
    // engine suspended, and empties the queue in every case.
    void playQueued();
    size_t queuedCount() const { return queued_.size(); }

    // While the window is in the background: music silent.
    void suspend();
    void resume();

    // A sample loaded from the file, owned by the caller; null from the
    // silent engine.
    virtual AudioSample* createSample(const std::string& path);

protected:
    AudioEngine() = default;

private:
    float soundVolume_ = 1.0f;
    float musicVolume_ = 1.0f;
    bool muteSound_ = false;
    bool muteMusic_ = false;
    bool suspended_ = false;
    std::vector<std::shared_ptr<AudioSample>> queued_;
};

} // namespace vorn
