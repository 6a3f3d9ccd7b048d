// The BASS calls over one SDL audio device. The tables of samples, channels
// and streams are shared with SDL's audio thread, which mixes from them, so
// every access holds one lock. Files are opened and decoded outside it.
#include "platform/bass.h"
#include "platform/bass_mixer.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct SampleEntry {
    std::shared_ptr<const bass::Pcm> pcm;
    BASS_SAMPLE info{};
    Clock::time_point lastChannel{};
    bool hadChannel = false;
};

struct ChannelEntry {
    HSAMPLE sample = 0;
    DWORD flags = 0;
    bass::Voice voice;
};

struct StreamEntry {
    DWORD flags = 0;
    bass::Voice voice;
};

struct State {
    std::mutex mutex;
    bool ready = false;
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    DWORD nextHandle = 1;
    std::map<DWORD, SampleEntry> samples;
    std::map<DWORD, ChannelEntry> channels;
    std::map<DWORD, StreamEntry> streams;
    // The audio thread's own buffers, kept between callbacks.
    std::vector<bass::Voice*> table;
    std::vector<float> mixed;
};

// Never destroyed: SDL's audio thread may still run while statics go away.
State& state() {
    static State* s = new State();
    return *s;
}

thread_local int lastError = BASS_OK;

BOOL fail(int code) {
    lastError = code;
    return FALSE;
}

DWORD failHandle(int code) {
    lastError = code;
    return 0;
}

BOOL ok() {
    lastError = BASS_OK;
    return TRUE;
}

DWORD newHandle(State& s) {
    DWORD h = s.nextHandle++;
    if (h == 0) h = s.nextHandle++;
    return h;
}

// The voice of a sample channel or a stream; null for any other handle.
bass::Voice* findVoice(State& s, DWORD handle, DWORD** flags) {
    if (auto c = s.channels.find(handle); c != s.channels.end()) {
        *flags = &c->second.flags;
        return &c->second.voice;
    }
    if (auto t = s.streams.find(handle); t != s.streams.end()) {
        *flags = &t->second.flags;
        return &t->second.voice;
    }
    return nullptr;
}

void audioCallback(void*, Uint8* stream, int length) {
    State& s = state();
    const auto frames = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.mixed.assign(2 * frames, 0.0f);
        s.table.clear();
        for (auto& [handle, channel] : s.channels) s.table.push_back(&channel.voice);
        for (auto& [handle, entry] : s.streams) s.table.push_back(&entry.voice);
        bass::mix(s.table, s.mixed.data(), frames);
        // A sample channel is spent once it has played to its end.
        std::erase_if(s.channels, [](const auto& entry) { return entry.second.voice.ended; });
    }
    bass::toS16(s.mixed.data(), reinterpret_cast<std::int16_t*>(stream), 2 * frames);
}

bool plainFileRequest(BOOL mem, const void* file, QWORD offset, QWORD length) {
    return !mem && file != nullptr && offset == 0 && length == 0;
}

} // namespace

// Opening and closing the device is serialised by a lock of its own, never
// held together with the tables' lock: SDL holds its device lock while it
// calls the mixer, which takes the tables' lock.
static std::mutex& deviceMutex() {
    static std::mutex* m = new std::mutex();
    return *m;
}

BOOL BASS_Init(int device, DWORD freq, DWORD, HWND, const void*) {
    State& s = state();
    std::lock_guard<std::mutex> deviceLock(deviceMutex());
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.ready) return fail(BASS_ERROR_ALREADY);
    }
    if (device != -1 && device != 1) return fail(BASS_ERROR_DEVICE);
    if (freq == 0 || freq > 384000) return fail(BASS_ERROR_ILLPARAM);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return fail(BASS_ERROR_DRIVER);
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(freq);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = audioCallback;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device really takes.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(BASS_ERROR_DRIVER);
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.device = id;
        s.rate = static_cast<int>(freq);
        s.ready = true;
    }
    SDL_PauseAudioDevice(id, 0);
    return ok();
}

