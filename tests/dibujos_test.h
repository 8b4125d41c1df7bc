// The sizes and byte ranges that the guide's pictures show, read from dibujos/ when the build was
// configured, each beside what the compiled class has. Each program's unit tests include it after
// their classes and their generated dibujos_<programa>.h.
#pragma once

#include <gtest/gtest.h>

#include <string>

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

TEST(Dibujos, EveryByteRangeOnAPictureIsWhereTheCompiledClassKeepsIt)
{
    if (sizeof(void*) != 8) GTEST_SKIP() << "the pictures show the bytes of a 64-bit build";
    if (kByteRangesOnPictures.empty())
        GTEST_SKIP() << "no picture shows where this program's classes keep their bytes";
    for (std::size_t i = 0; i < kByteRangesOnPictures.size(); ++i) {
        const ByteRangeOnAPicture& range = kByteRangesOnPictures[i];
        SCOPED_TRACE(std::string(range.picture) + ": " + range.className + ", " + range.name);
        const bool firstOfItsClass =
            i == 0 || std::string(kByteRangesOnPictures[i - 1].className) != range.className;
        const bool lastOfItsClass =
            i + 1 == kByteRangesOnPictures.size() ||
            std::string(kByteRangesOnPictures[i + 1].className) != range.className;
        if (firstOfItsClass) {
            EXPECT_EQ(range.first, 0U) << "a class's ranges start at byte 0";
        } else {
            EXPECT_EQ(range.first, kByteRangesOnPictures[i - 1].last + 1)
                << "each range starts right after the one before";
        }
        if (lastOfItsClass) {
            EXPECT_EQ(range.last + 1, range.classSize)
                << "the last range ends at the class's last byte";
        }
        if (std::string(range.name) == "puntero oculto") {
            EXPECT_TRUE(range.polymorphic)
                << "only a class with a virtual function has a hidden pointer";
            EXPECT_EQ(range.last - range.first + 1, sizeof(void*));
        }
        if (range.offset != nullptr) {
            EXPECT_EQ(range.offset(), static_cast<std::ptrdiff_t>(range.first))
                << "where the compiled class keeps the field";
        }
    }
}
