// The sizes that the guide's pictures show, read from dibujos/ when the build was configured, each
// beside the size of the compiled class. Each program's unit tests include it after their classes
// and their generated dibujos_<programa>.h.
#pragma once

#include <gtest/gtest.h>

TEST(Dibujos, EverySizeOnAPictureIsTheSizeOfTheCompiledClass)
{
    if (sizeof(void*) != 8) GTEST_SKIP() << "the pictures show the sizes of a 64-bit build";
    if (kSizesOnPictures.empty())
        GTEST_SKIP() << "no picture shows a size of this program's classes";
    for (const SizeOnAPicture& tamano : kSizesOnPictures) {
        SCOPED_TRACE(tamano.picture);
        EXPECT_EQ(tamano.bytes, tamano.compiled) << "sizeof(" << tamano.className << ")";
    }
}
