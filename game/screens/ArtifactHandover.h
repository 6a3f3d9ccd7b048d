#pragma once

#include <memory>
#include <string>

namespace vorn {
class Node;
}

// What the win sequence needs of the artifact collection: whether a part
// is already the player's, handing a part over, saving the collection, and
// the node that shows a part arriving. The one in use is the player's
// collection (the artifact manager and its part nodes); a test may put
// another in its place.
class ArtifactHandover {
public:
    virtual ~ArtifactHandover() = default;

    virtual bool isCollected(const std::string& id) = 0;
    virtual bool isPlaced(const std::string& id) = 0;
    // True when the part was new to the player.
    virtual bool collectPart(const std::string& id) = 0;
    virtual void saveIfChanged() = 0;
    // A part node in its "pre_win" and "win" states; null when none can be made.
    virtual std::shared_ptr<vorn::Node> makePartNode(const std::string& id) = 0;

    // The handover in use; never null.
    static ArtifactHandover& current();
    // Replaces it; null brings back the player's collection. The caller
    // keeps the object alive while it is in use.
    static void use(ArtifactHandover* handover);
};