BOOL BASS_Free() {
    State& s = state();
    std::lock_guard<std::mutex> deviceLock(deviceMutex());
    SDL_AudioDeviceID id = 0;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.ready) return fail(BASS_ERROR_INIT);
        s.ready = false;
        id = s.device;
        s.device = 0;
    }
    // Closing waits for the audio thread, which may be waiting for the lock.
    SDL_CloseAudioDevice(id);
    std::map<DWORD, SampleEntry> samples;
    std::map<DWORD, ChannelEntry> channels;
    std::map<DWORD, StreamEntry> streams;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        samples.swap(s.samples);
        channels.swap(s.channels);
        streams.swap(s.streams);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return ok();
}

BOOL BASS_RecordFree() { return fail(BASS_ERROR_INIT); }

int BASS_ErrorGetCode() { return lastError; }

HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD max, DWORD flags) {
    State& s = state();
    int rate = 0;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.ready) return failHandle(BASS_ERROR_INIT);
        rate = s.rate;
    }
    if (!plainFileRequest(mem, file, offset, length)) return failHandle(BASS_ERROR_ILLPARAM);
    if (max == 0 || max > 65535) return failHandle(BASS_ERROR_ILLPARAM);
    int error = BASS_OK;
    auto pcm = bass::decodeFile(static_cast<const char*>(file), rate, &error);
    if (!pcm) return failHandle(error);

    std::lock_guard<std::mutex> lock(s.mutex);
    // The device may have been closed while the file was decoded.
    if (!s.ready || s.rate != rate) return failHandle(BASS_ERROR_INIT);
    SampleEntry entry;
    entry.info.freq = static_cast<DWORD>(rate);
    entry.info.volume = 1.0f;
    entry.info.pan = 0.0f;
    entry.info.flags = flags;
    entry.info.length = static_cast<DWORD>(std::min<std::size_t>(pcm->samples.size() * sizeof(float), 0xFFFFFFFFu));
    entry.info.max = max;
    entry.info.chans = static_cast<DWORD>(pcm->sourceChannels);
    entry.info.mingap = 0;
    entry.pcm = std::move(pcm);
    const DWORD handle = newHandle(s);
    s.samples.emplace(handle, std::move(entry));
    lastError = BASS_OK;
    return handle;
}

BOOL BASS_SampleFree(HSAMPLE handle) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.samples.find(handle);
    if (it == s.samples.end()) return fail(BASS_ERROR_HANDLE);
    s.samples.erase(it);
    std::erase_if(s.channels, [handle](const auto& entry) { return entry.second.sample == handle; });
    return ok();
}

BOOL BASS_SampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.samples.find(handle);
    if (it == s.samples.end()) return fail(BASS_ERROR_HANDLE);
    if (info == nullptr) return fail(BASS_ERROR_ILLPARAM);
    *info = it->second.info;
    return ok();
}

BOOL BASS_SampleSetInfo(HSAMPLE handle, const BASS_SAMPLE* info) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.samples.find(handle);
    if (it == s.samples.end()) return fail(BASS_ERROR_HANDLE);
    if (info == nullptr || !std::isfinite(info->volume) || !std::isfinite(info->pan) || info->max == 0) {
        return fail(BASS_ERROR_ILLPARAM);
    }
    BASS_SAMPLE& kept = it->second.info;
    // Only the defaults can change; what the data is stays as loaded.
    kept.volume = std::clamp(info->volume, 0.0f, 1.0f);
    kept.pan = std::clamp(info->pan, -1.0f, 1.0f);
    kept.flags = info->flags;
    kept.max = info->max;
    kept.mingap = info->mingap;
    return ok();
}

