// A press cut short by the window losing the focus, through the real scene:
// the application ends it away from every node, so nothing is clicked, the
// capture is let go and the pressed node sees the pointer leave.
#include "app/Application.h"
#include "scene/Scene.h"

#include "support/HeadlessApp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using vorn::Node;

// Clicks as a push button does: a press on it, then a release over it. It
// may hold the pointer from the press to the release.
class ClickCounter : public Node {
public:
    explicit ClickCounter(bool captures) : captures_(captures) {}

    bool mouseDown(const glm::vec2& point, vorn::eButtonName button) override {
        if (!containsPoint(point)) return false;
        pressed = true;
        if (captures_) scene()->setMouseCapture(shared_from_this());
        return Node::mouseDown(point, button);
    }
    bool mouseUp(const glm::vec2& point, vorn::eButtonName button) override {
        scene()->releaseMouseCapture(this);
        if (pressed && containsPoint(point)) ++clicks;
        pressed = false;
        return Node::mouseUp(point, button);
    }
    void mouseLeave() override {
        ++leaves;
        pressed = false;
        Node::mouseLeave();
    }

    bool pressed = false;
    int clicks = 0;
    int leaves = 0;

private:
    vorn::Scene* scene() const { return vorn::Application::instance()->runningScene().get(); }
    bool captures_;
};

class FocusLoss : public ::testing::TestWithParam<bool> {
protected:
    vorn::test::HeadlessRun run;
};

TEST_P(FocusLoss, EndsAPressWithoutAClick) {
    const auto scene = run.run();
    auto button = std::make_shared<ClickCounter>(GetParam());
    button->setPosition(100, 100);
    button->setSize({200, 100});
    scene->addChild(button);
    run.step(0.0f);
    const glm::vec2 on{150, 150};

    run.app.mouseMove(on, vorn::BUTTON_LEFT);
    ASSERT_EQ(scene->hoveredChild(), button);
    run.app.mouseDown(on, vorn::BUTTON_LEFT);
    ASSERT_TRUE(button->pressed);
    ASSERT_EQ(scene->mouseCapture(), GetParam() ? button : nullptr);

    run.app.deactivate();
    EXPECT_EQ(button->clicks, 0);
    EXPECT_FALSE(button->pressed);
    EXPECT_EQ(scene->mouseCapture(), nullptr);
    EXPECT_EQ(button->leaves, 1);
    EXPECT_EQ(scene->hoveredChild(), nullptr);

    // The real release over the button belongs to the press cut short.
    run.app.activate();
    run.app.mouseUp(on, vorn::BUTTON_LEFT);
    EXPECT_EQ(button->clicks, 0);

    // Nothing is stuck: the next press and release click once.
    run.app.mouseMove(on, vorn::BUTTON_LEFT);
    run.app.mouseDown(on, vorn::BUTTON_LEFT);
    run.app.mouseUp(on, vorn::BUTTON_LEFT);
    EXPECT_EQ(button->clicks, 1);
    EXPECT_EQ(scene->mouseCapture(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Buttons, FocusLoss, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& param) {
    return std::string(param.param ? "HoldingTheCapture" : "RoutedByHitTesting");
});

} // namespace
