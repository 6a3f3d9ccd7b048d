// The audio layer: decoding, the mix function over a voice table, and the
// BASS calls' handles and failures on a device that plays nowhere.
#include "platform/bass.h"
#include "platform/bass_mixer.h"
#include "platform/ogg_check.h"

#include "support/SoundProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::test::pitch;
using vorn::test::rms;

const std::string kTone = "tests/fixtures/sounds/tone_440_mono.ogg";
const std::string kStereo = "tests/fixtures/sounds/tone_stereo_22k.ogg";
const std::string kLoop = "tests/fixtures/sounds/music_loop.ogg";

std::vector<float> readAll(bass::Source& source) {
    std::vector<float> out;
    float chunk[2 * 300];
    for (;;) {
        const std::size_t n = source.read(chunk, 300);
        out.insert(out.end(), chunk, chunk + 2 * n);
        if (n < 300) return out;
    }
}

TEST(BassDecode, MonoToneComesOutOnBothSidesAtItsPitchAndLevel) {
    int error = -1;
    auto pcm = bass::decodeFile(kTone, 44100, &error);
    ASSERT_NE(pcm, nullptr) << error;
    EXPECT_EQ(pcm->sourceChannels, 1);
    EXPECT_NEAR(double(pcm->frames()), 0.25 * 44100, 64);
    const std::size_t n = pcm->frames();
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(pcm->samples[2 * i], pcm->samples[2 * i + 1]) << i;
    EXPECT_NEAR(rms(pcm->samples, 0, n / 10, n - n / 10), 0.5 / std::sqrt(2.0), 0.02);
    EXPECT_NEAR(pitch(pcm->samples, 0, 0, n, 44100), 440.0, 2.0);
}

TEST(BassDecode, OtherRatesAreConvertedToTheOutputRate) {
    int error = -1;
    auto pcm = bass::decodeFile(kStereo, 44100, &error);
    ASSERT_NE(pcm, nullptr) << error;
    EXPECT_EQ(pcm->sourceRate, 22050);
    EXPECT_NEAR(double(pcm->frames()), 0.2 * 44100, 200);
    const std::size_t n = pcm->frames();
    EXPECT_NEAR(pitch(pcm->samples, 0, 0, n, 44100), 330.0, 2.0);
    EXPECT_NEAR(pitch(pcm->samples, 1, 0, n, 44100), 660.0, 3.0);
}

TEST(BassDecode, StreamsGiveWhatWholeDecodingGivesAndStartOverOnRewind) {
    for (const std::string& file : {kTone, kStereo}) {
        int error = 0;
        auto whole = bass::decodeFile(file, 44100, &error);
        auto stream = bass::streamSource(file, 44100, &error);
        ASSERT_NE(whole, nullptr);
        ASSERT_NE(stream, nullptr);
        const std::vector<float> first = readAll(*stream);
        EXPECT_EQ(first, whole->samples) << file;
        stream->rewind();
        EXPECT_EQ(readAll(*stream), first) << file;
    }
}

TEST(BassDecode, MissingAndForeignFilesFailWithTheirReason) {
    vorn::test::TempDir dir;
    vorn::test::writeBytes(dir.file("noise.ogg"), std::string(5000, 'x'));
    vorn::test::writeBytes(dir.file("cut.ogg"), vorn::test::readBytes(kTone).substr(0, 200));
    struct Case {
        std::string path;
        int error;
    };
    for (const Case& c : {Case{dir.file("absent.ogg"), BASS_ERROR_FILEOPEN}, Case{dir.file("noise.ogg"), BASS_ERROR_FILEFORM},
                          Case{dir.file("cut.ogg"), BASS_ERROR_FILEFORM}, Case{dir.path().string(), BASS_ERROR_FILEFORM}}) {
        int error = 0;
        EXPECT_EQ(bass::decodeFile(c.path, 44100, &error), nullptr) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
        error = 0;
        EXPECT_EQ(bass::streamSource(c.path, 44100, &error), nullptr) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
    }
}

