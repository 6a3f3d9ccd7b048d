#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

class Node;

// Makes the child nodes of node XML by element name ("container" gives a
// plain node). Names are matched exactly; an unknown name gives no node and
// no message, and its element is passed over with its subtree.
class NodeFactory {
public:
    static NodeFactory& instance();

    NodeFactory(const NodeFactory&) = delete;
    NodeFactory& operator=(const NodeFactory&) = delete;

    // A new node of the element's class, loaded from it; empty for an
    // unknown name. A malformed value throws out of here, the new node
    // released.
    std::shared_ptr<Node> create(const tinyxml2::XMLElement* element) const;
    bool knows(const std::string& name) const { return creators_.contains(name); }

private:
    NodeFactory();

    std::map<std::string, std::function<Node*()>> creators_;
};

} // namespace vorn
