// Action files: action XML through the action factory, run on a node for a
// few frames.
#include "FuzzSupport.h"

#include "scene/Action.h"
#include "scene/ActionFactory.h"
#include "scene/Node.h"
#include "scene/Scene.h"

#include <tinyxml2.h>

#include <exception>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    vorn::fuzz::sharedRun();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::fuzz::Run& run = vorn::fuzz::sharedRun();
    tinyxml2::XMLDocument document;
    if (document.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) return 0;
    std::unique_ptr<vorn::Action> action;
    try {
        action = vorn::ActionFactory::instance()->createOwned(document.RootElement());
    } catch (const std::exception&) {
        // Malformed numbers throw out of the factory; its callers log them.
        return 0;
    }
    if (!action) return 0;
    auto scene = std::make_shared<vorn::Scene>(&run.app);
    run.app.runScene(scene);
    auto node = std::make_shared<vorn::Node>();
    scene->addChild(node);
    node->runAction(action.release());
    run.step(0.3f, 8);
    run.app.runScene(nullptr);
    return 0;
}