// Ogg files built from the packets of the tone fixture, some of them changed.
struct OggPackets {
    std::string id, comment, setup;
    std::vector<std::string> audio;
};

OggPackets packetsOf(const std::string& file) {
    const std::string bytes = vorn::test::readBytes(file);
    std::vector<std::string> packets(1);
    for (std::size_t at = 0; at + 27 <= bytes.size();) {
        const std::size_t segments = std::uint8_t(bytes[at + 26]);
        std::size_t body = at + 27 + segments;
        for (std::size_t i = 0; i < segments; ++i) {
            const std::size_t n = std::uint8_t(bytes[at + 27 + i]);
            packets.back() += bytes.substr(body, n);
            body += n;
            if (n < 255) packets.emplace_back();
        }
        at = body;
    }
    packets.pop_back();
    return {packets[0], packets[1], packets[2], std::vector<std::string>(packets.begin() + 3, packets.end())};
}

void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + std::size_t(i)] = char(v >> (8 * i));
}

std::string oggPage(const std::vector<std::string>& packets, std::uint8_t flags, std::int64_t granule,
                    std::uint32_t serial, std::uint32_t sequence) {
    std::string lacing, body;
    for (const std::string& p : packets) {
        std::size_t n = p.size();
        for (; n >= 255; n -= 255) lacing += char(255);
        lacing += char(n);
        body += p;
    }
    std::string page = "OggS";
    page += char(0);
    page += char(flags);
    for (int i = 0; i < 8; ++i) page += char(std::uint64_t(granule) >> (8 * i));
    page += std::string(12, '\0');
    put32(page, 14, serial);
    put32(page, 18, sequence);
    page += char(lacing.size());
    page += lacing + body;
    put32(page, 22, bass::oggChecksum(reinterpret_cast<const std::uint8_t*>(page.data()), page.size()));
    return page;
}

// The headers on pages of their own, then the audio packets 255 to a page.
std::string oggFile(const OggPackets& p, std::uint32_t serial = 7) {
    std::string file = oggPage({p.id}, 0x02, 0, serial, 0) + oggPage({p.comment, p.setup}, 0, 0, serial, 1);
    std::uint32_t sequence = 2;
    std::int64_t granule = 0;
    for (std::size_t at = 0; at < p.audio.size(); at += 255) {
        const std::vector<std::string> page(p.audio.begin() + std::ptrdiff_t(at),
                                            p.audio.begin() + std::ptrdiff_t(std::min(at + 255, p.audio.size())));
        granule += std::int64_t(page.size()) * 4096;
        file += oggPage(page, at + 255 >= p.audio.size() ? 0x04 : 0, granule, serial, sequence++);
    }
    return file;
}

std::string changed(const std::function<void(OggPackets&)>& change) {
    OggPackets p = packetsOf(kTone);
    change(p);
    return oggFile(p);
}

// The most memory the process has held so far, in megabytes.
long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// How much resident memory a byte the program uses costs: ThreadSanitizer
// keeps shadow memory beside every byte touched, several times its size.
#if defined(__SANITIZE_THREAD__)
constexpr long kResidentPerByte = 5;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr long kResidentPerByte = 5;
#else
constexpr long kResidentPerByte = 1;
#endif
#else
constexpr long kResidentPerByte = 1;
#endif

TEST(BassDecode, TheToneRebuiltFromItsPacketsStillPlays) {
    vorn::test::TempDir dir;
    vorn::test::writeBytes(dir.file("tone.ogg"), oggFile(packetsOf(kTone)));
    int error = 0;
    auto pcm = bass::decodeFile(dir.file("tone.ogg"), 44100, &error);
    ASSERT_NE(pcm, nullptr) << error;
    EXPECT_NEAR(pitch(pcm->samples, 0, 0, pcm->frames(), 44100), 440.0, 2.0);
}

