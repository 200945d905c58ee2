// Reading what the choices need from their fragments, and what the encoder program has
// from its list of encoders.

#include "conversion/EncoderCheck.h"

#include <gtest/gtest.h>

namespace ondrevo {
namespace {

TEST(EncoderCheck, AFragmentNamesTheEncoderItsLastCodecOptionGives)
{
    const struct {
        const char* fragment;
        char kind;
        const char* encoder;
    } rows[] = {
        { "-c:v mpeg4 -pix_fmt yuv420p", 'v', "mpeg4" },
        { "-c:v libx264 -profile:v baseline -pix_fmt yuv420p", 'v', "libx264" },
        { "-c:a aac", 'a', "aac" },
        { "-an", 'a', "" },
        { "", 'v', "" },
        // Older spellings, blanks of a hand-edited catalogue, the last one winning.
        { "-vcodec h263", 'v', "h263" },
        { "-codec:a\tlibopencore_amrnb", 'a', "libopencore_amrnb" },
        { "  -c:a aac   -c:a libfdk_aac ", 'a', "libfdk_aac" },
        { "-c h263", 'v', "h263" },
        // Another stream's codec, a copy, or an option without its value name none.
        { "-c:a aac", 'v', "" },
        { "-c:v copy", 'v', "" },
        { "-c:v", 'v', "" },
        { "-profile:v baseline", 'v', "" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(NamedEncoder(row.fragment, row.kind), row.encoder) << row.fragment;
}

TEST(EncoderCheck, TheListTakesTheNamesAfterItsLegend)
{
    const std::string listing = "Encoders:\n"
                                " V..... = Video\n"
                                " A..... = Audio\n"
                                " ------\n"
                                " V....D a64multi             Multicolor charset for Commodore 64 (codec a64_multi)\n"
                                " V.S... mpeg4                MPEG-4 part 2\n"
                                "\n"
                                " A..... aac                  AAC (Advanced Audio Coding)\n";
    EXPECT_EQ(ListedEncoders(listing), (std::set<std::string> { "a64multi", "mpeg4", "aac" }));
    // Without its legend's end, a text says nothing about encoders.
    EXPECT_TRUE(ListedEncoders(" V..... = Video\n V.S... mpeg4 MPEG-4 part 2\n").empty());
    EXPECT_TRUE(ListedEncoders("").empty());
}

} // namespace
} // namespace ondrevo
