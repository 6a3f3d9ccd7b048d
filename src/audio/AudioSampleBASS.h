#pragma once

#include "audio/AudioSample.h"

#include <cstdint>
#include <string>

namespace vorn {

// A sound effect decoded whole by BASS, with at most 10 channels playing
// at once. A file that failed to load leaves the sample without a handle:
// it can still be queued and played, without effect.
class AudioSampleBASS : public AudioSample {
public:
    explicit AudioSampleBASS(const std::string& path);
    ~AudioSampleBASS() override;

    void play(bool loop) override;
    void stop() override;

    bool isLoaded() const { return sample_ != 0; }

private:
    std::uint32_t sample_ = 0;
    std::uint32_t channel_ = 0;
    float pan_ = 0.0f;
    // Least seconds between two starts.
    float minimumGap_ = 0.0f;
    bool looping_ = false;
};

} // namespace vorn
