#include "screens/ArtifactHandover.h"

#include "screens/ArtifactManager.h"
#include "screens/ArtifactPartNode.h"

namespace {

// The player's collection as the artifact manager keeps it.
class PlayerCollection : public ArtifactHandover {
public:
    bool isCollected(const std::string& id) override { return ArtifactManager::instance()->isCollected(id); }
    bool isPlaced(const std::string& id) override { return ArtifactManager::instance()->isPlaced(id); }
    bool collectPart(const std::string& id) override { return ArtifactManager::instance()->collectPart(id); }
    void saveIfChanged() override { ArtifactManager::instance()->saveIfChanged(); }
    std::shared_ptr<vorn::Node> makePartNode(const std::string& id) override {
        return std::make_shared<ArtifactPartNode>(id);
    }
};

PlayerCollection playerCollection;
ArtifactHandover* inUse = &playerCollection;

} // namespace

ArtifactHandover& ArtifactHandover::current() { return *inUse; }

void ArtifactHandover::use(ArtifactHandover* handover) { inUse = handover ? handover : &playerCollection; }
