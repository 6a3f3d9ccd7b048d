// Scissor rectangles given in design units, drawn for real in full screen
// on the desktops the game meets: the design area letterboxed into the back
// buffer (bars above and below on 1280 x 1024, at the sides on 1920 x 1080,
// a large screen), and the scissor cut where the design rectangle shows.
#include "app/Application.h"
#include "core/Platform.h"

#include "render/D3DFixture.h"
#include "support/HeadlessApp.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace {

using vorn::Color;
using vorn::Rect;

struct Desktop {
    int width, height;
};

void PrintTo(const Desktop& d, std::ostream* os) { *os << d.width << "x" << d.height; }

class ScissorViewport : public vorn::test::D3DFixture, public ::testing::WithParamInterface<Desktop> {
protected:
    void TearDown() override {
        vorn::Application::setInstance(nullptr);
        vorn::Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
        D3DFixture::TearDown();
    }
};

TEST_P(ScissorViewport, CutsAtTheDesignRectangleInsideTheLetterbox) {
    if (!render) return; // skipped: no display
    const Desktop desktop = GetParam();
    vorn::Platform::instance()->setDesktopSizeForTesting({desktop.width, desktop.height});
    vorn::test::HeadlessApp app;
    vorn::Application::setInstance(&app);
    app.calculateViewport();
    const Rect viewport = app.viewport();
    useBackBuffer(desktop.width, desktop.height);

    beginFrame();
    render->setViewport(viewport);
    render->setProjection(vorn::topLeftOrtho(1024.0f, 768.0f));
    // The design rectangle (120, 80) to (320, 180), given under a translation.
    render->setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(100.0f, 50.0f, 0.0f)));
    render->setClipRect(Rect(20, 30, 200, 100), false);
    render->setMatrix(glm::mat4(1.0f));
    render->drawVertexData(vorn::test::quad(0, 0, 1024, 768, Color(1, 1, 1, 1)));
    render->disableClip();
    // Where the scissor does not reach, the design area shows grey.
    render->drawVertexData(vorn::test::quad(0, 0, 1024, 10, Color(0.5f, 0.5f, 0.5f, 1)));
    endFrame();

    const float k = viewport.w / 1024.0f;
    const auto px = [&](float x) { return static_cast<int>(std::lround(viewport.x + x * k)); };
    const auto py = [&](float y) { return static_cast<int>(std::lround(viewport.y + y * k)); };
    const std::uint32_t white = 0xFFFFFF, black = 0x000000, grey = 0x808080;
    probe(px(120) + 2, py(80) + 2, white);
    probe(px(320) - 3, py(180) - 3, white);
    probe(px(220), py(130), white);
    probe(px(120) - 3, py(130), black);
    probe(px(320) + 3, py(130), black);
    probe(px(220), py(80) - 3, black);
    probe(px(220), py(180) + 3, black);
    // The design area's own top edge, and the bar beside or above it.
    probe(px(512), py(5), grey);
    if (viewport.x > 0.0f) probe(static_cast<int>(viewport.x) - 3, py(5), black);
    if (viewport.y > 0.0f) probe(px(512), static_cast<int>(viewport.y) - 3, black);
}

INSTANTIATE_TEST_SUITE_P(Desktops, ScissorViewport, ::testing::Values(Desktop{1280, 1024}, Desktop{1920, 1080}),
                         [](const auto& caseInfo) {
                             return std::to_string(caseInfo.param.width) + "x" + std::to_string(caseInfo.param.height);
                         });

} // namespace
