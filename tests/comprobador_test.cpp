// The checker's parts, each on recorded compiler messages and program output: what a learner reads
// after an attempt, without compiling or running one.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "comprobador/comparacion.h"
#include "comprobador/compilacion.h"
#include "comprobador/marcas.h"
#include "comprobador/mensajes.h"
#include "comprobador/pistas.h"
#include "comprobador/programas.h"
#include "comprobador/reservas.h"
#include "comprobador/terminacion.h"

namespace fs = std::filesystem;

namespace {

// A failure shows the text sought and the whole answer: a reworded message is mended from it.
::testing::AssertionResult contiene(const std::string& texto, const std::string& buscado)
{
    if (texto.find(buscado) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected «" << buscado << "» in «" << texto << "»";
}

// What the checks' console writes: "\f" at a pause, a line read between "\x01" and "\x02".
comparacion::Diferencia diferencia(const std::string& bruta, const std::string& esperada)
{
    return comparacion::primeraDiferencia(comparacion::nombrar(comparacion::separar(bruta)),
                                          comparacion::esperada(esperada));
}

// The project's folder as this system writes it, and a file of it as a compiler names it.
const fs::path kProyecto = fs::temp_directory_path() / "demos";
std::string enProyecto(const char* archivo) { return (kProyecto / archivo).string(); }

std::string explicado(const std::vector<std::string>& lineas, bool enlazando = false)
{
    return mensajes::explicar(lineas, kProyecto, enlazando);
}

// A folder of its own for each test, gone at its end.
class Carpeta : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(raiz());
        fs::create_directories(raiz());
    }
    void TearDown() override { fs::remove_all(raiz()); }

