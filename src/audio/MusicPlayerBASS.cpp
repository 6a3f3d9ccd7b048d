#include "audio/MusicPlayerBASS.h"

#include "audio/AudioEngine.h"
#include "audio/AudioEngineBASS.h"

#include "platform/bass.h"

namespace vorn {

MusicPlayerBASS::MusicPlayerBASS() { AudioEngine::instance(); }

void MusicPlayerBASS::play(const std::string& name, bool loop) {
    const std::string file = resolveMusicFile(name);
    // The same file goes on playing, so moving between screens with the same
    // music does not restart it.
    if (file == currentFile_) return;
    stop();
    currentFile_ = file;
    if (currentFile_.empty()) return;
    // A file that fails to open still counts as the current one: asking for
    // it again stays silent rather than trying again.
    stream_ = BASS_StreamCreateFile(FALSE, currentFile_.c_str(), 0, 0, 0);
    if (stream_ == 0) AudioEngineBASS::logLoadFailure("Music", currentFile_);
    if (loop) BASS_ChannelFlags(stream_, BASS_SAMPLE_LOOP, BASS_SAMPLE_LOOP);
    BASS_ChannelSetAttribute(stream_, BASS_ATTRIB_VOL, AudioEngine::instance()->effectiveMusicVolume());
    BASS_ChannelPlay(stream_, TRUE);
}

void MusicPlayerBASS::stop() {
    if (stream_ != 0) {
        BASS_ChannelStop(stream_);
        BASS_StreamFree(stream_);
        stream_ = 0;
    }
    currentFile_.clear();
}

void MusicPlayerBASS::setVolume(float volume) {
    if (stream_ != 0) BASS_ChannelSetAttribute(stream_, BASS_ATTRIB_VOL, volume);
}

} // namespace vorn