HCHANNEL BASS_SampleGetChannel(HSAMPLE handle, BOOL) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.samples.find(handle);
    if (it == s.samples.end()) return failHandle(BASS_ERROR_HANDLE);
    SampleEntry& sample = it->second;
    const Clock::time_point now = Clock::now();
    if (sample.hadChannel && sample.info.mingap > 0 &&
        now - sample.lastChannel < std::chrono::milliseconds(sample.info.mingap)) {
        return failHandle(BASS_ERROR_NOCHAN);
    }
    DWORD live = 0;
    for (const auto& [h, channel] : s.channels) {
        if (channel.sample == handle) ++live;
    }
    if (live >= sample.info.max) return failHandle(BASS_ERROR_NOCHAN);
    ChannelEntry channel;
    channel.sample = handle;
    channel.flags = sample.info.flags;
    channel.voice.source = bass::pcmSource(sample.pcm);
    channel.voice.volume = sample.info.volume;
    channel.voice.pan = sample.info.pan;
    channel.voice.loop = (sample.info.flags & BASS_SAMPLE_LOOP) != 0;
    sample.lastChannel = now;
    sample.hadChannel = true;
    const DWORD h = newHandle(s);
    s.channels.emplace(h, std::move(channel));
    lastError = BASS_OK;
    return h;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    State& s = state();
    int rate = 0;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.ready) return failHandle(BASS_ERROR_INIT);
        rate = s.rate;
    }
    if (!plainFileRequest(mem, file, offset, length)) return failHandle(BASS_ERROR_ILLPARAM);
    int error = BASS_OK;
    auto source = bass::streamSource(static_cast<const char*>(file), rate, &error);
    if (!source) return failHandle(error);

    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.ready || s.rate != rate) return failHandle(BASS_ERROR_INIT);
    StreamEntry entry;
    entry.flags = flags;
    entry.voice.source = std::move(source);
    entry.voice.loop = (flags & BASS_SAMPLE_LOOP) != 0;
    const DWORD h = newHandle(s);
    s.streams.emplace(h, std::move(entry));
    lastError = BASS_OK;
    return h;
}

BOOL BASS_StreamFree(HSTREAM handle) {
    State& s = state();
    StreamEntry gone;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.streams.find(handle);
        if (it == s.streams.end()) return fail(BASS_ERROR_HANDLE);
        gone = std::move(it->second);
        s.streams.erase(it);
    }
    // The decoder is closed outside the lock: the audio thread need not wait.
    return ok();
}

DWORD BASS_ChannelFlags(DWORD handle, DWORD flags, DWORD mask) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    DWORD* kept = nullptr;
    bass::Voice* voice = findVoice(s, handle, &kept);
    if (voice == nullptr) {
        lastError = BASS_ERROR_HANDLE;
        return static_cast<DWORD>(-1);
    }
    *kept = (*kept & ~mask) | (flags & mask);
    voice->loop = (*kept & BASS_SAMPLE_LOOP) != 0;
    lastError = BASS_OK;
    return *kept;
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    DWORD* flags = nullptr;
    bass::Voice* voice = findVoice(s, handle, &flags);
    if (voice == nullptr) return fail(BASS_ERROR_HANDLE);
    if (restart || voice->ended) voice->source->rewind();
    voice->playing = true;
    voice->ended = false;
    return ok();
}

BOOL BASS_ChannelStop(DWORD handle) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    // A stopped sample channel is spent; a stream only pauses at its place.
    if (auto c = s.channels.find(handle); c != s.channels.end()) {
        s.channels.erase(c);
        return ok();
    }
    if (auto t = s.streams.find(handle); t != s.streams.end()) {
        t->second.voice.playing = false;
        return ok();
    }
    return fail(BASS_ERROR_HANDLE);
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    DWORD* flags = nullptr;
    bass::Voice* voice = findVoice(s, handle, &flags);
    if (voice == nullptr) return fail(BASS_ERROR_HANDLE);
    if (attrib != BASS_ATTRIB_VOL) return fail(BASS_ERROR_ILLTYPE);
    if (!std::isfinite(value)) return fail(BASS_ERROR_ILLPARAM);
    voice->volume = std::clamp(value, 0.0f, 1.0f);
    return ok();
}
