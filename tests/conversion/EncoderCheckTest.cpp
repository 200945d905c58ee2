// Reading what the choices need from their fragments (the encoder's real list is read in
// the batch's tests).

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

} // namespace
} // namespace ondrevo
