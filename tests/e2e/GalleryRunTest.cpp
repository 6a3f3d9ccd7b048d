// The real program shows the widget gallery from data/ and is driven from
// outside like a player would: a click on a check box, typing into the text
// field, the slider dragged, the strip of tiles dragged to its middle stop,
// a click on the button and on the spin box's "+". Each step is checked in
// the bound data sources (through the log) and on the screen.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using vorn::test::eventually;
using vorn::test::Screenshot;

class GalleryRun : public vorn::test::ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        program_.setEnvironment("VORN_DEMO", "gallery");
    }

    bool galleryLogged(const std::string& line) const {
        const std::vector<std::string> all = vorn::test::lines(log());
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    // The value in the last line logged for that source; empty when none.
    std::string lastValue(const std::string& source) const {
        const std::vector<std::string> all = vorn::test::lines(log());
        const std::string head = "Gallery: " + source + " = ";
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if (it->rfind(head, 0) == 0) return it->substr(head.size());
        }
        return {};
    }

    std::string at(float x, float y) const {
        return std::to_string(std::lround(x * k_)) + " " + std::to_string(std::lround(y * k_));
    }
    bool pointer(const std::string& steps) const { return screen_->xdotool(steps); }
    bool click(float x, float y) const { return pointer("mousemove --sync " + at(x, y) + " click 1"); }

    void expectColour(const Screenshot& shot, const std::string& what, float x, float y, std::uint32_t want,
                      int tolerance = 8) const {
        const std::uint32_t got = shot.at(static_cast<int>(x * k_), static_cast<int>(y * k_));
        EXPECT_TRUE(vorn::test::near(got, want, tolerance))
            << what << " at (" << x << ", " << y << ") is " << std::hex << got << ", want " << want;
    }
};

