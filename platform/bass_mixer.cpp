#include "platform/bass_mixer.h"

#include "platform/bass.h"

#include "platform/ogg_check.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace bass {

namespace {

constexpr std::size_t kChunk = 1024;
// Files are read whole before decoding; sounds and music are far smaller.
constexpr std::size_t kMaxFileBytes = 64u << 20;
// A whole decoded sound holds at most this many frames per byte of its
// file: some 80 for a minute of silence at 8 kHz, the most compressible
// sound there is, and far less for any real one. Beyond it a file is
// refused, so that a damaged one cannot fill the memory.
constexpr std::size_t kFramesPerFileByte = 256;

struct StreamCloser {
    void operator()(SDL_AudioStream* s) const { SDL_FreeAudioStream(s); }
};
using Converter = std::unique_ptr<SDL_AudioStream, StreamCloser>;

// The bytes of one file and the reference decoder over them.
class Vorbis {
public:
    Vorbis() = default;
    Vorbis(const Vorbis&) = delete;
    Vorbis& operator=(const Vorbis&) = delete;
    ~Vorbis() {
        if (open_) ov_clear(&file_);
    }

    // BASS_OK, or why the file cannot be played.
    int open(const std::string& path) {
        const int read = readFile(path);
        if (read != BASS_OK) return read;
        VorbisHeader header;
        if (!checkOggVorbis(bytes_.data(), bytes_.size(), &header).empty()) return BASS_ERROR_FILEFORM;
        const ov_callbacks callbacks{readBytes, seekBytes, nullptr, tellBytes};
        if (ov_open_callbacks(this, &file_, nullptr, 0, callbacks) != 0) return BASS_ERROR_FILEFORM;
        open_ = true;
        const vorbis_info* info = ov_info(&file_, -1);
        if (!info || info->channels != header.channels || info->rate != header.rate) return BASS_ERROR_FILEFORM;
        channels = header.channels;
        rate = header.rate;
        return BASS_OK;
    }

    // Up to frames frames as stereo: mono goes to both sides, and of more
    // channels the first two are kept. 0 at the end or at damage the
    // decoder cannot pass.
    std::size_t decodeStereo(float* out, std::size_t frames) {
        for (;;) {
            float** pcm = nullptr;
            int link = 0;
            if (broken_) return 0;
            const long got = ov_read_float(&file_, &pcm, static_cast<int>(frames), &link);
            // A hole (lost or damaged pages) is passed over. After any other
            // fault the file is done with: the decoder would try to set
            // itself up again over what it refused.
            if (got == OV_HOLE) continue;
            if (got < 0) broken_ = true;
            if (got <= 0) return 0;
            const auto n = static_cast<std::size_t>(got);
            const float* right = pcm[channels > 1 ? 1 : 0];
            for (std::size_t i = 0; i < n; ++i) {
                out[2 * i] = pcm[0][i];
                out[2 * i + 1] = right[i];
            }
            return n;
        }
    }

    bool rewind() { return !broken_ && ov_raw_seek(&file_, 0) == 0; }

    std::size_t fileSize() const { return bytes_.size(); }

    int channels = 0;
    int rate = 0;

private:
    int readFile(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return BASS_ERROR_FILEOPEN;
        char buffer[65536];
        bool failed = false;
        for (;;) {
            const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
            bytes_.insert(bytes_.end(), buffer, buffer + n);
            if (bytes_.size() > kMaxFileBytes) failed = true;
            if (n < sizeof buffer || failed) break;
        }
        failed = failed || std::ferror(f);
        std::fclose(f);
        return failed || bytes_.empty() ? BASS_ERROR_FILEFORM : BASS_OK;
    }

    static std::size_t readBytes(void* into, std::size_t size, std::size_t count, void* self) {
        auto* v = static_cast<Vorbis*>(self);
        if (size == 0) return 0;
        const std::size_t n = std::min(count, (v->bytes_.size() - v->position_) / size);
        std::copy_n(v->bytes_.data() + v->position_, n * size, static_cast<unsigned char*>(into));
        v->position_ += n * size;
        return n;
    }
    static int seekBytes(void* self, ogg_int64_t offset, int whence) {
        auto* v = static_cast<Vorbis*>(self);
        const auto size = static_cast<ogg_int64_t>(v->bytes_.size());
        const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(v->position_) : size;
        if (offset < -base || offset > size - base) return -1;
        v->position_ = static_cast<std::size_t>(base + offset);
        return 0;
    }
    static long tellBytes(void* self) { return static_cast<long>(static_cast<Vorbis*>(self)->position_); }

    std::vector<unsigned char> bytes_;
    std::size_t position_ = 0;
    OggVorbis_File file_{};
    bool open_ = false;
    bool broken_ = false;
};

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
    VorbisSource(std::unique_ptr<Vorbis> v, Converter converter)
        : vorbis_(std::move(v)), converter_(std::move(converter)) {}

    std::size_t read(float* out, std::size_t frames) override {
        if (!converter_) {
            std::size_t done = 0;
            while (done < frames) {
                const std::size_t n = vorbis_->decodeStereo(out + 2 * done, frames - done);
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
            const std::size_t n = vorbis_->decodeStereo(decoded_.data(), kChunk);
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
        if (converter_) SDL_AudioStreamClear(converter_.get());
        // A file that cannot go back to its start simply has ended.
        drained_ = !vorbis_->rewind();
        if (drained_ && converter_) SDL_AudioStreamFlush(converter_.get());
    }

    const Vorbis& vorbis() const { return *vorbis_; }

private:
    std::unique_ptr<Vorbis> vorbis_;
    Converter converter_;
    bool drained_ = false;
    std::vector<float> decoded_;
};

std::unique_ptr<VorbisSource> openSource(const std::string& path, int rate, int* error) {
    auto v = std::make_unique<Vorbis>();
    const int opened = v->open(path);
    if (opened != BASS_OK) {
        *error = opened;
        return nullptr;
    }
    Converter converter = makeConverter(v->rate, rate, error);
    if (v->rate != rate && !converter) return nullptr;
    return std::make_unique<VorbisSource>(std::move(v), std::move(converter));
}

} // namespace

std::shared_ptr<const Pcm> decodeFile(const std::string& path, int rate, int* error) {
    std::unique_ptr<VorbisSource> source = openSource(path, rate, error);
    if (!source) return nullptr;
    auto pcm = std::make_shared<Pcm>();
    pcm->sourceChannels = source->vorbis().channels;
    pcm->sourceRate = source->vorbis().rate;
    const std::size_t maxFrames = kFramesPerFileByte * source->vorbis().fileSize();
    std::vector<float> chunk(2 * kChunk);
    for (;;) {
        const std::size_t n = source->read(chunk.data(), kChunk);
        if (pcm->frames() + n > maxFrames) {
            *error = BASS_ERROR_FILEFORM;
            return nullptr;
        }
        pcm->samples.insert(pcm->samples.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(2 * n));
        if (n < kChunk) break;
    }
    return pcm;
}

std::unique_ptr<Source> pcmSource(std::shared_ptr<const Pcm> pcm) {
    return std::make_unique<PcmSource>(std::move(pcm));
}

std::unique_ptr<Source> streamSource(const std::string& path, int rate, int* error) {
    return openSource(path, rate, error);
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
