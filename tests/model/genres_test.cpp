#include <gtest/gtest.h>

#include "model/genres.h"

TEST(GenresTest, NamesByCodeAndSignedBytes)
{
    EXPECT_EQ(GenreName(0), "Blues");
    EXPECT_EQ(GenreName(17), "Rock");
    EXPECT_EQ(GenreName(40), "Alt. Rock");
    EXPECT_EQ(GenreName(67), "Psychedelic");
    EXPECT_EQ(GenreName(147), "Synthpop");
    EXPECT_EQ(GenreName(148), "");
    EXPECT_EQ(GenreName(254), "");
    EXPECT_EQ(GenreName(255), " ");
    EXPECT_EQ(GenreName(-1), " ");
    EXPECT_EQ(GenreName(-108), "");
    EXPECT_EQ(GenreName(-109), "Synthpop");
    for (int code = 0; code < kGenreCount; ++code)
        EXPECT_FALSE(GenreName(code).empty()) << code;
}
