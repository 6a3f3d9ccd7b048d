#pragma once

#include <string>

namespace vorn {

// The background music: one stream at a time, asked for by a logical name
// that the configuration's "music." entries map to one file or a list of
// files. This base plays nothing; MusicPlayerBASS does.
class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // The one player, a MusicPlayerBASS made on first use. Main thread only.
    static MusicPlayer* instance();

    // Starts the music of a logical name, unless the file it resolves to is
    // the one already playing.
    virtual void play(const std::string& name, bool loop);
    virtual void stop();
    // The volume of the stream playing now; not kept for later streams.
    virtual void setVolume(float volume);

    // The file to play for a logical name: "data/music/" + the configured
    // file name (one picked at random from a list) + ".ogg", through the
    // resource search paths; "" when the name has no entry or an empty list.
    static std::string resolveMusicFile(const std::string& name);

    // For tests: the music stopped, and the output opened again at the
    // next use, as when the player is made. Does nothing when the player
    // was never made.
    static void resetForTests();

protected:
    MusicPlayer() = default;
};

} // namespace vorn
