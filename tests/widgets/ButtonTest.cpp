// Buttons: the default look, labels from text, keys and data sources, the
// looks through hover, press, release and the enabled flag, the order of
// effect, script and click event, and scenes replaced from inside a click.
#include "widgets/Button.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Localization.h"
#include "core/Locale.h"
#include "core/ResourceManager.h"
#include "core/VM.h"
#include "scene/Effect.h"
#include "scene/Image.h"
#include "scene/Text.h"
#include "widgets/DragBox.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Button;
using vorn::Node;

std::vector<std::string> visibleChildren(const Node& node) {
    std::vector<std::string> names;
    for (const auto& c : node.children()) {
        if (c->isVisible() && !dynamic_cast<vorn::Effect*>(c.get())) names.push_back(c->getName());
    }
    return names;
}

const char* const looks = R"~(<scene>
  <button name="b" x="100" y="100" w="200" h="60" on_click="count('b')">
    <container name="default" w="200" h="60"/>
    <container name="active" w="200" h="60"/>
    <container name="pressed" w="200" h="60"/>
    <container name="disabled" w="200" h="60"/>
  </button>
</scene>)~";

class Buttons : public vorn::test::WidgetFixture {
protected:
    // Effect files found under the test's folder first.
    void effectFiles() {
        std::filesystem::create_directories(dir.path() / "data/effects");
        vorn::test::writeBytes(dir.file("data/effects/click.xml"), R"~(<effect><container name="spark"/></effect>)~");
        vorn::test::writeBytes(dir.file("data/effects/click_inact.xml"),
                               R"~(<effect><container name="thud"/></effect>)~");
        vorn::ResourceManager::instance()->addSearchPath(dir.path().string());
    }
};

TEST_F(Buttons, AButtonWithoutChildrenMakesItsOwnLook) {
    start(R"~(<scene><button name="Play" w="120" h="40"/><button x="200" w="80" h="30"/></scene>)~");
    auto named = find<Button>("Play");
    ASSERT_EQ(named->children().size(), 3u);
    const struct {
        const char* name;
        vorn::Color color;
        glm::vec2 position;
    } expected[] = {{"default", vorn::Color(0xA0A0A0A0u), {0, 0}},
                    {"active", vorn::Color(0xA0AAD696u), {0, 0}},
                    {"pressed", vorn::Color(0xA0AAD696u), {2, 2}}};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& look = named->children()[i];
        EXPECT_EQ(look->getName(), expected[i].name);
        EXPECT_EQ(look->getPosition(), expected[i].position);
        EXPECT_EQ(look->getSize(), glm::vec2(120, 40));
        ASSERT_EQ(look->children().size(), 2u);
        auto* rectangle = dynamic_cast<vorn::Image*>(look->children()[0].get());
        ASSERT_NE(rectangle, nullptr);
        EXPECT_EQ(rectangle->getColor(), expected[i].color);
        EXPECT_EQ(rectangle->getSize(), glm::vec2(120, 40));
        auto* label = dynamic_cast<vorn::Text*>(look->children()[1].get());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->getText(), "Play");
        EXPECT_TRUE(label->isCenterParent());
    }
    EXPECT_EQ(visibleChildren(*named), std::vector<std::string>{"default"});

    auto plain = std::dynamic_pointer_cast<Button>(run.app.runningScene()->children()[1]);
    ASSERT_EQ(plain->children().size(), 3u);
    const vorn::Color opaque[] = {vorn::Color(0xA0A0A0A0u), vorn::Color(0xFFAAD696u), vorn::Color(0xFFAAD696u)};
    for (std::size_t i = 0; i < 3; ++i) {
        auto* rectangle = dynamic_cast<vorn::Image*>(plain->children()[i].get());
        ASSERT_NE(rectangle, nullptr);
        EXPECT_EQ(rectangle->getName(), expected[i].name);
        EXPECT_EQ(rectangle->getColor(), opaque[i]);
        EXPECT_EQ(rectangle->getPosition(), expected[i].position);
        EXPECT_TRUE(rectangle->children().empty());
    }
}