// Headers that declare more than the file holds: the decoder would allocate
// what they say (stb_vorbis took gigabytes for some, or freed pointers it
// never set) before finding out.
TEST(BassDecode, DamagedHeadersAreRefusedWithoutTakingMemory) {
    // The vendor text's length, then the count of comments after it.
    const std::size_t vendor = 7;
    auto countAt = [](const std::string& comment) { return 11 + std::size_t(std::uint8_t(comment[7])); };
    struct Case {
        const char* name;
        std::string bytes;
    };
    OggPackets tiny{packetsOf(kTone).id, std::string("\x03vorbis") + std::string(8, '\0'), "", {}};
    put32(tiny.comment, 11, 0x10000000);
    const std::string tinyFile = oggPage({tiny.id}, 0x02, 0, 7, 0) + oggPage({tiny.comment}, 0x04, 0, 7, 1);
    const std::string tone = oggFile(packetsOf(kTone));
    std::string badChecksum = tone;
    badChecksum[badChecksum.size() - 5] ^= 0x55;
    const std::vector<Case> cases{
        {"countless comments", changed([&](OggPackets& p) { put32(p.comment, countAt(p.comment), 0x7FFFFFFF); })},
        {"an endless vendor text", changed([&](OggPackets& p) { put32(p.comment, vendor, 0xFFFFFFF0); })},
        {"an endless comment", changed([&](OggPackets& p) {
             // One comment, whose length goes far past the packet.
             p.comment = p.comment.substr(0, countAt(p.comment)) + std::string(8, '\0') + "ab\x01";
             put32(p.comment, countAt(p.comment), 1);
             put32(p.comment, countAt(p.comment) + 4, 0x7FFFFFFF);
         })},
        {"a tiny file of countless comments", tinyFile},
        {"a codebook of 16 million entries",
         changed([](OggPackets& p) {
             // The first codebook starts after the count: sync (3 bytes), dimensions (2), entries (3).
             p.setup[8 + 5] = p.setup[8 + 6] = p.setup[8 + 7] = char(0xFF);
         })},
        // The first code length of the first codebook, one longer or shorter.
        {"a codebook that is no prefix code", changed([](OggPackets& p) { p.setup[16] ^= 0x04; })},
        {"a rate of 1 Hz", changed([](OggPackets& p) { put32(p.id, 12, 1); })},
        {"no channels", changed([](OggPackets& p) { p.id[11] = 0; })},
        {"a second stream after the first", tone + oggFile(packetsOf(kTone), 8)},
        {"a damaged page", badChecksum},
        {"headers only", oggPage({tiny.id}, 0x02, 0, 7, 0)},
    };
    vorn::test::TempDir dir;
    const long before = peakMegabytes();
    for (const Case& c : cases) {
        const std::string path = dir.file("damaged.ogg");
        vorn::test::writeBytes(path, c.bytes);
        int error = 0;
        EXPECT_EQ(bass::decodeFile(path, 44100, &error), nullptr) << c.name;
        EXPECT_EQ(error, BASS_ERROR_FILEFORM) << c.name;
        error = 0;
        EXPECT_EQ(bass::streamSource(path, 44100, &error), nullptr) << c.name;
        EXPECT_EQ(error, BASS_ERROR_FILEFORM) << c.name;
    }
    EXPECT_LT(peakMegabytes() - before, 64 * kResidentPerByte);
}

