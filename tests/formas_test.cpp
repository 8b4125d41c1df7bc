#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <type_traits>

#include "shape_demo/formas.h"
#include "shape_demo/paleta.h"

static_assert(!std::is_polymorphic_v<Figura> && !std::is_polymorphic_v<Circulo> &&
              !std::is_polymorphic_v<Cuadrado>);
static_assert(std::is_same_v<decltype(Circulo().getRadio()), float>);
static_assert(std::is_same_v<decltype(Cuadrado().getLado()), int>);

TEST(Paleta, NamesTheTenColoursInOrderAndNoOtherNumber)
{
    const char* const esperados[] = {"Blanco",  "Verde",    "Azul",   "Rojo", "Naranja",
                                     "Violeta", "Amarillo", "Marron", "Rosa", "Negro"};
    for (int numero = 1; numero <= 10; ++numero)
        EXPECT_STREQ(nombreDeColor(numero), esperados[numero - 1]) << numero;
    for (const int numero : {0, 11, -1, INT_MIN, INT_MAX})
        EXPECT_EQ(nombreDeColor(numero), nullptr);
}

TEST(Paleta, NextColourIsOneAfterTenAndTheFollowingNumberOtherwiseUnchecked)
{
    EXPECT_EQ(siguienteColor(10), 1);
    EXPECT_EQ(siguienteColor(9), 10);
    EXPECT_EQ(siguienteColor(0), 1);
    EXPECT_EQ(siguienteColor(11), 12);
    EXPECT_EQ(siguienteColor(-1), 0);
    EXPECT_EQ(nombreDeColor(siguienteColor(INT_MAX)), nullptr);  // no overflow, and no colour
}

TEST(Figura, ConstructorsGiveABlankForEveryMissingText)
{
    const Figura vacia;
    EXPECT_STREQ(vacia.getNombre(), " ");
    EXPECT_STREQ(vacia.getColor(), " ");

    const Figura sinColor("Rombo");
    EXPECT_STREQ(sinColor.getNombre(), "Rombo");
    EXPECT_STREQ(sinColor.getColor(), " ");

    EXPECT_STREQ(Figura("Rombo", "Fucsia").getColor(), "Fucsia");  // any text, palette or not
    EXPECT_STREQ(Figura("Rombo", 7).getColor(), "Amarillo");
    EXPECT_STREQ(Figura("Rombo", 0).getColor(), " ");  // a number that names no colour
}

TEST(Figura, ByNumberSetColorLooksUpThePaletteAndIgnoresOtherNumbers)
{
    Figura f("Rombo");
    for (const int numero : {0, 11, -1}) {
        f.setColor(numero);
        EXPECT_STREQ(f.getColor(), " ");
    }
    f.setColor(10);
    EXPECT_STREQ(f.getColor(), "Negro");
    f.setColor(5);
    const char* porNumero = f.getColor();
    Figura g("Rombo");
    g.setColor("Naranja");
    EXPECT_STREQ(porNumero, g.getColor());
}

TEST(Figura, TextsOfTenOrMoreBytesAreCutToNine)
{
    Figura f("Paralelogramo", "Turquesa oscuro");
    EXPECT_STREQ(f.getNombre(), "Paralelog");
    EXPECT_STREQ(f.getColor(), "Turquesa ");
    f.setNombre("Triangulo");
    EXPECT_STREQ(f.getNombre(), "Triangulo");
}

TEST(Formas, EveryConstructorGivesItsNameColourAndMeasure)
{
    EXPECT_STREQ(Circulo().getNombre(), "Circulo");
    EXPECT_STREQ(Circulo().getColor(), " ");
    EXPECT_EQ(Circulo().getRadio(), 0.0F);
    EXPECT_EQ(Circulo(15.0F).getRadio(), 15.0F);
    EXPECT_STREQ(Circulo(15.0F).getColor(), " ");
    EXPECT_STREQ(Circulo("Blanco", 25.0F).getColor(), "Blanco");
    EXPECT_EQ(Circulo("Blanco", 25.0F).getRadio(), 25.0F);
    EXPECT_STREQ(Circulo(5, 2.5F).getColor(), "Naranja");  // the number's own colour, not the next
    EXPECT_EQ(Circulo(5, 2.5F).getRadio(), 2.5F);
    EXPECT_STREQ(Circulo(11, 1.0F).getColor(), " ");

    EXPECT_STREQ(Cuadrado().getNombre(), "Cuadrado");
    EXPECT_STREQ(Cuadrado().getColor(), " ");
    EXPECT_EQ(Cuadrado().getLado(), 0);
    EXPECT_EQ(Cuadrado(15).getLado(), 15);
    EXPECT_STREQ(Cuadrado(15).getColor(), " ");
    EXPECT_STREQ(Cuadrado("Blanco", 25).getColor(), "Blanco");
    EXPECT_EQ(Cuadrado("Blanco", 25).getLado(), 25);
    EXPECT_STREQ(Cuadrado(9, -3).getColor(), "Rosa");
    EXPECT_EQ(Cuadrado(9, -3).getLado(), -3);
    EXPECT_STREQ(Cuadrado(0, 1).getColor(), " ");
}

TEST(Formas, SettersOfTheMeasuresStoreAnyValue)
{
    Circulo c;
    c.setRadio(-1.5F);
    EXPECT_EQ(c.getRadio(), -1.5F);
    Cuadrado s;
    s.setLado(INT_MIN);
    EXPECT_EQ(s.getLado(), INT_MIN);
}

TEST(Formas, TheSameNumberGivesASquareItsColourAndACircleTheNextOne)
{
    struct Caso {
        int numero;
        const char* cuadrado;
        const char* circulo;
    };
    for (const Caso caso :
         {Caso{10, "Negro", "Blanco"}, Caso{9, "Rosa", "Negro"}, Caso{5, "Naranja", "Violeta"},
          Caso{0, "Verde", "Blanco"}, Caso{11, "Verde", "Verde"}, Caso{-1, "Verde", "Verde"},
          Caso{INT_MAX, "Verde", "Verde"}}) {
        Cuadrado s("Verde", 1);
        Circulo c("Verde", 1.0F);
        s.setColor(caso.numero);
        c.setColor(caso.numero);
        EXPECT_STREQ(s.getColor(), caso.cuadrado) << caso.numero;
        EXPECT_STREQ(c.getColor(), caso.circulo) << caso.numero;
    }
}

TEST(Formas, ByNameColourIsStoredUnchangedOnBothShapes)
{
    Circulo c(3.0F);
    Cuadrado s(3);
    c.setColor("Naranja");
    s.setColor("Naranja");
    EXPECT_STREQ(c.getColor(), "Naranja");
    EXPECT_STREQ(s.getColor(), "Naranja");
}

TEST(Formas, AGetterPointerShowsALaterRecolouring)
{
    Circulo c("Blanco", 25.0F);
    const char* color = c.getColor();
    c.setColor(10);
    EXPECT_STREQ(color, "Blanco");
    c.setColor(3);
    EXPECT_STREQ(color, "Rojo");
}

// Nothing is virtual: the type a call is made through picks the setter.
TEST(Formas, ACallThroughAFiguraReferenceReachesFigurasSetterNotTheCircles)
{
    Circulo c(15.0F);
    c.setColor(10);
    EXPECT_STREQ(c.getColor(), "Blanco");

    Figura& comoFigura = c;
    comoFigura.setColor(10);
    EXPECT_STREQ(c.getColor(), "Negro");

    Figura* puntero = &c;
    puntero->setColor(9);
    EXPECT_STREQ(c.getColor(), "Rosa");
}