    static fs::path raiz()
    {
        return fs::temp_directory_path() /
               ("comprobador_test-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }

    static void escribir(const std::string& ruta, const std::string& texto = "")
    {
        fs::create_directories((raiz() / ruta).parent_path());
        std::ofstream(raiz() / ruta) << texto;
    }

    // Moves a file's time `segundos` away from now, as a save then would.
    static void fechar(const fs::path& ruta, int segundos)
    {
        fs::last_write_time(ruta,
                            fs::file_time_type::clock::now() + std::chrono::seconds(segundos));
    }
};

}  // namespace

TEST(Comparacion, ALineNamesItsScreenAfterEachPauseAndCountsTypedLinesAsATerminalShowsThem)
{
    // garaxo's first screen: two prompts each answered on its own line, then the car.
    // The typed words are not in the expected output: a salida.txt has what the program writes.
    const auto d = diferencia(
        "Nombre: \x01Juan\n\x02"
        "DNI: \x01"
        "1-Z\n\x02"
        "Coche rojo\n\fDos\n",
        "Nombre: DNI: Coche rojo\nTres\n");
    EXPECT_EQ(d.lugar.pantalla, 2U);
    EXPECT_EQ(d.lugar.linea, 1U);
    const auto enPregunta = diferencia(
        "Nombre: \x01Juan\n\x02Tu DNI: \x01"
        "1-Z\n\x02",
        "Nombre: DNI: ");
    EXPECT_EQ(enPregunta.lugar.linea, 2U);
    EXPECT_EQ(enPregunta.vino, "Tu DNI: ");
    EXPECT_EQ(enPregunta.entera, "Nombre: Tu DNI: ") << "the whole line, as a salida.txt writes it";
}

TEST(Comparacion, AMissingLineIsToldApartFromAnEmptyOneAndFromAMissingLineEnd)
{
    const std::string falta = comparacion::describir(diferencia("uno\n", "uno\ndos\n"));
    EXPECT_TRUE(contiene(falta, "  ha salido:   (nada: la salida del programa termina antes)\n"));
    const std::string vacia = comparacion::describir(diferencia("uno\n\n", "uno\ndos\n"));
    EXPECT_TRUE(contiene(vacia, "  se esperaba: «dos»\n  ha salido:   (una línea vacía)\n"));
    const std::string esperadaVacia = comparacion::describir(diferencia("uno\n", "\n"));
    EXPECT_TRUE(
        contiene(esperadaVacia, "  se esperaba: (una línea vacía)\n  ha salido:   «uno»\n"));
    const std::string sinFin = comparacion::describir(diferencia("uno", "uno\n"));
    EXPECT_TRUE(contiene(sinFin, "Las dos líneas se ven iguales"));
}

TEST(Comparacion, AddressesAreNamesTheSameWhereTheSameAddressStands)
{
    const auto nombrada = comparacion::nombrar(comparacion::separar(
        "a 0x7ffd5e8c1a40 b 0x55aa c 0x7ffd5e8c1a40 w 00007FF6A1B2C3D4 x0x10\n"));
    EXPECT_EQ(nombrada.texto,
              "a [dirección 1] b [dirección 2] c [dirección 1] w [dirección 3] "
              "x0x10\n")
        << "MSVC's 16 digits are one; an address inside a word is none";
    EXPECT_EQ(
        comparacion::esperada("p [dirección 7]\r\nq [dirección 3] [dirección 7] [dirección x]"),
        "p [dirección 1]\nq [dirección 2] [dirección 1] [dirección x]");
}

TEST(Comparacion, ADifferenceInAnAddressShowsTheLineAsItCameAndWhatTheNamesMean)
{
    const std::string texto = comparacion::describir(
        diferencia("a 0x10\nde nuevo a 0x20\n", "a [dirección 1]\nde nuevo a [dirección 1]\n"));
    EXPECT_TRUE(contiene(texto,
                         "en la pantalla 1, línea 2:\n"
                         "  se esperaba: «de nuevo a [dirección 1]»\n"
                         "  ha salido:   «de nuevo a [dirección 2]»\n"
                         "  tal cual:    «de nuevo a 0x20»\n"
                         "[dirección 1], [dirección 2]... están en lugar de"))
        << texto;
}

TEST(Comparacion, ALineWithoutEndIsCutInsideNoCharacter)
{
    const std::string larga(99, 'a');
    const std::string texto = comparacion::describir(diferencia(larga + "ñ fin\n", "otra\n"));
    EXPECT_TRUE(contiene(texto, "«" + larga + "...»"));
}

TEST(Comparacion, BytesThatAreNotTextAreShownAsReplacementsAndExplained)
{
    // A deleted object's bytes, as the checks' free store leaves them, printed as a name.
    const std::string texto = comparacion::describir(
        diferencia("Se destruye el \xDD\xDD\x07ñ\n", "Se destruye el Circulo\n"));
    EXPECT_TRUE(
        contiene(texto, "ha salido:   «Se destruye el \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDñ»"))
        << texto;
    EXPECT_TRUE(contiene(texto, "Cada � es un byte que no es texto"));
    EXPECT_EQ(
        comparacion::describir(diferencia("Se destruye el Círculo\n", "Se destruye el Circulo\n"))
            .find("Cada �"),
        std::string::npos);
}

TEST(Pistas, AHintAnswersTheLineAsTheTerminalShowsItOrTheWholeLine)
{
    const auto lista = pistas::leer(
        "pista: before any sale, none\n# a comment\n\nsale: Color: Negro\npista: Sin &.\r\n"
        "sale: Nombre: Tu DNI: \npista: Deja la pregunta.\n"
        "sale: en [dirección 2]\npista: Es &p1.\n");
    ASSERT_EQ(lista.size(), 3U);
    EXPECT_EQ(pistas::para(lista, diferencia("Color: Negro\n", "Color: Rosa\n")), "Sin &.");
    EXPECT_EQ(pistas::para(lista, diferencia("Nombre: \x01J\n\x02Tu DNI: ", "Nombre: DNI: ")),
              "Deja la pregunta.");
    EXPECT_EQ(pistas::para(lista, diferencia("c en 0x10\nen 0x30\n",
                                             "c en [dirección 1]\nen [dirección 1]\n")),
              "Es &p1.")
        << "a hint names an address as the whole output numbers it";
    EXPECT_EQ(pistas::para(lista, diferencia("Color: Negr0\n", "Color: Rosa\n")), "");
    EXPECT_EQ(pistas::para(lista, diferencia("", "Color: Rosa\n")), "");
}

TEST(Mensajes, EachCommonErrorOfGccAndClangIsExplainedWithItsPlace)
{
    struct Caso {
        const char* linea;
        const char* explicacion;
    };
    const std::vector<Caso> casos = {
        {"figure_demo/main.cpp:6:20: error: expected ';' before 'imprimirr'",
         "Falta un punto y coma (;)"},
        {"figure_demo/main.cpp:6:20: error: expected ';' after expression",
         "Falta un punto y coma (;)"},
        // `int x = 5` before a statement: clang names its line; g++ the next one, in words of its
        // own, which must get the advice that allows for a line before.
        {"figure_demo/main.cpp:6:14: error: expected ';' at end of declaration",
         "Falta un punto y coma (;) al final de una instrucción o de una declaración (también "
         "después de la «}» que cierra una clase). Con g++ y clang falta en la línea que se "
         "señala"},
        {"figure_demo/main.cpp:6:5: error: expected ',' or ';' before 'std'",
         "Lee arriba la primera línea"},
        {"figure_demo/main.cpp:6:5: error: ‘imprimirr’ was not declared in this scope; did you "
         "mean ‘imprimir’?",
         "Se usa un nombre que el compilador no conoce"},
        {"figure_demo/main.cpp:6:19: error: 'cout' is not a member of 'std'",
         "Se usa un nombre que el compilador no conoce"},
        {"figure_demo/main.cpp:6:5: error: use of undeclared identifier 'imprimirr'",
         "Se usa un nombre que el compilador no conoce"},
        {"figure_demo/main.cpp:6:13: error: too many arguments to function 'void "
         "imprimir(Figura*)'",
         "Ninguna función con ese nombre acepta esos argumentos"},
        {"figure_demo/main.cpp:6:5: error: no matching function for call to 'imprimir'",
         "Ninguna función con ese nombre acepta esos argumentos"},
        {"figure_demo/main.cpp:6:17: error: invalid conversion from 'Figura*' to 'int' "
         "[-fpermissive]",
         "Se da un valor de un tipo donde hace falta otro"},
        {"figure_demo/main.cpp:6:9: error: cannot initialize a variable of type 'int' with an "
         "lvalue of type 'Figura *'",
         "Se da un valor de un tipo donde hace falta otro"},
        {"figure_demo/main.cpp:6:12: error: 'struct Figura' has no member named 'getColour'",
         "La clase no tiene ningún miembro con ese nombre"},
        {"figure_demo/main.cpp:6:12: error: no member named 'getColour' in 'Figura'",
         "La clase no tiene ningún miembro con ese nombre"},
        {"figure_demo/main.cpp:6:8: error: request for member 'setColor' in 'fi', which is of "
         "non-class type 'Figura* [3]'",
         "Se usa «.» con un puntero, o «->» con un objeto"},
        {"figure_demo/main.cpp:6:12: error: expected '}' at end of input",
         "Falta cerrar una llave «}» o un paréntesis «)»"},
        {"figure_demo/main.cpp:6:24: error: conversion from 'Figura*' to non-scalar type 'Figura' "
         "requested",
         "Se da un valor de un tipo donde hace falta otro"},
        {"figure_demo/main.cpp:6:29: error: taking address of rvalue [-fpermissive]",
         "Se pide con «&» la dirección de algo que no la tiene"},
        {"figure_demo/main.cpp:6:17: error: taking the address of a temporary object of type "
         "'coche' "
         "[-Waddress-of-temporary]",
         "Se pide con «&» la dirección de algo que no la tiene"},
        {"figure_demo/main.cpp:6:58: error: invalid array assignment",
         "Un array no se asigna con «=»"},
        {"figure_demo/main.cpp:6:58: error: array type 'char[9]' is not assignable",
         "Un array no se asigna con «=»"},
        {"figure_demo/main.cpp:6:19: error: 'cout' was not declared in this scope; did you mean "
         "'std::cout'?",
         "Los nombres de la biblioteca estándar"},
        {"figure_demo/main.cpp:6:19: error: use of undeclared identifier 'cout'; did you mean "
         "'std::cout'?",
         "Los nombres de la biblioteca estándar"},
        {"figure_demo/main.cpp:6:10: error: no match for 'operator<<' (operand types are "
         "'std::ostream' {aka 'std::basic_ostream<char>'} and 'coche')",
         "cout no sabe escribir un objeto de una clase tuya"},
        {"figure_demo/main.cpp:6:10: error: invalid operands to binary expression ('std::ostream' "
         "(aka 'basic_ostream<char>') and 'coche')",
         "cout no sabe escribir un objeto de una clase tuya"},
        {"figure_demo/main.cpp:6:1: error: definition of implicitly-declared 'Figura::~Figura()'",
         "Lee arriba la primera línea"},
        {"figure_demo/main.cpp:6:28: error: 'void Mal::setColor(long int)' marked 'override', but "
         "does not override",
         "Una función marcada con override no redefine ninguna"},
        {"figure_demo/main.cpp:6:49: error: non-virtual member function marked 'override' hides "
         "virtual member function",
         "Una función marcada con override no redefine ninguna"},
        {"figure_demo/main.cpp:6:40: error: invalid use of non-static member function 'const "
         "char* coche::getColor() const'",
         "Para llamar a una función hacen falta los paréntesis"},
        {"figure_demo/main.cpp:6:50: error: reference to non-static member function must be "
         "called; did you mean to call it with no arguments?",
         "Para llamar a una función hacen falta los paréntesis"},
        {"figure_demo/main.cpp:6:5: error: invalid constructor; you probably meant 'coche (const "
         "coche&)'",
         "Un constructor de copia recibe el otro objeto por referencia"},
        {"figure_demo/main.cpp:6:17: error: copy constructor must pass its first argument by "
         "reference",
         "Un constructor de copia recibe el otro objeto por referencia"},
        {"figure_demo/main.cpp:6:48: error: invalid use of 'this' in non-member function",
         "Una función de una clase, escrita en el .cpp, lleva delante el nombre de su clase"},
        {"figure_demo/main.cpp:6:1: error: ISO C++ forbids declaration of 'coche' with no type "
         "[-fpermissive]",
         "Una función de una clase, escrita en el .cpp, lleva delante el nombre de su clase"},
        {"figure_demo/main.cpp:6:1: error: destructor must be a non-static member function",
         "Una función de una clase, escrita en el .cpp, lleva delante el nombre de su clase"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.linea);
        const std::string texto = explicado({"In function 'int main()':", caso.linea});
        // An error no kind names gets the general advice, "Lee arriba...".
        const std::string explicacion = caso.explicacion;
        // The compiler's own suggestion, where it makes one, comes first, in its words.
        const std::string linea = mensajes::comillasSimples(caso.linea);
        const std::size_t propone =
            std::min(linea.find("did you mean"), linea.find("you probably"));
        std::string propuesta = propone == std::string::npos
                                    ? ""
                                    : "El compilador propone: «" + linea.substr(propone) + "». ";
        const std::string comienzo =
            explicacion.rfind("Lee arriba", 0) == 0
                ? explicacion
                : "Lo que suele querer decir:\n- " + propuesta.append(explicacion);
        EXPECT_EQ(texto.rfind(comienzo, 0), 0U) << texto;
        EXPECT_TRUE(contiene(texto, " Mira figure_demo/main.cpp, línea 6.\n"));
    }
}

TEST(Mensajes, AMissingBodyIsExplainedFromTheLinkersLineWhichHasNoPlace)
{
    const std::string texto =
        explicado({"/usr/bin/ld: comprobacion/objetos/figure_demo/main.o: in function `main':",
                   "main.cpp:(.text+0x5): undefined reference to `falta()'",
                   "collect2: error: ld returned 1 exit status"},
                  true);
    EXPECT_EQ(texto, std::string("Lo que suele querer decir:\n- ") +
                         mensajes::kExplicaciones.back().texto + "\n");
}

TEST(Mensajes, ADestructorDeclaredAndNeverWrittenIsNamedFromTheLinkersLines)
{
    const std::string texto =
        explicado({"/usr/bin/ld: comprobacion/objetos/car_owner_demo/coche.o: in function "
                   "`coche::coche(char const*, char const*, char const*)':",
                   "coche.cpp:(.text+0x4f): undefined reference to `vtable for coche'",
                   "main.cpp:(.text+0x194): undefined reference to `coche::~coche()'",
                   "collect2: error: ld returned 1 exit status"},
                  true);
    EXPECT_EQ(texto.rfind("Lo que suele querer decir:\n- Falta el cuerpo de un destructor", 0), 0U)
        << texto;
    EXPECT_EQ(texto.find("- Falta el cuerpo"), texto.rfind("- Falta el cuerpo"))
        << "one explanation, not the general one besides";
}

TEST(Mensajes, OneErrorMadeThreeTimesIsExplainedOnceWithEachPlace)
{
    const std::string error = ": error: expected ';' before '}' token";
    const std::string texto = explicado({enProyecto("figure_demo/main.cpp") + ":30:21" + error,
                                         enProyecto("figure_demo/main.cpp") + ":34:21" + error,
                                         enProyecto("figure_demo/main.cpp") + ":34:21" + error,
                                         enProyecto("figure_demo/main.cpp") + ":41:21" + error});
    EXPECT_EQ(texto.find("punto y coma"), texto.rfind("punto y coma")) << texto;
    EXPECT_TRUE(contiene(texto,
                         " Mira figure_demo/main.cpp, línea 30. También en figure_demo/main.cpp, "
                         "línea 34 y figure_demo/main.cpp, línea 41.\n"))
        << texto;
}

TEST(Mensajes, AnErrorNotRecognizedGetsTheGeneralAdviceWithTheFirstErrorsPlace)
{
    EXPECT_EQ(explicado({"figure_demo/main.cpp: In function 'int main()':",
                         "figure_demo/main.cpp:20:5: warning: unused variable 'x'",
                         "figure_demo/main.cpp:21:7: error: lvalue required as left operand of "
                         "assignment"}),
              "Lee arriba la primera línea que dice «error»: empieza por el archivo y el número de "
              "línea donde el compilador ha visto el fallo, y el fallo suele estar en esa línea o "
              "poco antes. Mira figure_demo/main.cpp, línea 21.\n");
}

TEST(Mensajes, ClsLinesAreReadWithTheirPlaceAndCode)
{
    const std::string texto = explicado(
        {"main.cpp", "figure_demo\\main.cpp(30): error C2065: 'fx': undeclared identifier",
         "figure_demo\\main.cpp(31): error C2143: syntax error: missing ';' before '}'"});
    EXPECT_TRUE(contiene(texto, "- Se usa un nombre que el compilador no conoce en ese punto"));
    EXPECT_TRUE(contiene(texto, "Mira figure_demo\\main.cpp, línea 30."));
    EXPECT_TRUE(contiene(texto, "- Falta un punto y coma"));
}

TEST(Mensajes, TheCompilersLinesAreShownWithoutTheProjectsFolderAndCut)
{
    std::vector<std::string> salida(32, "x");
    salida[0] = enProyecto("figure_demo/main.cpp") + ":3:1: error: " + std::string(300, 'e');
    const std::string texto = mensajes::mostrar(salida, kProyecto);
    EXPECT_EQ(texto.rfind("El compilador dice:\n  figure_demo/main.cpp:3:1: error: ", 0), 0U);
    EXPECT_TRUE(contiene(texto, "...\n")) << "a line cut at 200 bytes";
    EXPECT_TRUE(contiene(texto, "  (y 2 líneas más)\n\n"));
}

TEST(Mensajes, AQuotePastedFromADocumentAndAMissingHeaderAreEachExplainedFirst)
{
    for (const std::string& error :
         {std::string(":18:13: error: unexpected character <U+201C>"),  // clang 22
          std::string(":18:5: error: stray '\\342' in program")}) {     // g++
        const std::string texto =
            explicado({enProyecto("car_owner_demo/main.cpp") + error,
                       enProyecto("car_owner_demo/main.cpp") +
                           ":18:16: error: use of undeclared identifier 'PROPIETARIO'"});
        EXPECT_EQ(texto.rfind("Lo que suele querer decir:\n- Hay un carácter que C++ no admite", 0),
                  0U)
            << texto;
    }
    EXPECT_TRUE(contiene(explicado({enProyecto("car_owner_demo/main.cpp") +
                                    ":5:10: fatal error: 'car_owner_demo/cohe.h' file not found"}),
                         "Un #include nombra un archivo que no existe"));
}

TEST(Mensajes, AProjectAtTheRootKeepsEverySlashOfItsPaths)
{
    // The browser lab's checker works at "/": there is no folder to take off.
    EXPECT_EQ(mensajes::sinRaiz("car_owner_demo/coche.cpp:18:8: error: x", "/"),
              "car_owner_demo/coche.cpp:18:8: error: x");
}

TEST_F(Carpeta, ABodyForWhatTheHeaderDefaultsIsToldAtTheHeadersLineNotTheCorrectBody)
{
    escribir("car_owner_demo/coche.h", "class coche {\n    coche(const coche&) = default;\n};\n");
    const std::string nota =
        (raiz() / "car_owner_demo/coche.h").string() + ":2:5: note: previous declaration is here";
    // g++'s words, and clang's up to what the check reads of them (clang goes on to 'noexcept').
    const std::string clang = "error: 'coche' is missing exception";
    for (const std::string& error :
         {std::string("error: definition of explicitly-defaulted 'coche::coche(const coche&)'"),
          clang}) {
        SCOPED_TRACE(error);
        const std::string texto = mensajes::explicar(
            {(raiz() / "car_owner_demo/coche.cpp").string() + ":18:1: " + error, nota}, raiz(),
            false);
        EXPECT_TRUE(contiene(texto, "quita «= default»"));
        EXPECT_TRUE(contiene(texto, "Mira car_owner_demo/coche.h, línea 2.\n"));
        EXPECT_EQ(texto.find("coche.cpp"), std::string::npos) << texto;
    }
    // clang's same words of a copy constructor it declared itself point at the class: no advice
    // to take off a «= default» that is not there.
    escribir("car_owner_demo/coche.h", "class coche {\n    coche(coche otro);\n};\n");
    const std::string texto = mensajes::explicar(
        {(raiz() / "car_owner_demo/coche.cpp").string() + ":18:8: " + clang,
         (raiz() / "car_owner_demo/coche.h").string() + ":1:7: note: previous declaration is here"},
        raiz(), false);
    EXPECT_EQ(texto.find("= default"), std::string::npos) << texto;
}

TEST_F(Carpeta, AConstructorWrittenWithoutItsClassIsToldSoFromClangsBareWords)
{
    escribir("car_owner_demo/coche.cpp",
             "#include \"coche.h\"\n\ncoche(const coche& otro)\n{\n}\n"
             "int x = (1;\n");
    const std::string archivo = (raiz() / "car_owner_demo/coche.cpp").string();
    const std::string texto = mensajes::explicar(
        {archivo + ":3:7: error: expected unqualified-id", archivo + ":3:7: error: expected ')'",
         archivo + ":3:6: note: to match this '('", archivo + ":6:11: error: expected ')'"},
        raiz(), false);
    EXPECT_TRUE(contiene(texto,
                         "- Una función de una clase, escrita en el .cpp, lleva delante el nombre "
                         "de su clase"))
        << texto;
    // The same words elsewhere are clang's for a parenthesis left open.
    EXPECT_TRUE(contiene(texto,
                         "- Falta cerrar una llave «}» o un paréntesis «)»: cada «{» necesita su "
                         "«}», y cada «(» su «)». El compilador lo nota más abajo de donde falta: "
                         "busca hacia arriba dónde se abrió. Mira car_owner_demo/coche.cpp, "
                         "línea 6.\n"))
        << texto;
}

TEST(Pistas, WhatTheOutputCannotShowIsReadInTheCodeOutsideCommentsAndCharacters)
{
    const auto lista = pistas::leer(
        "literal: 1 Rojo\npista: Léelo de ch2.\nsobra: virtual void setColor\npista: Sin "
        "virtual.\nfugas: ninguna\nsale:\npista: ¿Es virtual?\n");
    ASSERT_EQ(lista.size(), 4U);
    EXPECT_TRUE(pistas::pideBorrarTodo(lista));
    EXPECT_FALSE(pistas::pideBorrarTodo(pistas::leer("sale: x\npista: y\n")));
    const std::string original = "coche ch2(\"3131-SBC\", \"Audi A3\", \"Rojo\");\n";
    EXPECT_EQ(pistas::enElCodigo(lista, {original + "// cout << \"Color: Rojo\";\n/* \"Rojo\" */"
                                                    "char c = '\"'; cout << ch2.getColor();\n"}),
              "");
    for (const std::string& copiada : {std::string(R"(cout << "COCHE ch2 Color: Rojo" << endl;)"),
                                       std::string(R"(cout << "COCHE ch2 Color: " << "Rojo";)")}) {
        SCOPED_TRACE(copiada);
        const std::string dicho = pistas::enElCodigo(lista, {original, copiada});
        EXPECT_EQ(dicho.rfind("el programa escribe «Rojo» tal cual", 0), 0U) << dicho;
        EXPECT_TRUE(contiene(dicho, "\nPista: Léelo de ch2."));
    }
    EXPECT_TRUE(
        contiene(pistas::enElCodigo(lista, {original, "  virtual\n void  setColor(int color);"}),
                 "Pista: Sin virtual."));
    EXPECT_EQ(pistas::enElCodigo(lista, {original, "virtual void setColorido(int);"}), "");
    // A hint for an output that ends where more was expected.
    EXPECT_EQ(pistas::para(lista, diferencia("A\n", "A\nSe destruye\n")), "¿Es virtual?");
}

TEST(Reservas, EachFaultIsToldWithTheLearnersLinesAndTheLibrarysObjectsAreNot)
{
    const auto sucesos = reservas::leer(
        "fuga 24 10 20 30\nfuga 24 10 21 30\nfuga 32 10 22\nfuga 8 10 40\n"
        "doble 10 50 60|10 51|10 20\nrara 1 2\n");
    ASSERT_EQ(sucesos.size(), 5U);
    EXPECT_EQ(sucesos[4].marcos, (std::vector<std::vector<std::uint64_t>>{
                                     {0x10, 0x50, 0x60}, {0x10, 0x51}, {0x10, 0x20}}));
    // addr2line's answer: 0x10 the checker's operator new, 0x40 the library, 0x50 a virtual
    // destructor that deletes on behalf of main's line 0x60.
    const std::map<std::uint64_t, std::string> sabido = {
        {0x10, "_Znwm\n" + enProyecto("comprobador/reservas.cpp") + ":230"},
        {0x20, "main\n" + enProyecto("shape_demo/main.cpp") + ":56"},
        {0x21, "main\n" + enProyecto("shape_demo/../shape_demo/main.cpp") + ":57"},
        {0x22, "_ZN6FiguraC2Ev\n" + enProyecto("shape_demo/figura.cpp") + ":9 (discriminator 2)"},
        {0x30, "__libc_start_main\n??:0"},
        {0x40, "_ZNSt6localeC1Ev\n/usr/include/c++/12/bits/locale.h:80"},
        {0x50, "_ZN7CirculoD0Ev\n" + enProyecto("shape_demo/formas.h") + ":12"},
        {0x51, "main\n" + enProyecto("shape_demo/main.cpp") + ":75"},
        {0x60, "main\n" + enProyecto("shape_demo/main.cpp") + ":77"}};
    std::size_t llamadas = 0;
    const auto resolver = [&](const std::vector<std::uint64_t>& direcciones) {
        ++llamadas;
        std::vector<std::string> r;
        for (const std::uint64_t d : direcciones) {
            const auto lineas = lineas::partir(sabido.at(d));
            r.insert(r.end(), lineas.begin(), lineas.end());
        }
        return r;
    };
    const std::string dicho = reservas::explicar(sucesos, true, kProyecto, resolver);
    EXPECT_TRUE(contiene(dicho,
                         "el delete de shape_demo/main.cpp, línea 77 borra un objeto que ya había "
                         "borrado el delete de shape_demo/main.cpp, línea 75 (el objeto lo creó "
                         "el new de shape_demo/main.cpp, línea 56)"))
        << dicho;
    EXPECT_TRUE(contiene(dicho,
                         "3 objetos creados con new no se borran nunca con delete: los de los new "
                         "de shape_demo/figura.cpp, línea 9; shape_demo/main.cpp, líneas 56 y 57."))
        << dicho;
    // Objects never deleted count only where the exercise asks; addr2line runs only for a fault.
    EXPECT_EQ(reservas::explicar(reservas::leer("fuga 24 10 20\n"), false, kProyecto, resolver),
              "");
    EXPECT_EQ(llamadas, 1U);
}

TEST_F(Carpeta, AWindowsExecutableIsReadFromWhereItExpectsToBeLoaded)
{
    std::string pe(0x200, '\0');
    pe.replace(0, 2, "MZ");
    pe[0x3C] = '\x80';
    pe.replace(0x80, 4, std::string("PE\0\0", 4));
    pe[0x98] = '\x0B';  // PE32+
    pe[0x99] = '\x02';
    pe[0x98 + 24 + 4] = '\x01';  // ImageBase 0x140000000
    pe[0x98 + 24 + 3] = '\x40';
    escribir("garaxo.exe", pe);
    escribir("garaxo",
             "\x7f"
             "ELF");
    EXPECT_EQ(reservas::baseDeImagen(raiz() / "garaxo.exe"), 0x140000000U);
    EXPECT_EQ(reservas::baseDeImagen(raiz() / "garaxo"), 0U);
}

TEST(Terminacion, EachWayOfEndingBadlyIsExplained)
{
    // A crash as each system tells it, named as it names it.
#ifdef _WIN32
    const unsigned long violacion = 0xC0000005UL;
    const unsigned long abortado = 0xC0000409UL;
    const std::string comoMemoria = "(0xC0000005)";
    const std::string comoAborto = "(0xC0000409)";
#else
    const unsigned long violacion = 11;
    const unsigned long abortado = 6;
    const std::string comoMemoria = "(señal 11, SIGSEGV)";
    const std::string comoAborto = "(señal 6, SIGABRT)";
#endif
    using proceso::Clase;
    using proceso::Fin;
    EXPECT_EQ(terminacion::comoTermino({Fin::Anormal, violacion, Clase::Memoria, ""}),
              "El programa ha terminado de forma anormal " + comoMemoria +
                  ": ha intentado usar memoria que no es suya. Suele ser un puntero nulo, un "
                  "puntero a algo que ya no existe (un objeto borrado con delete, o una variable "
                  "local de una función que ya terminó), o un índice que se sale del final de un "
                  "array.");
    EXPECT_TRUE(contiene(terminacion::comoTermino({Fin::Anormal, abortado, Clase::Aborto, ""}),
                         comoAborto + ": se ha detenido a sí mismo"));
    EXPECT_EQ(terminacion::comoTermino({Fin::Plazo, 0, Clase::Otra, ""})
                  .rfind("El programa no ha terminado en 10 segundos", 0),
              0U);
    EXPECT_EQ(terminacion::comoTermino({Fin::Estado, 3, Clase::Otra, ""}),
              "El programa ha terminado con el estado 3, no con 0.");
    EXPECT_EQ(terminacion::comoTermino({Fin::Estado, 0, Clase::Otra, ""}), "");
}

// A table as a Windows checkout may hold it, with its comment.
const char* const kTabla =
    "# nombre carpeta prestados\r\ngaraxo car_owner_demo\r\npintafor shape_demo\r\n"
    "polifor  figure_demo   shape_demo/paleta.cpp\r\n";

TEST_F(Carpeta, AProgramIsEveryCppOfItsFolderInNameOrderAndWhatTheTableSaysItBorrows)
{
    escribir("programas.txt", kTabla);
    escribir("figure_demo/main.cpp");
    escribir("figure_demo/figura.cpp");
    escribir("figure_demo/figura.h");
    escribir("figure_demo/nueva.cpp");
    escribir("figure_demo/notas.txt");
    const auto polifor = programas::buscar(raiz(), "polifor");
    ASSERT_TRUE(polifor);
    EXPECT_EQ(programas::propias(raiz(), *polifor),
              (std::vector<std::string>{"figure_demo/figura.cpp", "figure_demo/main.cpp",
                                        "figure_demo/nueva.cpp", "shape_demo/paleta.cpp"}));
    EXPECT_FALSE(programas::buscar(raiz(), "Garaxo"));
    EXPECT_FALSE(programas::buscar(raiz(), "#"));
    fs::remove(raiz() / "programas.txt");
    EXPECT_FALSE(programas::buscar(raiz(), "polifor")) << "no table, no program";
}

TEST_F(Carpeta, AChangeSavedInAnotherProgramsFolderIsFoundOnlyWellAfterThisProgramsFiles)
{
    for (const char* ruta : {"shape_demo/figura.cpp", "shape_demo/paleta.cpp",
                             "figure_demo/figura.h", "car_owner_demo/coche.cpp"})
        escribir(ruta);
    escribir("programas.txt", kTabla);
    const programas::Programa pintafor = *programas::buscar(raiz(), "pintafor");
    const programas::Programa polifor = *programas::buscar(raiz(), "polifor");
    EXPECT_EQ(programas::guardadoEnOtro(raiz(), pintafor).de, "") << "a tree copied a moment ago";
    fechar(raiz() / "figure_demo/figura.h", 60);
    const programas::Guardado otro = programas::guardadoEnOtro(raiz(), pintafor);
    EXPECT_EQ(otro.ruta, "figure_demo/figura.h");
    EXPECT_EQ(otro.de, "polifor");
    fechar(raiz() / "shape_demo/paleta.cpp", 120);
    EXPECT_EQ(programas::guardadoEnOtro(raiz(), polifor).de, "") << "the palette is polifor's too";
}

TEST_F(Carpeta, WhatIsCompiledAgainFollowsTheFilesContentsNeverTheirDates)
{
    const std::vector<std::string> fuentes = {"car_owner_demo/coche.cpp",
                                              "car_owner_demo/main.cpp"};
    escribir(fuentes[0], "coche");
    escribir(fuentes[1], "main");
    escribir("car_owner_demo/coche.h", "clase");
    // Plans, and does what the checker does with the plan: each object made, then noted.
    const auto compila = [&](const std::string& sello) {
        const auto plan = compilacion::planear(raiz(), fuentes, raiz() / "objetos", sello, ".o");
        escribir("objetos/sello.txt", sello);
        std::vector<std::string> hechas;
        for (const compilacion::Paso& paso : plan.compilar) {
            escribir(fs::relative(paso.objeto, raiz()).string());
            compilacion::anotar(paso);
            hechas.push_back(fs::relative(paso.fuente, raiz()).generic_string());
        }
        return hechas;
    };
    EXPECT_EQ(compila("g++"), fuentes);
    fechar(raiz() / fuentes[0], 100);
    EXPECT_TRUE(compila("g++").empty()) << "saved again, unchanged";
    escribir(fuentes[1], "main cambiado");
    EXPECT_EQ(compila("g++"), std::vector<std::string>{fuentes[1]});
    escribir(fuentes[1], "main");  // put back from a copy of the folder, older than its object
    fechar(raiz() / fuentes[1], -100000);
    EXPECT_EQ(compila("g++"), std::vector<std::string>{fuentes[1]});
    escribir("car_owner_demo/coche.h", "clase cambiada");
    fechar(raiz() / "car_owner_demo/coche.h", -100000);
    EXPECT_EQ(compila("g++"), fuentes) << "a header may be in any of them";
    escribir("car_owner_demo/nueva.h");
    EXPECT_EQ(compila("g++"), fuentes) << "a new header";
    fs::remove(raiz() / "objetos/car_owner_demo/coche.o");
    EXPECT_EQ(compila("g++"), std::vector<std::string>{fuentes[0]}) << "an object gone";
    EXPECT_EQ(compila("clang++"), fuentes) << "objects made by another compiler";
}

TEST(Compilacion, ClGetsItsOwnOptionsAndTheOthersGccsWithStaticLinkingOnWindows)
{
    EXPECT_EQ(
        compilacion::compilarObjeto("C:/VS/cl.EXE", ".", "a/b.cpp", "o/a/b.obj"),
        (std::vector<std::string>{compilacion::nativa("C:/VS/cl.EXE"), "/nologo", "/std:c++17",
                                  "/EHsc", "/utf-8", "/I.", "/c", compilacion::nativa("a/b.cpp"),
                                  "/Fo" + compilacion::nativa("o/a/b.obj")}));
    EXPECT_EQ(compilacion::enlazar("g++", {"b.o", "c.o"}, "p.exe", true),
              (std::vector<std::string>{"g++", "-static", "-o", "p.exe", "b.o", "c.o"}));
    EXPECT_EQ(compilacion::enlazar("cl", {"b.obj"}, "p.exe", true),
              (std::vector<std::string>{"cl", "/nologo", "/Fep.exe", "b.obj"}));
}