TEST_F(GalleryRun, EveryWidgetIsShownAndAnswersThePointerAndTheKeyboard) {
    program_.start();
    const Window window = waitForWindow();
    ASSERT_NE(window, 0u);
    // The first slide shows from half a second after entering for a
    // second, by the frames' own clock (a slow frame may catch it fading,
    // red all the same): the screen is watched from the window's first
    // frame until it shows, or until the slides are over.
    const auto firstSlide = [&](const Screenshot& shot) {
        const std::uint32_t slide = shot.at(static_cast<int>(780 * k_), static_cast<int>(430 * k_));
        const int red = static_cast<int>(slide >> 16 & 0xFF), green = static_cast<int>(slide >> 8 & 0xFF),
                  blue = static_cast<int>(slide & 0xFF);
        return red > green + 40 && red > blue + 40;
    };
    const Screenshot slide = shootWhen("first slide", [&](const Screenshot& shot) {
        return firstSlide(shot) || galleryLogged("Gallery: count slideshow 1");
    });
    EXPECT_TRUE(firstSlide(slide)) << "the first slide was never seen; it is "
                                   << std::hex << slide.at(static_cast<int>(780 * k_), static_cast<int>(430 * k_));
    ASSERT_TRUE(eventually([&] { return galleryLogged("Gallery: ready"); })) << log();
    const Screenshot first = shoot("entered");
    expectColour(first, "button", 100, 55, 0x3060C0);
    expectColour(first, "check box, off", 310, 70, 0xC04040);
    expectColour(first, "first radio button, chosen", 410, 70, 0xF0D040);
    expectColour(first, "third radio button", 550, 70, 0x505860);
    expectColour(first, "bar at a fifth", 100, 175, 0x30C060);
    expectColour(first, "bar at three tenths", 130, 175, 0x101418);
    expectColour(first, "sector, top right", 445, 150, 0xE0A030);
    expectColour(first, "sector, bottom left", 400, 200, 0x101418);
    expectColour(first, "slider knob at a quarter", 520 + 15 + 0.25f * 330, 175, 0xAAD696);
    expectColour(first, "text field", 60, 285, 0xF0F0E8);
    expectColour(first, "variant for Normal", 820, 285, 0xE0E040);
    expectColour(first, "first tile", 90, 430, 0xC03030);
    expectColour(first, "sixth tile", 590, 430, 0x3030C0);
    expectColour(first, "columns", 65, 580, 0x607080);
    expectColour(first, "second column", 115, 580, 0x8090A0);
    EXPECT_EQ(lastValue("gallery.difficulty"), "2");

    const std::string id = std::to_string(window);
    ASSERT_TRUE(click(310, 70));
    ASSERT_TRUE(eventually([&] { return galleryLogged("Gallery: count check 1"); }));
    EXPECT_EQ(lastValue("gallery.sound"), "1");

    ASSERT_TRUE(click(550, 70));
    ASSERT_TRUE(eventually([&] { return lastValue("gallery.level") == "3"; }));
    EXPECT_TRUE(galleryLogged("Gallery: count radio 1"));

    ASSERT_TRUE(click(240, 285));
    ASSERT_TRUE(pointer("windowfocus --sync " + id + " type --delay 60 Ada"));
    ASSERT_TRUE(eventually([&] { return lastValue("gallery.name") == "Ada"; })) << lastValue("gallery.name");
    ASSERT_TRUE(pointer("windowfocus --sync " + id + " key BackSpace"));
    ASSERT_TRUE(eventually([&] { return lastValue("gallery.name") == "Ad"; })) << lastValue("gallery.name");

    // The slider's knob dragged from a quarter to three quarters; the bar
    // and the sector follow the same value.
    const float knobY = 175;
    ASSERT_TRUE(pointer("mousemove --sync " + at(520 + 15 + 0.25f * 330, knobY) + " mousedown 1 mousemove --sync " +
                        at(700, knobY + 60) + " mousemove --sync " + at(520 + 15 + 0.75f * 330, knobY + 60) +
                        " mouseup 1"));
    ASSERT_TRUE(eventually([&] {
        const std::string v = lastValue("gallery.volume");
        return !v.empty() && std::abs(std::strtod(v.c_str(), nullptr) - 0.75) < 0.01;
    })) << lastValue("gallery.volume");

    // 150 pixels to the left aims at -300: the middle stop.
    ASSERT_TRUE(pointer("mousemove --sync " + at(500, 430) + " mousedown 1 mousemove --sync " + at(450, 432) +
                        " mousemove --sync " + at(400, 432) + " mousemove --sync " + at(350, 430) +
                        " mouseup 1"));
    ASSERT_TRUE(eventually([&] { return galleryLogged("Gallery: count stop 1"); }));
    ASSERT_TRUE(eventually([&] { return lastValue("gallery.scroll") == "0.500000"; })) << lastValue("gallery.scroll");

    ASSERT_TRUE(click(140, 70));
    ASSERT_TRUE(eventually([&] { return lastValue("gallery.clicks") == "1"; }));
    EXPECT_TRUE(galleryLogged("Gallery: count button 1"));

    ASSERT_TRUE(click(855, 70));
    ASSERT_TRUE(eventually([&] { return lastValue("gallery.difficulty") == "3"; }));
    // The slides have all been shown by now.
    ASSERT_TRUE(eventually([&] { return galleryLogged("Gallery: count slideshow 1"); }));
    // Moved off the widgets: once "+" has lost its hover look it matches "-".
    ASSERT_TRUE(pointer("mousemove --sync " + at(900, 740)));
    Screenshot last;
    EXPECT_TRUE(eventually([&] {
        last = Screenshot::take(display_);
        return last.at(static_cast<int>(645 * k_), static_cast<int>(50 * k_)) ==
               last.at(static_cast<int>(855 * k_), static_cast<int>(50 * k_));
    }));
    last.save("driven");
    expectColour(last, "check box, on", 310, 70, 0x40D040);
    expectColour(last, "first radio button, let go", 410, 70, 0x505860);
    expectColour(last, "third radio button, chosen", 550, 70, 0xF0D040);
    expectColour(last, "bar at seven tenths", 250, 175, 0x30C060);
    expectColour(last, "bar at eight tenths", 280, 175, 0x101418);
    expectColour(last, "sector, bottom left", 400, 200, 0xE0A030);
    expectColour(last, "sector, top left", 400, 150, 0x101418);
    expectColour(last, "slider knob at three quarters", 520 + 15 + 0.75f * 330, 175, 0xAAD696);
    expectColour(last, "variant for Hard", 820, 285, 0xE04040);
    // The strip stands at -300: the fourth tile where the first was.
    expectColour(last, "fourth tile", 90, 430, 0x30C030);
    expectColour(last, "ninth tile", 590, 430, 0xF0F0F0);
    expectColour(last, "slideshow, over", 780, 430, 0x101418);

    vorn::test::closeLikeAWindowManager(display_, window);
    EXPECT_EQ(program_.waitForExit(), 0);
}

} // namespace
