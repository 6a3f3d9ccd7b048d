#pragma once

// The mixer behind the BASS layer: decoded sounds, the sources that voices
// read from, and the mix function over the voice table. Nothing here needs
// an audio device, so tests drive it directly.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bass {

// A whole decoded sound: stereo frames of 32-bit float, interleaved, at the
// output rate.
struct Pcm {
    std::vector<float> samples;
    int sourceChannels = 0;
    int sourceRate = 0;
    std::size_t frames() const { return samples.size() / 2; }
};

// Where a voice's frames come from.
class Source {
public:
    virtual ~Source() = default;
    // Writes up to frames stereo frames; fewer only at the end.
    virtual std::size_t read(float* out, std::size_t frames) = 0;
    virtual void rewind() = 0;
};

// Decodes a whole Ogg Vorbis file, converted to stereo at rate. Null on
// failure, with error set to the layer's error code: BASS_ERROR_FILEOPEN
// when the file does not open; BASS_ERROR_FILEFORM when it is no Ogg
// Vorbis, fails the checks of ogg_check.h, or would decode to more than 256
// frames for each byte of the file.
std::shared_ptr<const Pcm> decodeFile(const std::string& path, int rate, int* error);

// Plays a decoded sound from its start.
std::unique_ptr<Source> pcmSource(std::shared_ptr<const Pcm> pcm);

// Decodes an Ogg Vorbis file while it plays, converted to stereo at rate.
// Null on failure, with error set as by decodeFile.
std::unique_ptr<Source> streamSource(const std::string& path, int rate, int* error);

struct Voice {
    std::unique_ptr<Source> source;
    float volume = 1.0f;
    float pan = 0.0f;
    bool loop = false;
    bool playing = false;
    // Came to its end without looping.
    bool ended = false;
};

// Adds every playing voice, at its volume and pan, into out: frames stereo
// frames that the caller has filled (usually with silence). A voice that
// comes to its end loops back to its start or stops and is marked ended.
void mix(const std::vector<Voice*>& voices, float* out, std::size_t frames);

// Float samples to signed 16-bit, clipped to the range.
void toS16(const float* in, std::int16_t* out, std::size_t samples);

} // namespace bass
