// Text layout and drawing with the fixed-advance test font: labels on their
// baseline, wrapping, alignment (justified included), outline and shadow,
// the glyph cache and what invalidates it, and the renderer's state after
// a text has drawn.
#include "scene/Text.h"

#include "core/Locale.h"
#include "core/Localization.h"
#include "render/BaseRender.h"
#include "render/DrawData.h"
#include "scene/NodeFactory.h"

#include "TextFixture.h"
#include "support/QuadNode.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using vorn::Color;
using vorn::Text;
using vorn::test::DrawnQuad;
using vorn::test::FixedFont;

class TextTest : public vorn::test::TextFixture {};

// Left edge of the first glyph and right edge of the last on each baseline.
std::map<float, std::pair<float, float>> linesOf(const std::vector<DrawnQuad>& quads) {
    std::map<float, std::pair<float, float>> lines;
    for (const DrawnQuad& q : quads) {
        auto [it, fresh] = lines.try_emplace(q.bottom, q.left, q.right);
        if (!fresh) {
            it->second.first = std::min(it->second.first, q.left);
            it->second.second = std::max(it->second.second, q.right);
        }
    }
    return lines;
}

struct LabelCase {
    const char* align;
    float firstLeft;
};

void PrintTo(const LabelCase& c, std::ostream* os) { *os << "align \"" << c.align << "\""; }

class TextLabel : public TextTest, public ::testing::WithParamInterface<LabelCase> {};

// Without a width or a place in its parent the text is drawn from the
// node's position: its first baseline there, the glyphs rising above it.
TEST_P(TextLabel, SitsOnItsBaselineAndAlignsOnItsPosition) {
    const std::string align = GetParam().align;
    start("<scene><text name=\"t\" x=\"100\" y=\"50\" text=\"abc\"" +
          (align.empty() ? std::string() : " align=\"" + align + "\"") + "/></scene>");
    const auto quads = frame();
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_FLOAT_EQ(quads[0].left, GetParam().firstLeft);
    EXPECT_FLOAT_EQ(quads[0].bottom, 50.0f);
    EXPECT_FLOAT_EQ(quads[0].top, 40.0f);
    EXPECT_EQ(text()->getSize(), glm::vec2(0, 0));
    EXPECT_EQ(text()->getMeasuredSize(), glm::vec2(30, 20));
}

INSTANTIATE_TEST_SUITE_P(Alignments, TextLabel,
                         ::testing::Values(LabelCase{"", 100}, LabelCase{"left", 100}, LabelCase{"right", 70},
                                           LabelCase{"center", 85}, LabelCase{"middle", 100}),
                         [](const auto& caseInfo) {
                             return std::string(*caseInfo.param.align ? caseInfo.param.align : "none");
                         });

struct WrapCase {
    const char* name;
    const char* text;
    float width;
    std::vector<std::string> lines;
};

void PrintTo(const WrapCase& c, std::ostream* os) { *os << c.name; }

class TextWrap : public TextTest, public ::testing::WithParamInterface<WrapCase> {};

