#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

#include "car_owner_demo/coche.h"
#include "car_owner_demo/propietario.h"

static_assert(std::has_virtual_destructor_v<coche>);
static_assert(!std::is_polymorphic_v<propietario> && !std::is_polymorphic_v<propietario2>);

TEST(Coche, StartsWithThreeEmptyTextsAndKeepsWhatItIsBuiltWith)
{
    const coche vacio;
    EXPECT_STREQ(vacio.getMatricula(), "");
    EXPECT_STREQ(vacio.getModelo(), "");
    EXPECT_STREQ(vacio.getColor(), "");

    const coche audi("3131-SBC", "Audi A3", "Rojo");
    EXPECT_STREQ(audi.getMatricula(), "3131-SBC");  // 8 characters: fills the plate field
    EXPECT_STREQ(audi.getModelo(), "Audi A3");
    EXPECT_STREQ(audi.getColor(), "Rojo");
}

TEST(Coche, TextsThatDoNotFitAreCutToTheirFields)
{
    coche c("3131-SBC-9", std::string(40, 'm').c_str(), std::string(25, 'c').c_str());
    EXPECT_STREQ(c.getMatricula(), "3131-SBC");
    EXPECT_EQ(std::string(c.getModelo()), std::string(29, 'm'));
    EXPECT_EQ(std::string(c.getColor()), std::string(19, 'c'));
}

TEST(Coche, AGetterPointsIntoTheCarAndShowsLaterChanges)
{
    coche c("1818-SBC", "Opel Corsa", "Verde");
    const char* color = c.getColor();
    const char* modelo = c.getModelo();
    c.setColor("Azul");
    c.setModelo("");
    EXPECT_STREQ(color, "Azul");
    EXPECT_STREQ(modelo, "");
    c.setMatricula("0000-AAA");
    EXPECT_STREQ(c.getMatricula(), "0000-AAA");
}

TEST(Coche, ACopyIsIndependentAfterCopyConstructionAndAfterAssignment)
{
    coche original("3131-SBC", "Audi A3", "Rojo");
    coche copia(original);
    copia.setColor("Rosa");
    EXPECT_STREQ(original.getColor(), "Rojo");
    original.setColor("Negro");
    EXPECT_STREQ(copia.getColor(), "Rosa");

    coche asignado;
    asignado = original;
    EXPECT_STREQ(asignado.getMatricula(), "3131-SBC");
    EXPECT_STREQ(asignado.getModelo(), "Audi A3");
    asignado.setModelo("Seat Ibiza");
    EXPECT_STREQ(original.getModelo(), "Audi A3");
    EXPECT_STREQ(asignado.getModelo(), "Seat Ibiza");
}

TEST(Propietario2, KeepsNameAndDniAndStartsWithAnEmptyCar)
{
    const propietario2 p("Juan", "12345678-Z");
    EXPECT_STREQ(p.getNombre(), "Juan");
    EXPECT_STREQ(p.getDni(), "12345678-Z");  // 10 characters: fills the field
    const coche c = p.getCoche();
    EXPECT_STREQ(c.getMatricula(), "");
    EXPECT_STREQ(c.getModelo(), "");
    EXPECT_STREQ(c.getColor(), "");

    const propietario2 vacio;
    EXPECT_STREQ(vacio.getNombre(), "");
    EXPECT_STREQ(vacio.getDni(), "");
}

TEST(Propietario2, HoldsItsOwnCopyOfTheCarItIsGiven)
{
    propietario2 p("Juan", "12345678-Z");
    coche ch2("3131-SBC", "Audi A3", "Rojo");
    p.setCoche(ch2);
    ch2.setColor("Verde");
    EXPECT_STREQ(p.getCoche().getMatricula(), "3131-SBC");
    EXPECT_STREQ(p.getCoche().getColor(), "Rojo");
}

TEST(Propietario2, ChangesItsHeldCarOnlyThroughItsAddress)
{
    propietario2 p("Juan", "12345678-Z");
    const coche ch2("3131-SBC", "Audi A3", "Rojo");
    p.setCoche(ch2);

    coche copia = p.getCoche();
    copia.setColor("Blanco");
    EXPECT_STREQ(p.getCoche().getColor(), "Rojo");

    p.getPunteroCoche()->setColor("Rosa");
    EXPECT_STREQ(p.getCoche().getColor(), "Rosa");
    EXPECT_STREQ(ch2.getColor(), "Rojo");
}

TEST(Propietario2, StoresA29CharacterNameAndA10CharacterDniWholeAndCutsLongerOnes)
{
    const std::string nombre29(29, 'n');
    propietario2 p2(nombre29.c_str(), "12345678-Z");
    EXPECT_EQ(std::string(p2.getNombre()), nombre29);
    EXPECT_STREQ(p2.getDni(), "12345678-Z");

    p2.setNombre("Ana");
    p2.setDni("12345678-ZZZ");
    EXPECT_STREQ(p2.getNombre(), "Ana");
    EXPECT_STREQ(p2.getDni(), "12345678-Z");
}

TEST(Propietario, RefersToACarWithoutCopyingIt)
{
    propietario p1("Ana", "87654321-X");
    EXPECT_EQ(p1.getCoche(), nullptr);

    coche c1("1818-SBC", "Opel Corsa", "Verde");
    p1.setCoche(&c1);
    EXPECT_EQ(p1.getCoche(), &c1);
    p1.getCoche()->setColor("Azul");
    EXPECT_STREQ(c1.getColor(), "Azul");

    coche otro;
    p1.setCoche(&otro);
    EXPECT_EQ(p1.getCoche(), &otro);

    const propietario vacio;
    EXPECT_EQ(vacio.getCoche(), nullptr);
    EXPECT_STREQ(vacio.getNombre(), "");
}

TEST(Propietario, LeavesItsCarIntactWhenDestroyed)
{
    coche c1("1818-SBC", "Opel Corsa", "Verde");
    {
        auto p1 = std::make_unique<propietario>("Ana", "87654321-X");
        p1->setCoche(&c1);
    }
    EXPECT_STREQ(c1.getModelo(), "Opel Corsa");
    c1.setColor("Azul");
    EXPECT_STREQ(c1.getColor(), "Azul");
}

TEST(Propietario, StoresA29CharacterNameWholeAndCutsALongerOne)
{
    const std::string nombre29(29, 'n');
    propietario p1(nombre29.c_str(), "12345678-Z");
    EXPECT_EQ(std::string(p1.getNombre()), nombre29);

    p1.setNombre((nombre29 + "XYZ").c_str());
    p1.setDni("1");
    EXPECT_EQ(std::string(p1.getNombre()), nombre29);
    EXPECT_STREQ(p1.getDni(), "1");
}
