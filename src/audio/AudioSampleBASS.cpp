#include "audio/AudioSampleBASS.h"

#include "audio/AudioEngine.h"
#include "audio/AudioEngineBASS.h"

#include "platform/bass.h"

namespace vorn {

AudioSampleBASS::AudioSampleBASS(const std::string& path)
    : sample_(BASS_SampleLoad(FALSE, path.c_str(), 0, 0, 10, 0)) {
    if (sample_ == 0) AudioEngineBASS::logLoadFailure("Sound", path);
}

AudioSampleBASS::~AudioSampleBASS() { BASS_SampleFree(sample_); }

void AudioSampleBASS::play(bool loop) {
    if (sample_ != 0) {
        // A new channel takes the sample's defaults, so the volume in force
        // now reaches this play and leaves those already sounding alone.
        BASS_SAMPLE info{};
        BASS_SampleGetInfo(sample_, &info);
        info.volume = AudioEngine::instance()->soundVolume();
        info.pan = pan_;
        info.mingap = static_cast<DWORD>(minimumGap_ * 1000.0f);
        BASS_SampleSetInfo(sample_, &info);
    }
    channel_ = BASS_SampleGetChannel(sample_, FALSE);
    looping_ = loop;
    if (loop) BASS_ChannelFlags(channel_, BASS_SAMPLE_LOOP, BASS_SAMPLE_LOOP);
    BASS_ChannelPlay(channel_, TRUE);
}

void AudioSampleBASS::stop() {
    if (looping_) BASS_ChannelStop(channel_);
}

} // namespace vorn
