// The artifact part table, data/artifact_parts.json.
#include "FuzzSupport.h"

#include "screens/ArtifactManager.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = vorn::fuzz::writeScratch("artifact_parts.json", data, size);
    ArtifactManager* manager = ArtifactManager::instance();
    manager->readPartTable(path);
    for (const auto& [id, part] : manager->parts()) {
        (void)manager->partPosition(id);
        (void)manager->isGroupPlaced(part.group);
        (void)manager->placeProgress(part.place);
    }
    (void)manager->firstIncompletePlace();
    return 0;
}