// Packets of one byte that each stand for 4096 silent frames at 8 kHz: a
// small file that would decode to hundreds of megabytes at 44.1 kHz. A
// whole decoding stops at a bound tied to the file's size; a stream needs
// no more memory than any other.
TEST(BassDecode, AFileThatDecodesOutOfAllProportionToItsSizeIsRefusedWhole) {
    OggPackets p = packetsOf(kTone);
    put32(p.id, 12, 8000);
    p.id[28] = char(0xD8); // blocks of 256 and 8192 samples
    // Not audio; mode 1 (long blocks) between long blocks; the one channel
    // unused this block.
    p.audio.assign(8 * 255, std::string(1, char(0x0E)));
    vorn::test::TempDir dir;
    const std::string path = dir.file("silence.ogg");
    const std::string file = oggFile(p);
    vorn::test::writeBytes(path, file);
    const long before = peakMegabytes();
    int error = 0;
    EXPECT_EQ(bass::decodeFile(path, 44100, &error), nullptr);
    EXPECT_EQ(error, BASS_ERROR_FILEFORM);
    // 256 stereo float frames per byte of file at most; as they grow, the
    // old blocks are held too (and kept a while by the address sanitizer).
    const long bound = (long(file.size() * 256 * 8 * 4 / (1024 * 1024)) + 64) * kResidentPerByte;
    EXPECT_LT(peakMegabytes() - before, bound);

    auto stream = bass::streamSource(path, 44100, &error);
    ASSERT_NE(stream, nullptr) << error;
    std::vector<float> out(2 * 44100);
    for (int second = 0; second < 20; ++second) ASSERT_EQ(stream->read(out.data(), 44100), 44100u);
    for (float v : out) ASSERT_EQ(v, 0.0f);
    EXPECT_LT(peakMegabytes() - before, bound);
}

// A sound of a given length whose left side counts frames up from 1 and
// whose right side is constant.
std::shared_ptr<bass::Pcm> ramp(std::size_t frames, float right = 0.5f) {
    auto pcm = std::make_shared<bass::Pcm>();
    for (std::size_t i = 0; i < frames; ++i) {
        pcm->samples.push_back(float(i + 1) / 1000.0f);
        pcm->samples.push_back(right);
    }
    return pcm;
}

bass::Voice voiceOf(std::shared_ptr<bass::Pcm> pcm, float volume, float pan, bool loop) {
    bass::Voice v;
    v.source = bass::pcmSource(std::move(pcm));
    v.volume = volume;
    v.pan = pan;
    v.loop = loop;
    v.playing = true;
    return v;
}

TEST(BassMix, VolumeAndPanScaleEachSide) {
    struct Case {
        float volume, pan, left, right;
    };
    for (const Case& c : {Case{1.0f, 0.0f, 1.0f, 1.0f}, Case{0.5f, 0.0f, 0.5f, 0.5f}, Case{1.0f, -1.0f, 1.0f, 0.0f},
                          Case{1.0f, 0.5f, 0.5f, 1.0f}, Case{0.0f, 0.0f, 0.0f, 0.0f}}) {
        bass::Voice v = voiceOf(ramp(4, 0.5f), c.volume, c.pan, false);
        std::vector<float> out(8, 0.0f);
        bass::mix({&v}, out.data(), 4);
        EXPECT_FLOAT_EQ(out[2], 0.002f * c.left) << c.volume << " " << c.pan;
        EXPECT_FLOAT_EQ(out[3], 0.5f * c.right) << c.volume << " " << c.pan;
    }
}

TEST(BassMix, VoicesAddUpAndOnlyPlayingOnesSound) {
    bass::Voice a = voiceOf(ramp(8), 1.0f, 0.0f, false);
    bass::Voice b = voiceOf(ramp(8), 0.5f, 0.0f, false);
    bass::Voice paused = voiceOf(ramp(8), 1.0f, 0.0f, false);
    paused.playing = false;
    std::vector<float> out(16, 0.0f);
    bass::mix({&a, &b, &paused}, out.data(), 8);
    EXPECT_FLOAT_EQ(out[0], 0.0015f);
    EXPECT_FLOAT_EQ(out[15], 0.75f);
    // The paused voice kept its place.
    std::vector<float> next(2, 0.0f);
    paused.playing = true;
    bass::mix({&paused}, next.data(), 1);
    EXPECT_FLOAT_EQ(next[0], 0.001f);
}

