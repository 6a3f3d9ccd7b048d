#include "core/AudioEngineBASS.h"

#include "core/AudioSampleBASS.h"

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

} // namespace vorn
