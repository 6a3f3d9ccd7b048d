#include "audio/AudioEngineBASS.h"

#include "audio/AudioSampleBASS.h"
#include "core/Log.h"

#include "platform/bass.h"

namespace vorn {

AudioEngineBASS::AudioEngineBASS() { openOutput(); }

void AudioEngineBASS::openOutput() {
    // Without a device every later call fails harmlessly and the game runs
    // silently, so neither result matters here.
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
    BASS_RecordFree();
}

void AudioEngineBASS::closeOutput() { BASS_Free(); }

AudioSample* AudioEngineBASS::createSample(const std::string& path) { return new AudioSampleBASS(path); }

void AudioEngineBASS::logLoadFailure(const char* what, const std::string& path) {
    switch (BASS_ErrorGetCode()) {
    case BASS_ERROR_INIT: return;
    case BASS_ERROR_FILEOPEN: log("%s %s can't be opened; it stays silent", what, path.c_str()); return;
    case BASS_ERROR_FILEFORM:
        log("%s %s is damaged or no Ogg Vorbis; it stays silent", what, path.c_str());
        return;
    default: log("%s %s can't be played (error %d); it stays silent", what, path.c_str(), BASS_ErrorGetCode()); return;
    }
}

} // namespace vorn
