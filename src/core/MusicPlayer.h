#pragma once

namespace vorn {

// The background music. Without an open stream (always, in the silent base
// player) volume changes have nothing to act on.
class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    static MusicPlayer* instance();

    virtual bool hasStream() const { return false; }
    virtual void setVolume(float volume);

protected:
    MusicPlayer() = default;
};

} // namespace vorn