TEST_P(TextWrap, BreaksAtBlanksToTheWidthAndTakesTheHeightOfItsLines) {
    const WrapCase& c = GetParam();
    start("<scene><text name=\"t\" x=\"10\" y=\"20\" w=\"" + std::to_string(c.width) + "\" text=\"" + c.text +
          "\"/></scene>");
    auto t = text();
    EXPECT_TRUE(t->isWrapped());
    EXPECT_EQ(t->getLines(), c.lines);
    EXPECT_FLOAT_EQ(t->getSize().y, 20.0f * static_cast<float>(c.lines.size()));
    EXPECT_FLOAT_EQ(t->getSize().x, c.width);
    // Line by line, one line height apart, the first baseline one base
    // below the node's top.
    const auto lines = linesOf(frame());
    ASSERT_EQ(lines.size(), c.lines.size());
    float baseline = 35.0f;
    for (std::size_t i = 0; i < c.lines.size(); ++i, baseline += 20.0f) {
        ASSERT_TRUE(lines.contains(baseline)) << "line " << i;
        EXPECT_FLOAT_EQ(lines.at(baseline).first, 10.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextWrap,
    ::testing::Values(
        // 90 + 10 + 90 = 190 fits in 200; a third word does not.
        WrapCase{"TwoWordsShareALine", "aaaaaaaaa bbbbbbbbb ccccccccc", 200, {"aaaaaaaaa bbbbbbbbb", "ccccccccc"}},
        WrapCase{"ExactFit", "aaaa bbbbb", 100, {"aaaa bbbbb"}},
        WrapCase{"ALongWordStandsAloneUnbroken", "a bbbbbbbbbbbbbbb c", 100, {"a", "bbbbbbbbbbbbbbb", "c"}},
        WrapCase{"LineBreaksInTheTextStay", "aa&#10;bb cc dd", 50, {"aa", "bb cc", "dd"}},
        // The word after a line break is judged by the line it starts.
        WrapCase{"AfterALineBreakTheNewLineIsMeasured", "aaaaaaaa bb&#10;c dd", 100, {"aaaaaaaa", "bb", "c dd"}},
        WrapCase{"TwoBlanksGiveAnEmptyWord", "ab  cd", 100, {"ab  cd"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// A font that measures a text of several lines by its widest line (the
// built-in vector font) must still fill every line: only the line being
// built may be measured, which also keeps wrapping linear in the text.
TEST_F(TextTest, WrappingMeasuresOnlyTheLineBeingBuilt) {
    font = std::make_shared<FixedFont>(10.0f, 20.0f, 15.0f, true);
    SetUp();
    start("<scene><text name=\"t\" w=\"95\" text=\"aaaa bbbb cccc dddd eeee ffff\"/></scene>");
    EXPECT_EQ(text()->getLines(), (std::vector<std::string>{"aaaa bbbb", "cccc dddd", "eeee ffff"}));
    for (const std::string& measured : font->measured) {
        if (measured == text()->getText()) continue; // the whole text's own measure
        EXPECT_EQ(measured.find('\n'), std::string::npos) << measured;
        EXPECT_LE(measured.size(), 14u) << measured; // a line and the word tried after it
    }
}

struct AlignCase {
    const char* align;
    // (first left, last right) of the three lines.
    std::vector<std::pair<float, float>> lines;
};

void PrintTo(const AlignCase& c, std::ostream* os) { *os << c.align; }

class TextWrappedAlignment : public TextTest, public ::testing::WithParamInterface<AlignCase> {};

// Lines "aa bbb" (60), "cccc dd" (70) and "eeeeeeeeeeee" (120, wider than
// the box) in a box 100 wide.
TEST_P(TextWrappedAlignment, PlacesEveryLineAndJustifiesByWideningItsBlanks) {
    start(std::string("<scene><text name=\"t\" w=\"100\" align=\"") + GetParam().align +
          "\" text=\"aa bbb cccc dd eeeeeeeeeeee\"/></scene>");
    const auto lines = linesOf(frame());
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::pair<float, float>> got;
    for (const auto& [baseline, extent] : lines) got.push_back(extent);
    EXPECT_EQ(got, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Alignments, TextWrappedAlignment,
    ::testing::Values(AlignCase{"left", {{0, 60}, {0, 70}, {0, 120}}},
                      AlignCase{"right", {{40, 100}, {30, 100}, {-20, 100}}},
                      AlignCase{"center", {{20, 80}, {15, 85}, {-10, 110}}},
                      // Every line with a blank reaches both edges, the last one too;
                      // a line without one is drawn as it is.
                      AlignCase{"width", {{0, 100}, {0, 100}, {0, 120}}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.align); });

TEST_F(TextTest, ANodeCentredInItsParentTakesItsTextsSizeAndTopAlignsIt) {
    start("<scene><container w=\"300\" h=\"100\"><text name=\"t\" centerParent=\"1\" align=\"right\" "
          "text=\"abcd\"/></container></scene>");
    auto t = text();
    EXPECT_EQ(t->getSize(), glm::vec2(40, 20));
    EXPECT_EQ(t->getAlignment(), Text::ALIGN_LEFT);
    EXPECT_EQ(t->getPosition(), glm::vec2(150, 50));
    const auto quads = frame();
    ASSERT_EQ(quads.size(), 4u);
    // The box is (130, 40) to (170, 60); the glyphs' tops sit 5 below its
    // top (a base of 15 less the glyph height of 10).
    EXPECT_FLOAT_EQ(quads[0].left, 130.0f);
    EXPECT_FLOAT_EQ(quads[3].right, 170.0f);
    EXPECT_FLOAT_EQ(quads[0].bottom, 55.0f);
}

TEST_F(TextTest, AnUnchangedTextIsDrawnFromItsGlyphCacheWithoutLayoutWork) {
    start("<scene><text name=\"t\" w=\"100\" align=\"width\" outlineWidth=\"1\" shadowColor=\"000000\" "
          "text=\"aa bbb cccc dd eeee\"/></scene>");
    const auto first = frame();
    const auto cache = text()->getDrawData();
    ASSERT_NE(cache, nullptr);
    const std::size_t measured = font->measured.size();
    const int builds = font->builds;
    for (int i = 0; i < 5; ++i) {
        const auto again = frame();
        EXPECT_EQ(again.size(), first.size());
    }
    EXPECT_EQ(font->measured.size(), measured);
    EXPECT_EQ(font->builds, builds);
    EXPECT_EQ(text()->getDrawData(), cache);
}

TEST_F(TextTest, ChangingAlignmentOrFontShowsAtTheNextDraw) {
    start("<scene><text name=\"t\" x=\"100\" y=\"50\" text=\"abc\"/></scene>");
    EXPECT_FLOAT_EQ(frame()[0].left, 100.0f);
    text()->setAlignment(Text::ALIGN_RIGHT);
    EXPECT_FLOAT_EQ(frame()[0].left, 70.0f);
    text()->setFont(std::make_shared<FixedFont>(20.0f));
    const auto quads = frame();
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_FLOAT_EQ(quads[0].left, 40.0f);
    EXPECT_FLOAT_EQ(quads[2].right, 100.0f);
}

TEST_F(TextTest, AWrappedTextWithoutWidthOrWithANewTextDrawsNoStaleLines) {
    start("<scene><text name=\"t\" w=\"40\" text=\"aa bb cc\"/></scene>");
    auto t = text();
    ASSERT_EQ(t->getLines().size(), 3u);
    t->setSize({0.0f, t->getSize().y});
    t->setText("aa bb cc dd");
    EXPECT_FALSE(t->isWrapped());
    EXPECT_TRUE(t->getLines().empty());
    EXPECT_EQ(t->getDisplayText(), "aa bb cc dd");
    EXPECT_EQ(linesOf(frame()).size(), 1u);
    EXPECT_EQ(frame().size(), 8u);

    // Off the stage a new text is not laid out, but it is what is drawn.
    t->setSize({50.0f, 0.0f});
    t->refresh();
    ASSERT_TRUE(t->isWrapped());
    run.app.runningScene()->removeChild(t);
    t->exitStage();
    t->setText("xyz");
    run.render.batches.clear();
    t->visit();
    run.render.flush();
    EXPECT_EQ(drawn().size(), 3u);
}

TEST_F(TextTest, AnEmptyTextDrawsNothingAlsoAfterWrapping) {
    start("<scene><text name=\"t\" w=\"50\" text=\"aa bb cc\"/></scene>");
    EXPECT_EQ(frame().size(), 6u);
    text()->setText("");
    EXPECT_FALSE(text()->isWrapped());
    EXPECT_TRUE(frame().empty());
}

struct EffectCase {
    const char* name;
    const char* attributes;
    // Offsets of the copies drawn, in order, and which colour each has:
    // 'S' shadow (above colour x shadow), 'O' outline (above x node x
    // outline), 'G' glyph (above x node).
    std::vector<std::pair<glm::vec2, char>> copies;
};

void PrintTo(const EffectCase& c, std::ostream* os) { *os << c.name; }

class TextEffects : public TextTest, public ::testing::WithParamInterface<EffectCase> {};

// The parent's colour is half red, the node's half transparent, the
// outline red, the shadow a half transparent blue.
TEST_P(TextEffects, ShadowAndOutlineDrawTheirCopiesInTheirColours) {
    start(std::string("<scene><container color=\"80FFFFFF\"><text name=\"t\" x=\"100\" y=\"50\" color=\"FFFFFF80\" "
                      "text=\"a\" ") +
          GetParam().attributes + "/></container></scene>");
    const auto quads = frame();
    const auto& copies = GetParam().copies;
    ASSERT_EQ(quads.size(), copies.size());
    const Color above("80FFFFFF"), own("FFFFFF80"), outline("FF0000"), shadow("0000FF80");
    // The glyphs are tinted by the node's colour once, not twice.
    const std::map<char, std::uint32_t> colours{
        {'S', (above * shadow).toARGB()},
        {'O', (above * own * outline).toARGB()},
        {'G', (above * own).toARGB()},
    };
    for (std::size_t i = 0; i < copies.size(); ++i) {
        EXPECT_FLOAT_EQ(quads[i].left, 100.0f + copies[i].first.x) << "copy " << i;
        EXPECT_FLOAT_EQ(quads[i].bottom, 50.0f + copies[i].first.y) << "copy " << i;
        EXPECT_EQ(quads[i].color, colours.at(copies[i].second)) << "copy " << i << " of kind " << copies[i].second;
    }
}

std::vector<std::pair<glm::vec2, char>> ring(glm::vec2 at, float w, char kind) {
    std::vector<std::pair<glm::vec2, char>> copies;
    const float offsets[8][2] = {{w, 0}, {0, w}, {-w, 0}, {0, -w}, {w, w}, {-w, w}, {-w, -w}, {w, -w}};
    for (const auto& o : offsets) copies.push_back({at + glm::vec2(o[0], o[1]), kind});
    return copies;
}

std::vector<std::pair<glm::vec2, char>> concat(std::vector<std::pair<glm::vec2, char>> a,
                                               const std::vector<std::pair<glm::vec2, char>>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::pair<glm::vec2, char> glyph{{0, 0}, 'G'};

INSTANTIATE_TEST_SUITE_P(
    Kinds, TextEffects,
    ::testing::Values(
        EffectCase{"Plain", "", {glyph}},
        EffectCase{"OffsetAloneShowsNoShadow", "shadow_offset=\"5\" outlineColor=\"FF0000\"", {glyph}},
        EffectCase{"Outline", "outline_width=\"2\" outline_color=\"FF0000\"", concat(ring({0, 0}, 2, 'O'), {glyph})},
        EffectCase{"Shadow", "shadow_color=\"0000FF80\" shadowOffsetX=\"4\" shadowOffsetY=\"-3\"",
                   {{{4, -3}, 'S'}, glyph}},
        EffectCase{"ShadowOfTheOutline", "shadowColor=\"0000FF80\" shadow_offset=\"3\" outlineWidth=\"2\" "
                                         "outlineColor=\"FF0000\"",
                   concat(concat(ring({3, 3}, 2, 'S'), ring({0, 0}, 2, 'O')), {glyph})}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// Whatever a text draws, the renderer is left as the traversal had it: the
// next node gets its own colour and place, nothing is left on the stacks,
// and the glyphs never repeat though an image before them set wrapping.
TEST_F(TextTest, LeavesTheColourAndMatrixStacksBalancedAndClampsTheTexture) {
    font->texture = run.render.createTexture();
    auto root = std::make_shared<vorn::Node>();
    root->setColor(Color(0.5f, 0.5f, 0.5f, 1.0f));
    auto label = std::make_shared<Text>();
    label->setProperties({{"text", vorn::Value("ab cd")},
                          {"w", vorn::Value("30")},
                          {"align", vorn::Value("width")},
                          {"color", vorn::Value("FF000080")},
                          {"shadowColor", vorn::Value("00000080")},
                          {"outlineWidth", vorn::Value("1")}});
    label->setFont(font);
    label->setPosition(7, 9);
    root->addChild(label);
    auto after = std::make_shared<vorn::test::QuadNode>(glm::vec2(10, 10), Color(1, 1, 1, 1));
    after->setPosition(200, 300);
    root->addChild(after);
    root->enterStage();

    auto& render = run.render;
    const glm::mat4 base = glm::translate(glm::mat4(1.0f), glm::vec3(1000.0f, 0.0f, 0.0f));
    render.setMatrix(base);
    render.setColor(Color(1.0f, 1.0f, 1.0f, 0.8f));
    render.setTextureWrap(1, 1);
    root->visit();
    render.flush();

    EXPECT_EQ(render.getColor().toARGB(), Color(1.0f, 1.0f, 1.0f, 0.8f).toARGB());
    EXPECT_EQ(render.getMatrix(), base);
    render.popColor();
    render.popMatrix();
    EXPECT_EQ(render.getColor().toARGB(), Color().toARGB()) << "a colour was left on the stack";
    EXPECT_EQ(render.getMatrix(), glm::mat4(1.0f)) << "a matrix was left on the stack";

    const auto quads = drawn();
    ASSERT_FALSE(quads.empty());
    const DrawnQuad& last = quads.back();
    EXPECT_FLOAT_EQ(last.left, 1200.0f);
    EXPECT_FLOAT_EQ(last.top, 300.0f);
    EXPECT_EQ(last.color, (Color(1.0f, 1.0f, 1.0f, 0.8f) * Color(0.5f, 0.5f, 0.5f, 1.0f)).toARGB());
    for (std::size_t i = 0; i + 1 < quads.size(); ++i) {
        EXPECT_EQ(quads[i].wrapU, 0) << i;
        EXPECT_EQ(quads[i].wrapV, 0) << i;
    }
}

TEST_F(TextTest, ATextWithoutAFontTakesTheDefaultAtItsFirstSetUpAndKeepsIt) {
    auto scene = run.run();
    auto early = std::make_shared<Text>("early");
    EXPECT_EQ(early->getFont(), nullptr);
    scene->addChild(early);
    EXPECT_EQ(early->getFont(), font);
    EXPECT_EQ(font->prepared, 1);

    auto later = std::make_shared<FixedFont>(20.0f);
    vorn::UiDefaults::instance()->setDefaultFont(later);
    auto late = std::make_shared<Text>("late");
    scene->addChild(late);
    EXPECT_EQ(early->getFont(), font);
    EXPECT_EQ(late->getFont(), later);
}

TEST_F(TextTest, SceneFilesMakeTextsWithLocalisedTextsAndTheDefaultFontForOtherNames) {
    vorn::Localization::instance()->current()->setText("greeting", "Hello");
    start("<scene><text name=\"t\" key=\"greeting\" text=\"ignored\" font=\"none.otf\"/>"
          "<text name=\"missing\" key=\"no.such.key\"/><text name=\"plain\" text=\"just this\"/></scene>");
    EXPECT_EQ(text()->getText(), "Hello");
    EXPECT_EQ(text()->getFont(), font);
    EXPECT_EQ(text("missing")->getText(), "no.such.key");
    EXPECT_EQ(text("plain")->getText(), "just this");
    EXPECT_TRUE(vorn::NodeFactory::instance().knows("text"));
}

} // namespace
