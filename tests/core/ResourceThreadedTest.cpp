#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "core/XMLDocument.h"
#include "render/ImageData.h"
#include "render/fonts/Font.h"

#include "ResourceFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <latch>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using vorn::ResourceManager;
using vorn::test::DataTree;
using vorn::test::FakeRender;
using vorn::test::FakeTexture;

namespace {

const std::string shippedFont = vorn::test::readBytes("data/fonts/DejaVuSans-Bold.ttf");

// Raw RGBA pixels, 2 x 2.
const std::string pixels(2 * 2 * 4, '\x40');

struct Round {
    std::vector<std::string> names; // requested in this order by one thread, reversed by the other
    std::vector<float> fontSizes;
};

// Files for one round: fresh names, so every round races on first loads.
Round writeRound(const DataTree& tree, int round) {
    Round r;
    const std::string n = std::to_string(round);
    tree.write("data/atlases/sheet" + n + ".png", pixels);
    std::string atlas = "<atlas imagePath=\"sheet" + n + ".png\">";
    for (int i = 0; i < 4; ++i) {
        atlas += "<sprite n=\"r" + n + "s" + std::to_string(i) + "@2x.png\" x=\"0\" y=\"0\" w=\"1\" h=\"1\"/>";
    }
    tree.write("data/r" + n + ".atlas.xml", atlas + "</atlas>");
    for (int i = 0; i < 6; ++i) {
        const std::string id = "r" + n + "_" + std::to_string(i);
        tree.write("data/scenes/" + id + ".sg.xml", "<scene name=\"" + id + "\"><node/></scene>");
        tree.write("data/gfx/" + id + ".png", pixels);
        r.names.push_back("data/scenes/" + id + ".sg.xml");
        r.names.push_back("data/gfx/" + id + ".png");
    }
    // The atlas comes first for both threads: its sprites are found only
    // after it was loaded.
    r.names.insert(r.names.begin(), "data/r" + n + ".atlas.xml");
    r.names.push_back("face.ttf:" + std::to_string(10 + round));
    r.fontSizes = {static_cast<float>(10 + round), static_cast<float>(40 + round)};
    return r;
}

std::vector<std::string> spriteNames(int round) {
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) names.push_back("r" + std::to_string(round) + "s" + std::to_string(i) + ".png");
    return names;
}

using Seen = std::map<std::string, std::shared_ptr<vorn::Resource>>;

void requestAll(const Round& round, const std::vector<std::string>& sprites, bool reversed, Seen& seen,
                std::map<float, std::shared_ptr<vorn::Font>>& fonts) {
    ResourceManager* manager = ResourceManager::instance();
    seen[round.names.front()] = manager->getResource(round.names.front());
    std::vector<std::string> rest(round.names.begin() + 1, round.names.end());
    rest.insert(rest.end(), sprites.begin(), sprites.end());
    if (reversed) std::reverse(rest.begin(), rest.end());
    for (const std::string& name : rest) seen[name] = manager->getResource(name);
    for (float size : round.fontSizes) fonts[size] = manager->getFont("face.ttf", size);
}

} // namespace

TEST(ResourceManagerThreaded, BothThreadsGetOneObjectPerNameAndNothingIsUploadedOffTheMainThread) {
    DataTree tree;
    FakeRender render;
    vorn::Platform::instance()->setDesktopSizeForTesting({1280.0f, 720.0f});
    ResourceManager* manager = ResourceManager::instance();
    manager->setRender(&render);
    tree.write("data/fonts/face.ttf", shippedFont);

    constexpr int rounds = 8;
    constexpr int texturesPerRound = 6 + 1; // six images and the atlas
    for (int round = 0; round < rounds; ++round) {
        const Round r = writeRound(tree, round);
        const std::vector<std::string> sprites = spriteNames(round);
        Seen mainSeen;
        Seen workerSeen;
        std::map<float, std::shared_ptr<vorn::Font>> mainFonts;
        std::map<float, std::shared_ptr<vorn::Font>> workerFonts;

        const int texturesBefore = render.texturesMade;
        std::latch start(2);
        std::thread worker([&] {
            start.arrive_and_wait();
            requestAll(r, sprites, true, workerSeen, workerFonts);
        });
        start.arrive_and_wait();
        requestAll(r, sprites, false, mainSeen, mainFonts);
        worker.join();

        ASSERT_EQ(mainSeen.size(), workerSeen.size());
        for (const auto& [name, resource] : mainSeen) {
            ASSERT_TRUE(resource) << name;
            EXPECT_EQ(workerSeen.at(name), resource) << name << " in round " << round;
            EXPECT_EQ(manager->getResource(name), resource) << name;
        }
        for (const auto& [size, font] : mainFonts) {
            ASSERT_TRUE(font);
            EXPECT_EQ(workerFonts.at(size), font) << "size " << size;
        }
        EXPECT_EQ(mainSeen.at(r.names.back()), mainFonts.at(r.fontSizes.front()));

        // Each image and the atlas made exactly one texture: no name was
        // loaded twice, even when both threads asked at the same moment.
        EXPECT_EQ(render.texturesMade - texturesBefore, texturesPerRound) << "round " << round;

        // Uploads wait for the main thread.
        for (const auto& [name, resource] : mainSeen) {
            auto frame = std::dynamic_pointer_cast<vorn::ImageData>(resource);
            if (!frame) continue;
            auto* texture = dynamic_cast<FakeTexture*>(frame->getTexture().get());
            ASSERT_TRUE(texture) << name;
            EXPECT_EQ(texture->loads, 0) << name;
        }
        for (const auto& [name, resource] : mainSeen) resource->load();
        for (const auto& [name, resource] : mainSeen) {
            auto frame = std::dynamic_pointer_cast<vorn::ImageData>(resource);
            if (!frame) continue;
            auto* texture = dynamic_cast<FakeTexture*>(frame->getTexture().get());
            EXPECT_GE(texture->loads, 1) << name;
            EXPECT_EQ(texture->loadThread, std::this_thread::get_id()) << name;
        }
    }
    manager->setRender(nullptr);
}

TEST(ResourceManagerThreaded, CacheClearedWhileTheWorkerLoadsStaysConsistent) {
    DataTree tree;
    vorn::Platform::instance()->setDesktopSizeForTesting({1280.0f, 720.0f});
    ResourceManager* manager = ResourceManager::instance();
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back("data/scenes/s" + std::to_string(i) + ".sg.xml");
        tree.write(names.back(), "<scene/>");
    }
    std::latch start(2);
    std::thread worker([&] {
        start.arrive_and_wait();
        for (int pass = 0; pass < 3; ++pass) {
            for (const std::string& name : names) ASSERT_TRUE(manager->getResource(name)) << name;
        }
    });
    start.arrive_and_wait();
    for (int i = 0; i < 20; ++i) manager->clearXMLCache();
    worker.join();
    // Whatever was dropped is read again, once, and then kept.
    for (const std::string& name : names) {
        const auto document = manager->getResource(name);
        ASSERT_TRUE(document) << name;
        EXPECT_EQ(manager->getResource(name), document) << name;
    }
}