TEST(BassMix, ASoundEndsOrLoopsAcrossBufferBoundaries) {
    bass::Voice once = voiceOf(ramp(5), 1.0f, 0.0f, false);
    bass::Voice looped = voiceOf(ramp(5), 1.0f, 0.0f, true);
    std::vector<float> out(2 * 700, 0.0f);
    bass::mix({&once}, out.data(), 700);
    EXPECT_FALSE(once.playing);
    EXPECT_TRUE(once.ended);
    EXPECT_FLOAT_EQ(out[8], 0.005f);
    EXPECT_FLOAT_EQ(out[10], 0.0f);

    std::fill(out.begin(), out.end(), 0.0f);
    bass::mix({&looped}, out.data(), 700);
    EXPECT_TRUE(looped.playing);
    for (std::size_t i = 0; i < 700; ++i) ASSERT_FLOAT_EQ(out[2 * i], float(i % 5 + 1) / 1000.0f) << i;
    // The next buffer goes on where this one stopped.
    std::vector<float> more(2, 0.0f);
    bass::mix({&looped}, more.data(), 1);
    EXPECT_FLOAT_EQ(more[0], 0.001f); // 700 is a whole number of loops
}

TEST(BassMix, AnEmptyLoopingSoundStopsInsteadOfSpinning) {
    bass::Voice empty = voiceOf(std::make_shared<bass::Pcm>(), 1.0f, 0.0f, true);
    std::vector<float> out(64, 0.0f);
    bass::mix({&empty}, out.data(), 32);
    EXPECT_FALSE(empty.playing);
    for (float s : out) EXPECT_EQ(s, 0.0f);
}

TEST(BassMix, SixteenBitOutputClipsAndRounds) {
    const std::vector<float> in{0.0f, 1.0f, -1.0f, 1.7f, -3.0f, 0.5f, NAN, -0.25f};
    std::vector<std::int16_t> out(in.size());
    bass::toS16(in.data(), out.data(), in.size());
    EXPECT_EQ(out, (std::vector<std::int16_t>{0, 32767, -32767, 32767, -32767, 16384, 0, -8192}));
}

class BassDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode(); }
    void TearDown() override { BASS_Free(); }
};

