#include "screens/ArtifactHandover.h"

#include "core/Log.h"
#include "scene/Node.h"

namespace {

// Stands in while the game has no artifact collection: nothing is the
// player's, nothing can be handed over.
class NoCollection : public ArtifactHandover {
public:
    bool isCollected(const std::string&) override { return false; }
    bool isPlaced(const std::string&) override { return false; }
    bool collectPart(const std::string& id) override {
        vorn::log("artifact part %s not handed over: there is no artifact collection", id.c_str());
        return false;
    }
    void saveIfChanged() override {}
    std::shared_ptr<vorn::Node> makePartNode(const std::string& id) override {
        vorn::log("artifact part %s not shown: there are no part nodes", id.c_str());
        return nullptr;
    }
};

NoCollection noCollection;
ArtifactHandover* inUse = &noCollection;

} // namespace

ArtifactHandover& ArtifactHandover::current() { return *inUse; }

void ArtifactHandover::use(ArtifactHandover* handover) { inUse = handover ? handover : &noCollection; }
