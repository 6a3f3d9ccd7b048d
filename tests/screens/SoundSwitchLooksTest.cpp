// The map's music and sound switches: switched off, each shows its glyph
// with the same plain cross beside it, in both picture scales, so that
// music off can no more be taken for music on than sound off for sound on.
#include "render/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Picture {
    vorn::Bitmap bitmap;
    explicit Picture(const std::string& path) { bitmap.loadFromFile(path.c_str(), 5); }
    // Coverage from 0 to 255 at a point given in 48ths of the picture.
    int alphaAt(float x, float y) const {
        const int px = static_cast<int>(x / 48.0f * static_cast<float>(bitmap.width()));
        const int py = static_cast<int>(y / 48.0f * static_cast<float>(bitmap.height()));
        return bitmap.pixels().data()[(static_cast<std::size_t>(py) * bitmap.width() + px) * 4 + 3];
    }
};

TEST(SoundSwitchLooks, MusicOffShowsTheNoteAndTheCrossOfSoundOff) {
    for (const std::string scale : {"", "@2x"}) {
        SCOPED_TRACE("scale " + (scale.empty() ? std::string("1x") : scale));
        const Picture musicOff("data/gfx/ui/icon_music_off" + scale + ".png");
        const Picture soundOff("data/gfx/ui/icon_sound_off" + scale + ".png");
        ASSERT_FALSE(musicOff.bitmap.empty());
        ASSERT_FALSE(soundOff.bitmap.empty());
        ASSERT_EQ(musicOff.bitmap.width(), soundOff.bitmap.width());
        // The cross: alike point for point, and solid along its arms.
        int differing = 0;
        for (float y = 14.0f; y < 34.0f; y += 0.5f) {
            for (float x = 28.0f; x < 46.0f; x += 0.5f) {
                differing += std::abs(musicOff.alphaAt(x, y) - soundOff.alphaAt(x, y)) > 24;
            }
        }
        EXPECT_EQ(differing, 0) << "the music switch's cross is not the sound switch's";
        for (const float d : {-5.0f, 0.0f, 5.0f}) {
            EXPECT_GT(musicOff.alphaAt(36.0f + d, 24.0f + d), 200) << d;
            EXPECT_GT(musicOff.alphaAt(36.0f + d, 24.0f - d), 200) << d;
        }
        // Clear space between the glyph and the cross, as beside the speaker.
        for (float y = 17.0f; y < 31.0f; y += 0.5f) EXPECT_LT(musicOff.alphaAt(27.0f, y), 128) << y;
        // And a note to the left of it.
        int note = 0;
        for (float y = 4.0f; y < 44.0f; y += 0.5f) {
            for (float x = 2.0f; x < 26.0f; x += 0.5f) note += musicOff.alphaAt(x, y) > 200;
        }
        EXPECT_GT(note, 400) << "no note on the music switch's off look";
    }
}

} // namespace
