#include "platform/texto.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

using texto::copiarTexto;
using texto::leerPalabra;

namespace {

// A field with guard bytes on both sides, to see that nothing is written outside it.
template <std::size_t N>
struct CampoVigilado {
    char antes[8]{};
    char campo[N]{};
    char despues[8]{};
    CampoVigilado()
    {
        std::memset(antes, '#', sizeof antes);
        std::memset(campo, '?', sizeof campo);
        std::memset(despues, '#', sizeof despues);
    }
    bool guardasIntactas() const
    {
        return std::string(antes, sizeof antes) == std::string(8, '#') &&
               std::string(despues, sizeof despues) == std::string(8, '#');
    }
};

const std::string kEnye = "\xC3\xB1";  // "ñ", two bytes

}  // namespace

TEST(CopiaAcotada, CopiesWhatFitsWithItsTerminatorAndNeverWritesPastTheField)
{
    // 8 characters fill the field exactly; a longer text is cut to capacity minus one.
    for (const char* texto : {"3131-SBC", "3131-SBC-EXTRA-LARGA"}) {
        SCOPED_TRACE(texto);
        CampoVigilado<9> f;
        copiarTexto(f.campo, texto);
        EXPECT_STREQ(f.campo, "3131-SBC");
        EXPECT_TRUE(f.guardasIntactas());
    }
}

TEST(CopiaAcotada, BacksOffToTheStartOfAUtf8CharacterThatDoesNotFit)
{
    char nombre[30];
    const std::string veintiocho(28, 'a');
    copiarTexto(nombre, (veintiocho + kEnye).c_str());  // the "ñ" would need bytes 29 and 30
    EXPECT_EQ(std::string(nombre), veintiocho);

    copiarTexto(nombre, (std::string(27, 'a') + kEnye + "b").c_str());  // "ñ" fits, "b" does not
    EXPECT_EQ(std::string(nombre), std::string(27, 'a') + kEnye);

    char color[10];
    copiarTexto(color, "Azules\xF0\x9F\x9A\x97");  // a four-byte character that would be cut
    EXPECT_STREQ(color, "Azules");
}

TEST(CopiaAcotada, DoesNotDropACompleteCharacterBeforeAStrayContinuationByte)
{
    char color[4];
    copiarTexto(color, ("a" + kEnye + "\x80\x80").c_str());
    EXPECT_EQ(std::string(color), "a" + kEnye);
}

TEST(CopiaAcotada, StoresTheEmptyTextForANullPointerAndReplacesALongerOldText)
{
    char modelo[30];
    copiarTexto(modelo, "Opel Corsa");
    copiarTexto(modelo, nullptr);
    EXPECT_STREQ(modelo, "");
    copiarTexto(modelo, "Audi A3 Sportback");
    copiarTexto(modelo, "A3");
    EXPECT_STREQ(modelo, "A3");
}

TEST(CopiaAcotada, CopiesAFieldOntoItself)
{
    char modelo[30];
    copiarTexto(modelo, "Audi A3");
    copiarTexto(modelo, modelo);
    EXPECT_STREQ(modelo, "Audi A3");
}

TEST(LecturaDePalabra, FillsTheBufferToCapacityMinusOneAndDropsTheRestOfAnOverLongWord)
{
    const std::string cuarenta = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    std::istringstream entrada(cuarenta + " 12345678-Z\n");
    CampoVigilado<30> nombre;
    char dni[11];
    leerPalabra(entrada, nombre.campo);
    leerPalabra(entrada, dni);
    EXPECT_EQ(std::string(nombre.campo), cuarenta.substr(0, 29));
    EXPECT_TRUE(nombre.guardasIntactas());
    EXPECT_STREQ(dni, "12345678-Z");  // the next read starts at the next word
}

TEST(LecturaDePalabra, CutsAnOverLongWordAtACharacterBoundary)
{
    std::istringstream entrada(std::string(28, 'n') + kEnye + kEnye + " siguiente");
    char nombre[30];
    leerPalabra(entrada, nombre);
    EXPECT_EQ(std::string(nombre), std::string(28, 'n'));
    leerPalabra(entrada, nombre);
    EXPECT_STREQ(nombre, "siguiente");
}

// The end-to-end tests prove these through garaxo on POSIX only; here every standard library
// the unit tests build with (MSVC's too) reads them.
TEST(LecturaDePalabra, ANulOrWhiteSpaceEndsAWordAndTheEndOfInputGivesTheEmptyText)
{
    std::istringstream entrada(std::string("Ana\0Mar\tia\r\n", 12));
    char palabra[30];
    for (const char* esperada : {"Ana", "Mar", "ia", "", ""}) {
        leerPalabra(entrada, palabra);
        EXPECT_STREQ(palabra, esperada);
    }
}

TEST(LecturaDePalabra, FlushesTheTiedOutputBeforeReading)
{
    struct Vaciados : std::stringbuf {
        int veces = 0;
        int sync() override
        {
            ++veces;
            return std::stringbuf::sync();
        }
    } vaciados;
    std::ostream salida(&vaciados);
    std::istringstream entrada("Ana");
    entrada.tie(&salida);
    salida << "Introduce el nombre: ";
    char nombre[30];
    leerPalabra(entrada, nombre);
    EXPECT_EQ(vaciados.veces, 1);
}
