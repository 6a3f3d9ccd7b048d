#include "scene/NodeFactory.h"

#include "audio/Sound.h"
#include "scene/Animation.h"
#include "scene/Effect.h"
#include "scene/Image.h"
#include "scene/Image9.h"
#include "scene/Node.h"
#include "scene/Sprite.h"
#include "scene/Text.h"
#include "widgets/Button.h"
#include "widgets/CheckBox.h"
#include "widgets/DistortionMesh.h"
#include "widgets/DragBox.h"
#include "widgets/NodeList.h"
#include "widgets/ParticleEmitter.h"
#include "widgets/ParticleSystem.h"
#include "widgets/Progress.h"
#include "widgets/RadioButton.h"
#include "widgets/Slider.h"
#include "widgets/Slideshow.h"
#include "widgets/SpinBox.h"
#include "widgets/TextInput.h"
#include "widgets/VariantContainer.h"

#include <tinyxml2.h>

namespace vorn {

namespace {

template <typename T>
Node* makeNode() {
    return new T();
}

} // namespace

NodeFactory& NodeFactory::instance() {
    static NodeFactory* factory = new NodeFactory();
    return *factory;
}

NodeFactory::NodeFactory() {
    creators_ = {
        {"container", makeNode<Node>},
        {"image", makeNode<Image>},
        {"animation", makeNode<Animation>},
        {"text", makeNode<Text>},
        {"image9", makeNode<Image9>},
        {"sprite", makeNode<Sprite>},
        {"effect", makeNode<Effect>},
        {"sound", makeNode<Sound>},
        {"button", makeNode<Button>},
        {"checkbox", makeNode<CheckBox>},
        {"check_box", makeNode<CheckBox>},
        {"radio_button", makeNode<RadioButton>},
        {"dragbox", makeNode<DragBox>},
        {"drag_box", makeNode<DragBox>},
        {"progress", makeNode<Progress>},
        {"nodelist", makeNode<NodeList>},
        {"node_list", makeNode<NodeList>},
        {"spinbox", makeNode<SpinBox>},
        {"spin_box", makeNode<SpinBox>},
        {"variant_container", makeNode<VariantContainer>},
        {"text_input", makeNode<TextInput>},
        {"slider", makeNode<Slider>},
        {"slideshow", makeNode<Slideshow>},
        {"particle_system", makeNode<ParticleSystem>},
        {"particle_emitter", makeNode<ParticleSystem::Emitter>},
        {"distortion_mesh", makeNode<DistortionMesh>},
    };
}

std::shared_ptr<Node> NodeFactory::create(const tinyxml2::XMLElement* element) const {
    if (!element) return nullptr;
    const auto creator = creators_.find(element->Name());
    if (creator == creators_.end()) return nullptr;
    // Its own control block: the node's self-reference is tied to it.
    std::shared_ptr<Node> node(creator->second());
    node->load(element);
    return node;
}

} // namespace vorn
