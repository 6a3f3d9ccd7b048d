#include "core/MusicPlayer.h"

namespace vorn {

MusicPlayer* MusicPlayer::instance() {
    static MusicPlayer* player = new MusicPlayer();
    return player;
}

void MusicPlayer::setVolume(float) {}

} // namespace vorn
