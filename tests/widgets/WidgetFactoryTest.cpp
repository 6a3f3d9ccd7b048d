// What the engine expects of the widget classes: the node factory makes each
// from its element names, as a complete node bound through the data-source
// listener where the widget has a binding; the engine's "slideDragbox"
// command reaches drag boxes by name.
#include "core/DataSource.h"
#include "core/VM.h"
#include "scene/DataSourceListener.h"
#include "scene/Image.h"
#include "widgets/Button.h"
#include "widgets/CheckBox.h"
#include "widgets/DragBox.h"
#include "widgets/NodeList.h"
#include "widgets/Progress.h"
#include "widgets/RadioButton.h"
#include "widgets/Slider.h"
#include "widgets/Slideshow.h"
#include "widgets/SpinBox.h"
#include "widgets/TextInput.h"
#include "widgets/VariantContainer.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <typeindex>
#include <vector>

namespace {

struct Made {
    std::string element;
    std::type_index type;
    bool bound;
    bool stateStop;
};

void PrintTo(const Made& m, std::ostream* os) { *os << m.element; }

class Factory : public vorn::test::WidgetFixture, public ::testing::WithParamInterface<Made> {};

TEST_P(Factory, TheElementMakesItsWidgetBoundToItsSource) {
    const Made& m = GetParam();
    start("<scene><" + m.element + " name=\"w\" w=\"100\" h=\"40\" dataSource=\"factory.value\"/></scene>");
    const auto node = find("w");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(std::type_index(typeid(*node)), m.type);
    EXPECT_EQ(node->shared_from_this(), node);
    auto* listener = dynamic_cast<vorn::DataSourceListener*>(node.get());
    EXPECT_EQ(listener != nullptr, m.bound);
    if (listener) {
        EXPECT_EQ(listener->getDataSourceName(), "factory.value");
        EXPECT_TRUE(listener->isListening());
    }
    EXPECT_EQ(node->isStateStop(), m.stateStop);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, Factory,
    ::testing::Values(Made{"button", typeid(vorn::Button), false, true},
                      Made{"checkbox", typeid(vorn::CheckBox), true, true},
                      Made{"check_box", typeid(vorn::CheckBox), true, true},
                      Made{"radio_button", typeid(vorn::RadioButton), true, false},
                      Made{"dragbox", typeid(vorn::DragBox), true, false},
                      Made{"drag_box", typeid(vorn::DragBox), true, false},
                      Made{"progress", typeid(vorn::Progress), true, false},
                      Made{"nodelist", typeid(vorn::NodeList), false, true},
                      Made{"node_list", typeid(vorn::NodeList), false, true},
                      Made{"spinbox", typeid(vorn::SpinBox), true, false},
                      Made{"spin_box", typeid(vorn::SpinBox), true, false},
                      Made{"variant_container", typeid(vorn::VariantContainer), true, true},
                      Made{"text_input", typeid(vorn::TextInput), true, false},
                      Made{"slider", typeid(vorn::Slider), true, true},
                      Made{"slideshow", typeid(vorn::Slideshow), false, true}),
    [](const ::testing::TestParamInfo<Made>& param) { return param.param.element; });

TEST(WidgetBases, TheBindingAndTheImageAreSharedVirtualBases) {
    vorn::Progress progress;
    vorn::Node* asNode = &progress;
    EXPECT_NE(dynamic_cast<vorn::Image*>(asNode), nullptr);
    EXPECT_NE(dynamic_cast<vorn::DataSourceListener*>(asNode), nullptr);
    EXPECT_EQ(static_cast<vorn::Node*>(static_cast<vorn::Image*>(&progress)),
              static_cast<vorn::Node*>(static_cast<vorn::DataSourceListener*>(&progress)));
}

class SlideCommand : public vorn::test::WidgetFixture {};

TEST_F(SlideCommand, SlideDragboxFlingsTheNamedBoxTowardAStop) {
    start(R"~(<scene>
  <dragbox name="map" w="400" h="200" min_displacement_x="-1000" max_displacement_x="0">
    <stops><stop x="0"/><stop x="-400" on_activate="count('left')"/><stop x="-800"/></stops>
  </dragbox>
  <container name="plain"/>
</scene>)~");
    auto box = find<vorn::DragBox>("map");
    box->setDisplacement({-100, 0, 0});
    vorn::VM::execute("slideDragbox('map', -10, 0)");
    EXPECT_EQ(calls, std::vector<std::string>{"left"});
    run.step(1.0f, 1);
    EXPECT_EQ(box->getDisplacement().x, -400.0f);
    // Not a drag box, no such node, no stop that way: nothing happens.
    vorn::VM::execute("slideDragbox('plain', -10, 0); slideDragbox('nobody', -10, 0); slideDragbox('map', 0, 0)");
    box->setDisplacement({-800, 0, 0});
    vorn::VM::execute("slideDragbox('map', -10, 0)");
    run.step(1.0f, 1);
    EXPECT_EQ(box->getDisplacement().x, -800.0f);
    EXPECT_EQ(calls, std::vector<std::string>{"left"});
}

} // namespace
