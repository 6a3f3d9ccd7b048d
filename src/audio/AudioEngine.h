#pragma once

#include <set>
#include <string>

namespace vorn {

class AudioSample;

// The sound settings of the running game (volumes, the two mute switches,
// and suspension while the window has no focus) and the sound effects queued
// during a frame. This base makes no samples; AudioEngineBASS plays them.
class AudioEngine {
public:
    virtual ~AudioEngine() = default;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // The one engine, an AudioEngineBASS made (and the output opened) on
    // first use.
    static AudioEngine* instance();

    // A new sample for a sound file, owned by the caller; null from this base.
    virtual AudioSample* createSample(const std::string& path);

    // Volumes run from 0 to 1. A setter that gets a new value stores it and
    // writes it to its "@settings." data source; the value already stored
    // changes nothing, which ends the round trip through that data source's
    // listeners. A value out of range is clamped, and one that is not a
    // number at all is ignored; either way the data source is given the
    // value in force, so a bad saved setting is mended rather than kept.
    virtual float soundVolume();
    virtual void setSoundVolume(float volume);
    // The player's choice, before mute, suspension and the configured factor.
    virtual float musicVolume();
    virtual void setMusicVolume(float volume);

    void setMuteSound(bool mute);
    void setMuteMusic(bool mute);
    bool isSoundMuted() const { return muteSound_; }
    bool isMusicMuted() const { return muteMusic_; }
    bool isSuspended() const { return suspended_; }

    // What the music plays at: 0 while muted or suspended, else the music
    // volume times the configured "music_volume_k" when that is a real number.
    float effectiveMusicVolume() const;

    // Asks for a sound at the end of this frame; nothing while sound is
    // muted or the engine suspended. The sample must stay alive until then
    // (the resource manager's cache keeps every loaded sample).
    void queueSound(AudioSample* sample);
    // Plays every distinct sample queued during the frame once, unless sound
    // is muted or the engine suspended, and empties the queue in every case.
    void playQueued();
    std::size_t queuedCount() const { return queue_.size(); }

    // While the window has no focus: no sound effects, music at 0.
    void suspend();
    void resume();

    // For tests: the settings as made, nothing queued, and the output
    // closed until the next use opens it again. Does nothing when the
    // engine was never made. Samples and music streams must be gone first.
    static void resetForTests();

protected:
    AudioEngine() = default;

    // The output device, opened when the engine is made.
    virtual void openOutput() {}
    virtual void closeOutput() {}

private:
    // Clamped to 0..1; false for a value that is not a finite number, which
    // the setters ignore.
    static bool sanitize(float& volume);

    std::set<AudioSample*> queue_;
    float soundVolume_ = 1.0f;
    float musicVolume_ = 1.0f;
    bool muteSound_ = false;
    bool muteMusic_ = false;
    bool suspended_ = false;
};

} // namespace vorn
