#pragma once

#include "core/AudioEngine.h"

namespace vorn {

// The audio engine on the BASS library: opens the default output device
// when made, and makes AudioSampleBASS samples.
class AudioEngineBASS : public AudioEngine {
public:
    AudioEngineBASS();
    ~AudioEngineBASS() override = default;

    AudioSample* createSample(const std::string& path) override;

protected:
    void openOutput() override;
    void closeOutput() override;
};

} // namespace vorn
