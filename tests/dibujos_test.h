// The sizes and byte ranges that the guide's pictures show, read from dibujos/ when the build was
// configured, each beside what the compiled class has. Each program's unit tests include it after
// their classes and their generated dibujos_<programa>.h.
#pragma once

#include <gtest/gtest.h>

#include <string>

TEST(Dibujos, EverySizeOnAPictureIsTheSizeOfTheCompiledClass)
{
    if (sizeof(void*) != 8) GTEST_SKIP() << "the pictures show the sizes of a 64-bit build";
    if (kTamanosEnDibujos.empty())
        GTEST_SKIP() << "no picture shows a size of this program's classes";
    for (const TamanoEnUnDibujo& tamano : kTamanosEnDibujos) {
        SCOPED_TRACE(tamano.dibujo);
        EXPECT_EQ(tamano.bytes, tamano.compilado) << "sizeof(" << tamano.clase << ")";
    }
}

TEST(Dibujos, EveryByteRangeOnAPictureIsWhereTheCompiledClassKeepsIt)
{
    if (sizeof(void*) != 8) GTEST_SKIP() << "the pictures show the bytes of a 64-bit build";
    if (kRangosDeBytesEnDibujos.empty())
        GTEST_SKIP() << "no picture shows where this program's classes keep their bytes";
    for (std::size_t i = 0; i < kRangosDeBytesEnDibujos.size(); ++i) {
        const RangoDeBytesEnUnDibujo& rango = kRangosDeBytesEnDibujos[i];
        SCOPED_TRACE(std::string(rango.dibujo) + ": " + rango.clase + ", " + rango.nombre);
        const bool primeroDeSuClase =
            i == 0 || std::string(kRangosDeBytesEnDibujos[i - 1].clase) != rango.clase;
        const bool ultimoDeSuClase =
            i + 1 == kRangosDeBytesEnDibujos.size() ||
            std::string(kRangosDeBytesEnDibujos[i + 1].clase) != rango.clase;
        if (primeroDeSuClase) {
            EXPECT_EQ(rango.primero, 0U) << "a class's ranges start at byte 0";
        } else {
            EXPECT_EQ(rango.primero, kRangosDeBytesEnDibujos[i - 1].ultimo + 1)
                << "each range starts right after the one before";
        }
        if (ultimoDeSuClase) {
            EXPECT_EQ(rango.ultimo + 1, rango.tamanoDeClase)
                << "the last range ends at the class's last byte";
        }
        if (std::string(rango.nombre) == "puntero oculto") {
            EXPECT_TRUE(rango.polimorfica)
                << "only a class with a virtual function has a hidden pointer";
            EXPECT_EQ(rango.ultimo - rango.primero + 1, sizeof(void*));
        }
        if (rango.desplazamiento != nullptr) {
            EXPECT_EQ(rango.desplazamiento(), static_cast<std::ptrdiff_t>(rango.primero))
                << "where the compiled class keeps the field";
        }
    }
}
