#include "platform/bass_mixer.h"

#include "platform/bass.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#define STB_VORBIS_NO_PUSHDATA_API
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#pragma GCC diagnostic ignored "-Wtype-limits"
#include <stb/stb_vorbis.h>
#pragma GCC diagnostic pop

namespace bass {

namespace {

constexpr std::size_t kChunk = 1024;

struct VorbisCloser {
    void operator()(stb_vorbis* v) const { stb_vorbis_close(v); }
};
using Vorbis = std::unique_ptr<stb_vorbis, VorbisCloser>;

struct StreamCloser {
    void operator()(SDL_AudioStream* s) const { SDL_FreeAudioStream(s); }
};
using Converter = std::unique_ptr<SDL_AudioStream, StreamCloser>;

Vorbis openVorbis(const std::string& path, int* error, int* channels, int* rate) {
    int code = 0;
    Vorbis v(stb_vorbis_open_filename(path.c_str(), &code, nullptr));
    if (!v) {
        *error = code == VORBIS_file_open_failure ? BASS_ERROR_FILEOPEN : BASS_ERROR_FILEFORM;
        return nullptr;
    }
    const stb_vorbis_info info = stb_vorbis_get_info(v.get());
    if (info.channels < 1 || info.sample_rate < 1) {
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    *channels = info.channels;
    *rate = static_cast<int>(info.sample_rate);
    return v;
}

// Up to frames frames of the file as stereo: mono goes to both sides, and
// of more channels the first two are kept.
std::size_t decodeStereo(stb_vorbis* v, int channels, float* out, std::size_t frames,
                         std::vector<float>& scratch) {
    scratch.resize(frames * static_cast<std::size_t>(channels));
    const int got = stb_vorbis_get_samples_float_interleaved(v, channels, scratch.data(),
                                                             static_cast<int>(scratch.size()));
    if (got <= 0) return 0;
    const auto n = static_cast<std::size_t>(got);
    const auto c = static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < n; ++i) {
        out[2 * i] = scratch[i * c];
        out[2 * i + 1] = scratch[i * c + (c > 1 ? 1 : 0)];
    }
    return n;
}

Converter makeConverter(int from, int to, int* error) {
    if (from == to) return nullptr;
    Converter c(SDL_NewAudioStream(AUDIO_F32SYS, 2, from, AUDIO_F32SYS, 2, to));
    if (!c) *error = BASS_ERROR_MEM;
    return c;
}

class PcmSource : public Source {
public:
    explicit PcmSource(std::shared_ptr<const Pcm> pcm) : pcm_(std::move(pcm)) {}

    std::size_t read(float* out, std::size_t frames) override {
        const std::size_t n = std::min(frames, pcm_->frames() - position_);
        std::copy_n(pcm_->samples.data() + 2 * position_, 2 * n, out);
        position_ += n;
        return n;
    }
    void rewind() override { position_ = 0; }

private:
    std::shared_ptr<const Pcm> pcm_;
    std::size_t position_ = 0;
};

class VorbisSource : public Source {
public:
    VorbisSource(Vorbis v, int channels, Converter converter)
        : vorbis_(std::move(v)), channels_(channels), converter_(std::move(converter)) {}

    std::size_t read(float* out, std::size_t frames) override {
        if (!converter_) {
            std::size_t done = 0;
            while (done < frames) {
                const std::size_t n = decodeStereo(vorbis_.get(), channels_, out + 2 * done, frames - done, scratch_);
                if (n == 0) break;
                done += n;
            }
            return done;
        }
        std::size_t done = 0;
        const int frameBytes = 2 * static_cast<int>(sizeof(float));
        while (done < frames) {
            const int got = SDL_AudioStreamGet(converter_.get(), out + 2 * done,
                                               static_cast<int>(frames - done) * frameBytes);
            if (got > 0) {
                done += static_cast<std::size_t>(got / frameBytes);
                continue;
            }
            if (drained_ || got < 0) break;
            decoded_.resize(2 * kChunk);
            const std::size_t n = decodeStereo(vorbis_.get(), channels_, decoded_.data(), kChunk, scratch_);
            if (n == 0) {
                SDL_AudioStreamFlush(converter_.get());
                drained_ = true;
                continue;
            }
            SDL_AudioStreamPut(converter_.get(), decoded_.data(), static_cast<int>(n) * frameBytes);
        }
        return done;
    }

