#pragma once

// Measuring sound in tests: levels and pitch of decoded or captured frames,
// and SDL's "disk" audio driver as a capture of what the mixer played.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace vorn::test {

// Root mean square of one channel of interleaved stereo frames [from, to).
inline double rms(const std::vector<float>& stereo, int channel, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) sum += double(stereo[2 * i + channel]) * stereo[2 * i + channel];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

// Pitch of one channel from its rising zero crossings.
inline double pitch(const std::vector<float>& stereo, int channel, std::size_t from, std::size_t to, int rate) {
    long first = -1;
    long last = -1;
    int rises = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if (stereo[2 * (i - 1) + channel] < 0.0f && stereo[2 * i + channel] >= 0.0f) {
            if (first < 0) first = long(i);
            else ++rises;
            last = long(i);
        }
    }
    return rises > 0 ? double(rises) * rate / double(last - first) : 0.0;
}

inline std::vector<float> fromS16(const std::vector<std::int16_t>& s16) {
    std::vector<float> out(s16.size());
    for (std::size_t i = 0; i < s16.size(); ++i) out[i] = float(s16[i]) / 32767.0f;
    return out;
}

// Points SDL's audio output at a file: every buffer the mixer fills is
// written there, raw signed 16-bit stereo. Must be made before the device
// opens. The driver writes as fast as it can (no delay between buffers),
// so waiting for output is waiting for the mixer, not for the clock.
class DiskCapture {
public:
    explicit DiskCapture(std::string path) : path_(std::move(path)) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }

    std::size_t framesWritten() const {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path_, ec);
        return ec ? 0 : std::size_t(size) / 4;
    }

    // Waits until at least frames more frames than now have been written;
    // false when the mixer stalls for several seconds.
    bool waitForMore(std::size_t frames) const {
        const std::size_t target = framesWritten() + frames;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (framesWritten() < target) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::yield();
        }
        return true;
    }

    // Everything written so far, as stereo float frames.
    std::vector<float> frames() const { return framesFrom(0); }

    // What was written from frame first on. The driver writes much faster
    // than real time, so a test that checks the output again and again
    // reads only what is new, not the whole growing file each time.
    std::vector<float> framesFrom(std::size_t first) const {
        const std::size_t written = framesWritten();
        if (written <= first) return {};
        std::ifstream in(path_, std::ios::binary);
        in.seekg(std::streamoff(first) * 4);
        std::vector<std::int16_t> s16((written - first) * 2);
        in.read(reinterpret_cast<char*>(s16.data()), std::streamsize(s16.size() * 2));
        s16.resize(std::size_t(in.gcount()) / 2);
        return fromS16(s16);
    }

private:
    std::string path_;
};

// Where reference (stereo float frames, times volume) sits in captured:
// the frame offset that best matches, searched near the first sound heard.
// -1 when nothing was heard.
inline long findInCapture(const std::vector<float>& captured, const std::vector<float>& reference, float volume) {
    std::size_t heard = 0;
    while (heard < captured.size() && captured[heard] == 0.0f) ++heard;
    if (heard == captured.size()) return -1;
    std::size_t firstSound = 0;
    while (firstSound < reference.size() && std::fabs(reference[firstSound] * volume) < 0.5f / 32767.0f) ++firstSound;
    const long centre = long(heard / 2) - long(firstSound / 2);
    long best = -1;
    double bestError = 1e300;
    const long frames = long(std::min<std::size_t>(reference.size() / 2, 2048));
    for (long offset = std::max(0L, centre - 64); offset <= centre + 64; ++offset) {
        if (std::size_t(offset + frames) * 2 > captured.size()) break;
        double error = 0.0;
        for (long i = 0; i < 2 * frames; ++i) {
            const double d = captured[std::size_t(2 * offset + i)] - reference[std::size_t(i)] * volume;
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = offset;
        }
    }
    return best;
}

// The largest difference between captured frames from offset and the
// reference times volume, over count frames.
inline double largestDifference(const std::vector<float>& captured, long offset, const std::vector<float>& reference,
                                float volume, std::size_t count) {
    double worst = 0.0;
    for (std::size_t i = 0; i < 2 * count; ++i) {
        const double d = std::fabs(captured[std::size_t(2 * offset) + i] - reference[i % reference.size()] * volume);
        worst = std::max(worst, d);
    }
    return worst;
}

} // namespace vorn::test