TEST(BassLayer, NothingWorksBeforeTheDeviceOpens) {
    EXPECT_EQ(BASS_SampleLoad(FALSE, kTone.c_str(), 0, 0, 10, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, kLoop.c_str(), 0, 0, 0), 0u);
    EXPECT_FALSE(BASS_Free());
    EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST_F(BassDevice, HandleZeroAndUnknownHandlesFailHarmlessly) {
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    for (DWORD h : {0u, 12345u}) {
        BASS_SAMPLE info{};
        EXPECT_FALSE(BASS_SampleGetInfo(h, &info));
        EXPECT_FALSE(BASS_SampleSetInfo(h, &info));
        EXPECT_EQ(BASS_SampleGetChannel(h, FALSE), 0u);
        EXPECT_EQ(BASS_ChannelFlags(h, BASS_SAMPLE_LOOP, BASS_SAMPLE_LOOP), DWORD(-1));
        EXPECT_FALSE(BASS_ChannelPlay(h, TRUE));
        EXPECT_FALSE(BASS_ChannelStop(h));
        EXPECT_FALSE(BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, 0.5f));
        EXPECT_FALSE(BASS_SampleFree(h));
        EXPECT_FALSE(BASS_StreamFree(h));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
    EXPECT_EQ(BASS_SampleLoad(FALSE, "no/such/file.ogg", 0, 0, 10, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_SampleLoad(TRUE, kTone.c_str(), 0, 0, 10, 0), 0u);
}

TEST_F(BassDevice, ASampleGivesAtMostItsLimitOfChannels) {
    const HSAMPLE sample = BASS_SampleLoad(FALSE, kTone.c_str(), 0, 0, 3, 0);
    ASSERT_NE(sample, 0u);
    BASS_SAMPLE info{};
    ASSERT_TRUE(BASS_SampleGetInfo(sample, &info));
    EXPECT_EQ(info.max, 3u);
    EXPECT_EQ(info.chans, 1u);
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_FLOAT_EQ(info.volume, 1.0f);
    std::vector<HCHANNEL> channels;
    for (int i = 0; i < 3; ++i) channels.push_back(BASS_SampleGetChannel(sample, FALSE));
    for (HCHANNEL c : channels) EXPECT_NE(c, 0u);
    EXPECT_EQ(BASS_SampleGetChannel(sample, FALSE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOCHAN);
    // A stopped channel is spent and makes room.
    EXPECT_TRUE(BASS_ChannelStop(channels[1]));
    EXPECT_FALSE(BASS_ChannelPlay(channels[1], TRUE));
    EXPECT_NE(BASS_SampleGetChannel(sample, FALSE), 0u);
    // Freeing the sample takes its channels along.
    EXPECT_TRUE(BASS_SampleFree(sample));
    EXPECT_FALSE(BASS_ChannelPlay(channels[0], TRUE));
}

TEST_F(BassDevice, TheMinimumGapHoldsBackANewChannel) {
    const HSAMPLE sample = BASS_SampleLoad(FALSE, kTone.c_str(), 0, 0, 10, 0);
    BASS_SAMPLE info{};
    BASS_SampleGetInfo(sample, &info);
    info.mingap = 60000;
    ASSERT_TRUE(BASS_SampleSetInfo(sample, &info));
    EXPECT_NE(BASS_SampleGetChannel(sample, FALSE), 0u);
    EXPECT_EQ(BASS_SampleGetChannel(sample, FALSE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOCHAN);
}

TEST_F(BassDevice, ChannelSettingsAreCheckedAndKept) {
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, kLoop.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelFlags(stream, BASS_SAMPLE_LOOP, BASS_SAMPLE_LOOP), DWORD(BASS_SAMPLE_LOOP));
    EXPECT_EQ(BASS_ChannelFlags(stream, 0, 0), DWORD(BASS_SAMPLE_LOOP));
    EXPECT_EQ(BASS_ChannelFlags(stream, 0, BASS_SAMPLE_LOOP), 0u);
    EXPECT_FALSE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, NAN));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_FALSE(BASS_ChannelSetAttribute(stream, 99, 0.5f));
    EXPECT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.25f));
    EXPECT_TRUE(BASS_ChannelPlay(stream, TRUE));
    EXPECT_TRUE(BASS_ChannelStop(stream));
    // A stopped stream only pauses; freeing ends it.
    EXPECT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_TRUE(BASS_StreamFree(stream));
    EXPECT_FALSE(BASS_ChannelPlay(stream, TRUE));
}

// The audio thread mixes from the tables while this thread loads, starts,
// stops and frees sounds; the thread sanitizer watches the lock.
TEST(BassThreaded, TablesChangeWhileTheDeviceMixes) {
    vorn::test::TempDir dir;
    vorn::test::DiskCapture capture(dir.file("out.raw"));
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    for (int round = 0; round < 20; ++round) {
        const HSAMPLE sample = BASS_SampleLoad(FALSE, kTone.c_str(), 0, 0, 4, 0);
        ASSERT_NE(sample, 0u);
        const HSTREAM stream = BASS_StreamCreateFile(FALSE, kLoop.c_str(), 0, 0, BASS_SAMPLE_LOOP);
        BASS_ChannelPlay(stream, TRUE);
        for (int i = 0; i < 6; ++i) {
            const HCHANNEL c = BASS_SampleGetChannel(sample, FALSE);
            BASS_ChannelSetAttribute(c, BASS_ATTRIB_VOL, 0.1f);
            BASS_ChannelPlay(c, TRUE);
            if (i % 2) BASS_ChannelStop(c);
        }
        EXPECT_TRUE(capture.waitForMore(512));
        BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.5f);
        BASS_StreamFree(stream);
        BASS_SampleFree(sample);
    }
    EXPECT_TRUE(BASS_Free());
}

} // namespace
