// Checks that every label fits where the game draws it, measured with the
// font the game ships (pix/astronbo.ttf), on the 500x420 menu panel and the
// 800x600 screen.

#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const char* const kFontPath = "pix/astronbo.ttf";

class FontFit : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_EQ(0, TTF_Init()) << TTF_GetError();
        small_ = TTF_OpenFont(kFontPath, 24);
        large_ = TTF_OpenFont(kFontPath, 32);
        ASSERT_NE(nullptr, small_) << "cannot open " << kFontPath
                                   << " at 24pt (run from the repo root): " << TTF_GetError();
        ASSERT_NE(nullptr, large_) << "cannot open " << kFontPath << " at 32pt: " << TTF_GetError();
    }

    void TearDown() override
    {
        if (small_)
            TTF_CloseFont(small_);
        if (large_)
            TTF_CloseFont(large_);
        TTF_Quit();
    }

    // The text covers columns x .. x+width-1, so it must satisfy x+width <= limit.
    static ::testing::AssertionResult EndsBy(TTF_Font* font, const std::string& text, int x, int limit)
    {
        int w = 0, h = 0;
        if (TTF_SizeText(font, text.c_str(), &w, &h) != 0)
            return ::testing::AssertionFailure() << "TTF_SizeText(\"" << text << "\") failed: " << TTF_GetError();
        if (x + w <= limit)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "\"" << text << "\" drawn at x " << x << " is " << w
                                             << " px wide: right edge " << x + w << ", expected <= " << limit;
    }

    // Only inked rows matter: the rows of the rendered line below the lowest
    // descender are transparent, so the glyph box is measured from the glyphs.
    static ::testing::AssertionResult InkEndsBy(TTF_Font* font, const std::string& text, int y, int limit)
    {
        const int ascent = TTF_FontAscent(font);
        int bottom = 0;
        for (char ch : text) {
            int minx, maxx, miny, maxy, advance;
            if (ch == ' ')
                continue;
            if (TTF_GlyphMetrics(font, static_cast<unsigned char>(ch), &minx, &maxx, &miny, &maxy, &advance) != 0)
                return ::testing::AssertionFailure() << "no glyph for '" << ch << "': " << TTF_GetError();
            bottom = std::max(bottom, ascent - miny);
        }
        int w = 0, h = 0;
        TTF_SizeText(font, text.c_str(), &w, &h);
        if (y + bottom <= limit)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "\"" << text << "\" drawn at y " << y << ": glyphs reach down " << bottom << " px (line box " << h
               << " px), bottom edge " << y + bottom << ", expected <= " << limit;
    }

    TTF_Font* small_ = nullptr;
    TTF_Font* large_ = nullptr;
};

TEST_F(FontFit, IsLiberationSansNarrowBold)
{
    // Every measurement below assumes this face; another font would make them meaningless.
    const char* family = TTF_FontFaceFamilyName(small_);
    const char* style = TTF_FontFaceStyleName(small_);
    EXPECT_EQ(std::string("Liberation Sans Narrow"), family ? family : "(none)");
    EXPECT_EQ(std::string("Bold"), style ? style : "(none)");
}

TEST_F(FontFit, LongestSkillNameFitsBothSkillButtons)
{
    const std::string skill = "extrem idiotic";
    EXPECT_TRUE(EndsBy(small_, skill, 112, 73 + 177));
    EXPECT_TRUE(EndsBy(small_, skill, 334, 321 + 177));
    EXPECT_TRUE(InkEndsBy(small_, skill, 142, 130 + 40));
    EXPECT_TRUE(InkEndsBy(small_, skill, 142, 130 + 37));
}

TEST_F(FontFit, PanelLabelsFitTheirButtons)
{
    EXPECT_TRUE(EndsBy(small_, "computer", 120, 73 + 177));
    EXPECT_TRUE(EndsBy(small_, "computer", 364, 321 + 177));
    EXPECT_TRUE(EndsBy(small_, "human", 120, 73 + 177));
    EXPECT_TRUE(EndsBy(small_, "human", 364, 321 + 177));
    EXPECT_TRUE(EndsBy(small_, "gamespeed", 317, 500));
    EXPECT_TRUE(EndsBy(small_, "back to game", 340, 500));
    EXPECT_TRUE(EndsBy(small_, "quit", 12, 80));
    EXPECT_TRUE(InkEndsBy(small_, "quit", 10, 80));
    // The reset and sound buttons both span x 31..140.
    const struct {
        const char* text;
        int x;
    } left_column[] = {{"reset", 60}, {"score", 60}, {"sound is", 45}, {"on", 74}, {"off", 74}};
    for (const auto& label : left_column)
        EXPECT_TRUE(EndsBy(small_, label.text, label.x, 31 + 110));
}

TEST_F(FontFit, StartLabelsFitTheButtonRows)
{
    // "back to game" is wider than the button and reaches past it; it only has to stay on the panel.
    EXPECT_TRUE(EndsBy(small_, "start", 340, 280 + 155));
    EXPECT_TRUE(InkEndsBy(small_, "back to game", 370, 344 + 56));
}

TEST_F(FontFit, TallyScoresDoNotOverlap)
{
    // The left score is padded with blanks up to the colon; the right score starts at 336.
    EXPECT_TRUE(EndsBy(large_, "0          :", 191, 336));
    EXPECT_TRUE(EndsBy(large_, "0", 336, 166 + 220));
}

TEST_F(FontFit, WinnerMessagesFitTheScreen)
{
    EXPECT_TRUE(EndsBy(small_, "right player won!!! press space to continue", 300, 800));
    EXPECT_TRUE(EndsBy(small_, "left player won!!! press space to continue", 300, 800));
}

} // namespace
