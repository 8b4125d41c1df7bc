#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <type_traits>

#include "figure_demo/formas.h"

static_assert(std::is_polymorphic_v<Figura>);
static_assert(!std::has_virtual_destructor_v<Figura>);
static_assert(std::is_same_v<decltype(Circulo().getRadio()), float>);
static_assert(std::is_same_v<decltype(Cuadrado().getLado()), int>);

namespace {

// One of each class, all reached through Figura pointers, as the program reaches them.
struct TresFiguras {
    Figura figura{"Triangulo", "Verde"};
    Cuadrado cuadrado{"Azul", 20};
    Circulo circulo{"Rojo", 14.0F};
    Figura* fi[3] = {&figura, &cuadrado, &circulo};
};

}  // namespace

TEST(Despacho, NineGivesRosaToAFiguraAndACuadradoAndNegroToACirculo)
{
    TresFiguras t;
    for (Figura* f : t.fi) f->setColor(9);
    EXPECT_STREQ(t.fi[0]->getColor(), "Rosa");
    EXPECT_STREQ(t.fi[1]->getColor(), "Rosa");
    EXPECT_STREQ(t.fi[2]->getColor(), "Negro");
}

TEST(Despacho, TenGivesAFiguraNegroButACirculoBlancoAsZeroDoes)
{
    for (const int numero : {10, 0}) {
        TresFiguras t;
        t.fi[2]->setColor(numero);
        EXPECT_STREQ(t.circulo.getColor(), "Blanco") << numero;
    }
    TresFiguras t;
    t.fi[0]->setColor(10);
    EXPECT_STREQ(t.figura.getColor(), "Negro");
}

TEST(Despacho, NumbersThatNameNoColourLeaveEveryColourAsItWas)
{
    TresFiguras t;
    t.fi[0]->setColor(0);
    t.fi[1]->setColor(0);
    for (const int numero : {11, -1, INT_MAX})
        for (Figura* f : t.fi) f->setColor(numero);
    EXPECT_STREQ(t.figura.getColor(), "Verde");
    EXPECT_STREQ(t.cuadrado.getColor(), "Azul");
    EXPECT_STREQ(t.circulo.getColor(), "Rojo");
}

TEST(Despacho, ByNameNaranjaIsStoredUnchangedThroughThePointerAndOnTheObject)
{
    TresFiguras t;
    for (Figura* f : t.fi) f->setColor("Naranja");
    for (Figura* f : t.fi) EXPECT_STREQ(f->getColor(), "Naranja");

    TresFiguras u;
    u.figura.setColor("Naranja");
    u.cuadrado.setColor("Naranja");
    u.circulo.setColor("Naranja");
    for (Figura* f : u.fi) EXPECT_STREQ(f->getColor(), "Naranja");
}

TEST(Construccion, ANineCharacterNameIsKeptWholeAndATenCharacterOneIsCutToNine)
{
    Figura f("Triangulo", "Verde");
    EXPECT_STREQ(f.getNombre(), "Triangulo");
    f.setNombre("Hexagonos");
    EXPECT_STREQ(f.getNombre(), "Hexagonos");
    f.setNombre("Pentagonos");  // ten: cut to nine
    EXPECT_STREQ(f.getNombre(), "Pentagono");
}

TEST(Construccion, AColourNumberUsesFigurasOwnLookupForEveryClass)
{
    Circulo c(3, 1.0F);
    EXPECT_STREQ(c.getColor(), "Azul");
    c.setColor(3);
    EXPECT_STREQ(c.getColor(), "Rojo");
    EXPECT_STREQ(Cuadrado(3, 1).getColor(), "Azul");
    EXPECT_STREQ(Figura("Rombo", 3).getColor(), "Azul");
    EXPECT_STREQ(Circulo(12, 1.0F).getColor(), " ");
    EXPECT_STREQ(Figura("Rombo", -4).getColor(), " ");
}

TEST(Construccion, DefaultConstructorsGiveBlanksAndZeroMeasures)
{
    const Figura f;
    EXPECT_STREQ(f.getNombre(), " ");
    EXPECT_STREQ(f.getColor(), " ");
    EXPECT_STREQ(Figura("Rombo").getColor(), " ");

    const Circulo c;
    EXPECT_STREQ(c.getNombre(), "Circulo");
    EXPECT_STREQ(c.getColor(), " ");
    EXPECT_EQ(c.getRadio(), 0.0F);
    EXPECT_EQ(Circulo(2.5F).getRadio(), 2.5F);

    const Cuadrado s;
    EXPECT_STREQ(s.getNombre(), "Cuadrado");
    EXPECT_STREQ(s.getColor(), " ");
    EXPECT_EQ(s.getLado(), 0);
    EXPECT_EQ(Cuadrado(7).getLado(), 7);
}

TEST(Construccion, MeasuresAreStoredAsTheyCome)
{
    Circulo c("Rojo", 14.0F);
    Cuadrado s("Azul", 20);
    EXPECT_EQ(c.getRadio(), 14.0F);
    EXPECT_EQ(s.getLado(), 20);
    c.setRadio(-2.0F);
    s.setLado(-20);
    EXPECT_EQ(c.getRadio(), -2.0F);
    EXPECT_EQ(s.getLado(), -20);
}

TEST(Construccion, AGetterPointerShowsALaterChange)
{
    TresFiguras t;
    const char* color = t.fi[2]->getColor();
    const char* nombre = t.fi[0]->getNombre();
    t.fi[2]->setColor(9);
    t.fi[0]->setNombre("Rombo");
    EXPECT_STREQ(color, "Negro");
    EXPECT_STREQ(nombre, "Rombo");
}
