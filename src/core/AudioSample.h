#pragma once

#include "core/Resource.h"

namespace vorn {

// A loaded sound, made by the audio engine and cached by the resource
// manager under the name it was requested by.
class AudioSample : public Resource {
public:
    AudioSample() = default;
    AudioSample(const AudioSample&) = delete;
    AudioSample& operator=(const AudioSample&) = delete;

    virtual void play(bool loop) = 0;
    virtual void stop() = 0;
};

} // namespace vorn