TEST_F(Buttons, TheLabelReachesEveryTextAndTheKeyWins) {
    vorn::Localization::instance()->current()->setText("play.label", "Let's go");
    start(R"~(<scene>
  <button name="b" w="100" h="40" text="Go" key="play.label">
    <container name="default"><text name="t1"/><container><text name="t2"/></container></container>
    <container name="active"><container><container><text name="t3"/></container></container></container>
  </button>
  <button name="c" w="100" h="40" text="Plain" dataSource="button.label">
    <container name="default"><text name="t4"/></container>
  </button>
  <button name="d" w="100" h="40" key="no.such.key"><text name="t5"/></button>
</scene>)~");
    for (const char* name : {"t1", "t2", "t3"}) EXPECT_EQ(find<vorn::Text>(name)->getText(), "Let's go") << name;
    EXPECT_EQ(find<vorn::Text>("t5")->getText(), "no.such.key");
    // The data source wins over the label once it speaks.
    vorn::DataSource::get("button.label")->set(vorn::Value("Bound"));
    EXPECT_EQ(find<vorn::Text>("t4")->getText(), "Bound");
    // A text added later keeps its own.
    auto late = std::make_shared<vorn::Text>();
    late->setText("mine");
    find("b")->addChild(late);
    EXPECT_EQ(late->getText(), "mine");
}

TEST_F(Buttons, TheLooksFollowHoverPressReleaseAndTheEnabledFlag) {
    start(looks);
    auto b = find<Button>("b");
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"default"});
    move(150, 120);
    deliver();
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"active"});
    press(150, 120);
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"pressed"});
    release(150, 120);
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"active"});
    move(500, 500);
    deliver();
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"default"});
    b->setEnabled(false);
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"disabled"});
    b->setEnabled(true);
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"default"});
}

TEST_F(Buttons, APressedButtonWithoutAPressedLookShowsActiveAndADisabledOneWithoutALookShowsNothing) {
    start(R"~(<scene><button name="b" w="100" h="40">
      <container name="default"/><container name="active"/></button></scene>)~");
    auto b = find<Button>("b");
    press(50, 20);
    EXPECT_EQ(visibleChildren(*b), std::vector<std::string>{"active"});
    b->setEnabled(false);
    EXPECT_TRUE(visibleChildren(*b).empty());
}

TEST_F(Buttons, AClickPlaysTheEffectRunsTheScriptAndThenPostsTheEvent) {
    effectFiles();
    start(looks);
    auto b = find<Button>("b");
    std::vector<std::string> order;
    vorn::VM::registerFunction("count", std::function<void(const std::string&)>([&](const std::string&) {
                                   bool effect = false;
                                   for (const auto& c : b->children()) effect = effect || dynamic_cast<vorn::Effect*>(c.get());
                                   order.push_back(effect ? "script after the effect" : "script before the effect");
                                   order.push_back(b->findChild("active", false)->isVisible() ? "active" : "not active");
                                   // Delivered in posting order: this one comes before the click
                                   // only when the script ran before the click was posted.
                                   vorn::DataSource::get("button.probe")->set(vorn::Value(1));
                               }));
    vorn::EventDispatcher::instance()->addListener(vorn::DataSource::get("button.probe"),
                                                   typeid(vorn::DataSource::ChangedEvent),
                                                   [&](vorn::Event*) { order.push_back("script's event"); });
    vorn::EventDispatcher::instance()->addListener(b.get(), typeid(Button::ClickEvent),
                                                   [&](vorn::Event*) { order.push_back("click"); });
    // The press began elsewhere: a release over the button still clicks.
    press(500, 500);
    release(150, 120);
    deliver();
    EXPECT_EQ(order, (std::vector<std::string>{"script after the effect", "active", "script's event", "click"}));
    ASSERT_NE(b->findChild("spark", true), nullptr);
}

