// Scene files: node XML through the node factory, then a few frames of the
// scene running, so that states, transitions and node actions start.
#include "FuzzSupport.h"

#include "core/ResourceManager.h"
#include "scene/Scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    vorn::fuzz::sharedRun();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::fuzz::Run& run = vorn::fuzz::sharedRun();
    const std::string path = vorn::fuzz::writeScratch("scene.sg.xml", data, size);
    // Every input is a new file under the same name.
    vorn::ResourceManager::instance()->clearXMLCache();
    auto scene = std::make_shared<vorn::Scene>(&run.app);
    scene->load(path);
    run.app.runScene(scene, "appear");
    run.step(0.25f, 3);
    run.app.runScene(nullptr);
    return 0;
}
