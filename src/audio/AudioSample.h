#pragma once

#include "core/Resource.h"

namespace vorn {

// A loaded sound effect, made by the audio engine and cached by the resource
// manager under the name it was requested by.
class AudioSample : public Resource {
public:
    AudioSample() = default;
    AudioSample(const AudioSample&) = delete;
    AudioSample& operator=(const AudioSample&) = delete;

    // Starts the sound once from its beginning on a fresh channel.
    virtual void play(bool loop) = 0;
    // Stops the last play when it was looping.
    virtual void stop() = 0;
};

} // namespace vorn