TEST_F(Buttons, AnEmptyScriptStillClicksAndADisabledButtonOnlyThuds) {
    effectFiles();
    start(R"~(<scene><button name="b" w="100" h="40"/></scene>)~");
    auto b = find<Button>("b");
    auto clicks = listen(b.get(), typeid(Button::ClickEvent));
    click(50, 20);
    deliver();
    EXPECT_EQ(*clicks, 1);
    EXPECT_NE(b->findChild("spark", true), nullptr);

    b->setEnabled(false);
    // The routing passes a disabled button by; only a direct call reaches it.
    click(50, 20);
    b->mouseUp({50, 20}, vorn::BUTTON_LEFT);
    deliver();
    EXPECT_EQ(*clicks, 1);
    EXPECT_NE(b->findChild("thud", true), nullptr);
}

TEST_F(Buttons, TheClickScriptChangesTheSourceTheLabelFollows) {
    vorn::VM::registerFunction("tally", std::function<void()>([] {
                                   vorn::DataSource* clicks = vorn::DataSource::get("button.clicks");
                                   clicks->set(vorn::Value(clicks->value().asInt() + 1));
                               }));
    vorn::DataSource::get("button.clicks")->set(vorn::Value(0));
    start(R"~(<scene><button name="b" w="100" h="40" on_click="tally(); count('b')" dataSource="button.clicks">
      <container name="default"><text name="label"/></container></button></scene>)~");
    EXPECT_EQ(find<vorn::Text>("label")->getText(), "0");
    click(50, 20);
    click(50, 20);
    EXPECT_EQ(count("b"), 2);
    EXPECT_EQ(vorn::DataSource::get("button.clicks")->value(), vorn::Value(2));
    EXPECT_EQ(find<vorn::Text>("label")->getText(), "2");
}

TEST_F(Buttons, ASecondSetUpDoesNotDoubleTheHoverListeners) {
    start(looks);
    auto b = find<Button>("b");
    const std::size_t listeners = vorn::EventDispatcher::instance()->listenerCount(b.get());
    b->onSetup();
    EXPECT_EQ(vorn::EventDispatcher::instance()->listenerCount(b.get()), listeners);
    EXPECT_TRUE(b->isStateStop());
}

// The click script makes another scene current while the old one is still
// handling the release: the button, the drag box above it and the old
// scene must outlive that call (run under AddressSanitizer).
class SceneSwitch : public vorn::test::WidgetFixture,
                    public ::testing::WithParamInterface<std::string> {};

TEST_P(SceneSwitch, AClickThatReplacesTheSceneFinishesSafely) {
    vorn::DragBox::setClockForTesting([] { return std::int64_t{0}; });
    start(GetParam());
    std::weak_ptr<vorn::Scene> old = run.app.runningScene();
    std::weak_ptr<Node> button = find("go");
    auto next = load(R"~(<scene><container name="next"/></scene>)~");
    vorn::VM::registerFunction("switchScene", std::function<void()>([&] { run.app.runScene(next); }));
    press(150, 120);
    move(155, 120);
    release(155, 120);
    // A check box hears its release when the frame delivers the events.
    run.step(1.0f / 60.0f);
    EXPECT_EQ(run.app.runningScene(), next);
    EXPECT_TRUE(old.expired());
    EXPECT_TRUE(button.expired());
    run.step(1.0f / 60.0f);
    EXPECT_NE(find("next"), nullptr);
    vorn::DragBox::setClockForTesting({});
}

std::string sceneName(const ::testing::TestParamInfo<std::string>& param) {
    const char* names[] = {"Button", "ButtonInADragBox", "CheckBox"};
    return names[param.index];
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, SceneSwitch,
    ::testing::Values(R"~(<scene><button name="go" x="100" y="100" w="200" h="60" on_click="switchScene()"/></scene>)~",
                      R"~(<scene><dragbox x="100" y="100" w="400" h="200" min_displacement_x="-100">
                            <button name="go" w="200" h="60" on_click="switchScene()"/></dragbox></scene>)~",
                      R"~(<scene><checkbox name="go" x="100" y="100" w="200" h="60" dataSource="switch.flag"
                            on_change="switchScene()"/></scene>)~"),
    sceneName);

} // namespace
