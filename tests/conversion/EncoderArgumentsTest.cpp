// Fragments of the parameter database become whole encoder arguments.

#include "conversion/EncoderArguments.h"

#include <gtest/gtest.h>

namespace ondrevo {
namespace {

TEST(EncoderArgumentsTest, FragmentsSplitIntoWholeArguments)
{
    using Args = std::vector<std::string>;
    EXPECT_EQ(EncoderArguments(""), Args {});
    EXPECT_EQ(EncoderArguments("   "), Args {});
    EXPECT_EQ(EncoderArguments("-an"), Args { "-an" });
    EXPECT_EQ(EncoderArguments("-c:v libx264 -profile:v baseline -pix_fmt yuv420p"),
        (Args { "-c:v", "libx264", "-profile:v", "baseline", "-pix_fmt", "yuv420p" }));
    // Doubled, leading and trailing blanks never turn into empty arguments, which the
    // encoder would take for an output file named "".
    EXPECT_EQ(EncoderArguments(" -b:v  256k \t\r\n"), (Args { "-b:v", "256k" }));
}

} // namespace
} // namespace ondrevo
