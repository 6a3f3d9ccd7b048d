#include "audio/Sound.h"

#include "audio/AudioEngine.h"
#include "audio/AudioSample.h"
#include "core/ResourceManager.h"

namespace vorn {

Sound::~Sound() = default;

void Sound::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    const auto file = attributes.find("filename");
    if (file == attributes.end()) return;
    // A name that gives no sound, or something else, leaves the node silent.
    sample_ = std::dynamic_pointer_cast<AudioSample>(ResourceManager::instance()->getResource(file->second.toString()));
}

void Sound::onSetup() {}

void Sound::onEnterStage() { AudioEngine::instance()->queueSound(sample_.get()); }

} // namespace vorn
