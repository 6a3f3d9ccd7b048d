// Bitmap font descriptions (XML), laid out and drawn. Their page pictures
// are found among the test fixtures.
#include "FuzzSupport.h"

#include "core/ResourceManager.h"
#include "render/DrawData.h"
#include "render/fonts/BMFont.h"

#include <tinyxml2.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    vorn::ResourceManager::instance()->addSearchPath("tests/render/fixtures");
    vorn::fuzz::sharedRun();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::fuzz::Run& run = vorn::fuzz::sharedRun();
    tinyxml2::XMLDocument document;
    if (document.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) return 0;
    if (!document.RootElement()) return 0;
    vorn::BMFont font(document.RootElement());
    const std::string text = "AV A\nVA \x01\xff";
    (void)font.measure(text);
    (void)font.filterText(text);
    (void)font.buildDrawData({1.0f, 2.0f, 0.0f}, text, 1.5f);
    font.prepareTextures();
    font.drawSpaced({0.0f, 0.0f, 0.0f}, text, 0.0f);
    run.render.flush();
    run.render.batches.clear();
    return 0;
}
