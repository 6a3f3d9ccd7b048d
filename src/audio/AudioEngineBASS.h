#pragma once

#include "audio/AudioEngine.h"

#include <string>

namespace vorn {

// The audio engine on the BASS library: opens the default output device
// when made, and makes AudioSampleBASS samples.
class AudioEngineBASS : public AudioEngine {
public:
    AudioEngineBASS();
    ~AudioEngineBASS() override = default;

    AudioSample* createSample(const std::string& path) override;

    // After a file failed to load: a log line naming it and why, unless
    // there is no device (then every sound fails, and the game is silent
    // on purpose).
    static void logLoadFailure(const char* what, const std::string& path);

protected:
    void openOutput() override;
    void closeOutput() override;
};

} // namespace vorn
