#pragma once

#include "audio/MusicPlayer.h"

#include <cstdint>
#include <string>

namespace vorn {

// The music player on BASS: one file stream, started at the audio engine's
// effective music volume.
class MusicPlayerBASS : public MusicPlayer {
public:
    // Opens the output through the audio engine, if nothing has yet.
    MusicPlayerBASS();
    ~MusicPlayerBASS() override = default;

    void play(const std::string& name, bool loop) override;
    void stop() override;
    void setVolume(float volume) override;

    const std::string& currentFile() const { return currentFile_; }
    bool hasStream() const { return stream_ != 0; }
    std::uint32_t stream() const { return stream_; }

private:
    std::string currentFile_;
    std::uint32_t stream_ = 0;
};

} // namespace vorn
