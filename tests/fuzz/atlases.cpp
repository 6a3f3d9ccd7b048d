// Atlas files (*.atlas.xml): the sprites of one texture. The pictures they
// name are small stand-ins in the scratch folder, found before the game's.
#include "FuzzSupport.h"

#include "core/ResourceManager.h"
#include "render/ImageData.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <filesystem>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    const std::string folder = vorn::fuzz::scratch() + "/data/atlases";
    std::filesystem::create_directories(folder);
    const std::vector<std::uint8_t> pixels(16 * 8 * 4, 0x80);
    for (const char* name : {"game_tiles.png", "game_ui.png", "game_tiles@2x.png", "game_ui@2x.png", "a.png"}) {
        vorn::test::writePng(folder + "/" + name, 16, 8, 4, pixels);
    }
    vorn::ResourceManager::instance()->addSearchPath(vorn::fuzz::scratch());
    vorn::fuzz::sharedRun();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = vorn::fuzz::writeScratch("fuzz.atlas.xml", data, size);
    vorn::ResourceManager* resources = vorn::ResourceManager::instance();
    const std::shared_ptr<vorn::ImageData> atlas = resources->loadAtlas(resources->resolve(path));
    if (atlas) (void)atlas->getWidth();
    return 0;
}
