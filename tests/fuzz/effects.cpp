// Effect files: node XML added as an effect over a node, stepped until it
// has run its course.
#include "FuzzSupport.h"

#include "core/ResourceManager.h"
#include "scene/Effect.h"
#include "scene/Scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    vorn::fuzz::sharedRun();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::fuzz::Run& run = vorn::fuzz::sharedRun();
    const std::string path = vorn::fuzz::writeScratch("effect.xml", data, size);
    vorn::ResourceManager::instance()->clearXMLCache();
    auto scene = std::make_shared<vorn::Scene>(&run.app);
    run.app.runScene(scene);
    scene->addEffect(path, {100.0f, 100.0f});
    run.step(1.0f, 6);
    run.app.runScene(nullptr);
    return 0;
}
