#pragma once

#include "scene/Node.h"

#include <memory>

namespace vorn {

class AudioSample;

// A node that plays its sample each time it enters the stage (element
// "sound", attribute "filename"). The sound is queued and played at the end
// of the frame, so several nodes of one sample entering together sound once.
class Sound : public virtual Node {
public:
    Sound() = default;
    ~Sound() override;

    void setProperties(const Attributes& attributes) override;
    void onSetup() override;
    void onEnterStage() override;

    const std::shared_ptr<AudioSample>& sample() const { return sample_; }

private:
    std::shared_ptr<AudioSample> sample_;
};

} // namespace vorn
