#include "scene/NodeFactory.h"

#include "core/Sound.h"
#include "scene/Animation.h"
#include "scene/Effect.h"
#include "scene/Image.h"
#include "scene/Image9.h"
#include "scene/Node.h"
#include "scene/Sprite.h"
#include "scene/Text.h"
#include "widgets/DragBox.h"
#include "widgets/NodeList.h"
#include "widgets/Slideshow.h"

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
        {"image9", makeNode<Image9>},
        {"sprite", makeNode<Sprite>},
        {"effect", makeNode<Effect>},
        {"text", makeNode<Text>},
        {"sound", makeNode<Sound>},
        {"dragbox", makeNode<DragBox>},
        {"drag_box", makeNode<DragBox>},
        {"nodelist", makeNode<NodeList>},
        {"node_list", makeNode<NodeList>},
        {"slideshow", makeNode<Slideshow>},
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