    void rewind() override {
        stb_vorbis_seek_start(vorbis_.get());
        if (converter_) SDL_AudioStreamClear(converter_.get());
        drained_ = false;
    }

private:
    Vorbis vorbis_;
    int channels_;
    Converter converter_;
    bool drained_ = false;
    std::vector<float> scratch_;
    std::vector<float> decoded_;
};

} // namespace

std::shared_ptr<const Pcm> decodeFile(const std::string& path, int rate, int* error) {
    int channels = 0;
    int sourceRate = 0;
    Vorbis v = openVorbis(path, error, &channels, &sourceRate);
    if (!v) return nullptr;
    Converter converter = makeConverter(sourceRate, rate, error);
    if (sourceRate != rate && !converter) return nullptr;
    VorbisSource source(std::move(v), channels, std::move(converter));
    auto pcm = std::make_shared<Pcm>();
    pcm->sourceChannels = channels;
    pcm->sourceRate = sourceRate;
    std::vector<float> chunk(2 * kChunk);
    for (;;) {
        const std::size_t n = source.read(chunk.data(), kChunk);
        pcm->samples.insert(pcm->samples.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(2 * n));
        if (n < kChunk) break;
    }
    return pcm;
}

std::unique_ptr<Source> pcmSource(std::shared_ptr<const Pcm> pcm) {
    return std::make_unique<PcmSource>(std::move(pcm));
}

std::unique_ptr<Source> streamSource(const std::string& path, int rate, int* error) {
    int channels = 0;
    int sourceRate = 0;
    Vorbis v = openVorbis(path, error, &channels, &sourceRate);
    if (!v) return nullptr;
    Converter converter = makeConverter(sourceRate, rate, error);
    if (sourceRate != rate && !converter) return nullptr;
    return std::make_unique<VorbisSource>(std::move(v), channels, std::move(converter));
}

void mix(const std::vector<Voice*>& voices, float* out, std::size_t frames) {
    float chunk[2 * 256];
    constexpr std::size_t kMixChunk = 256;
    for (Voice* voice : voices) {
        if (!voice->playing || !voice->source) continue;
        const float left = voice->volume * (voice->pan > 0.0f ? 1.0f - voice->pan : 1.0f);
        const float right = voice->volume * (voice->pan < 0.0f ? 1.0f + voice->pan : 1.0f);
        std::size_t done = 0;
        // A looping source that gives nothing right after a rewind is empty;
        // rewinding it again would never end.
        bool justRewound = false;
        while (done < frames && voice->playing) {
            const std::size_t want = std::min(kMixChunk, frames - done);
            const std::size_t got = voice->source->read(chunk, want);
            float* target = out + 2 * done;
            for (std::size_t i = 0; i < got; ++i) {
                target[2 * i] += chunk[2 * i] * left;
                target[2 * i + 1] += chunk[2 * i + 1] * right;
            }
            done += got;
            if (got > 0) justRewound = false;
            if (got == want) continue;
            if (voice->loop && !justRewound) {
                voice->source->rewind();
                justRewound = true;
            } else {
                voice->playing = false;
                voice->ended = true;
            }
        }
    }
}

void toS16(const float* in, std::int16_t* out, std::size_t samples) {
    for (std::size_t i = 0; i < samples; ++i) {
        const float v = std::isnan(in[i]) ? 0.0f : std::clamp(in[i], -1.0f, 1.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(v * 32767.0f));
    }
}

} // namespace bass
