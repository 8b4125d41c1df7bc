// garaxo: un propietario que guarda su propia copia de un coche, y otro que llega a un coche a
// través de un puntero. A cada uno se le cambia después el color del coche.
#include <iostream>

#include "car_owner_demo/coche.h"
#include "car_owner_demo/propietario.h"
#include "platform/consola.h"
#include "platform/texto.h"

using std::cin;
using std::cout;
using std::endl;

namespace {

void lineaPropietario(const propietario2& p2)
{
    cout << "PROPIETARIO 2 Nombre: " << p2.getNombre() << " Dni: " << p2.getDni() << endl;
}

// Cada texto sale de una copia distinta: getCoche devuelve por valor el coche guardado. Los
// punteros que dan los get apuntan dentro de esas copias temporales, que duran hasta el final de
// la instrucción entera: sirven dentro de ella, y quedarían colgando si se guardaran para la
// siguiente.
void lineaCoche(const propietario2& p2)
{
    cout << "COCHE 2 Matricula: " << p2.getCoche().getMatricula()
         << " Modelo: " << p2.getCoche().getModelo() << " Color: " << p2.getCoche().getColor()
         << endl;
}

void lineaPropietario(const propietario& p1)
{
    cout << "PROPIETARIO Nombre: " << p1.getNombre() << " Dni: " << p1.getDni() << endl;
}

void lineaCoche(const propietario& p1)
{
    cout << "COCHE Matricula: " << p1.getCoche()->getMatricula()
         << " Modelo: " << p1.getCoche()->getModelo() << " Color: " << p1.getCoche()->getColor()
         << endl;
}

}  // namespace

int main()
{
    char nombre[30];
    char dni[11];

    // El propietario que guarda una copia de su coche.
    cout << "Introduce el nombre: ";
    texto::leerPalabra(cin, nombre);
    cout << "Introduce el DNI (01234567-z): ";
    texto::leerPalabra(cin, dni);
    propietario2 p2(nombre, dni);
    coche ch2("3131-SBC", "Audi A3", "Rojo");
    p2.setCoche(ch2);
    cout << endl;
    lineaPropietario(p2);
    cout << endl;
    lineaCoche(p2);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    // Se cambia el color del coche guardado, a través del propietario.
    p2.getPunteroCoche()->setColor("Rosa");
    cout << endl << "El coche combiado al color rosa: " << endl;
    cout << endl;
    lineaPropietario(p2);
    cout << endl;
    lineaCoche(p2);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    // El propietario que llega a un coche a través de un puntero.
    cout << "Introduce el nombre: ";
    texto::leerPalabra(cin, nombre);
    cout << "Introduce el DNI (01234567-z): ";
    texto::leerPalabra(cin, dni);
    coche c1("1818-SBC", "Opel Corsa", "Verde");
    propietario p1(nombre, dni);
    p1.setCoche(&c1);
    cout << endl;
    lineaPropietario(p1);
    cout << endl;
    lineaCoche(p1);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    // Se cambia el color a través del puntero: cambia c1 mismo.
    p1.getCoche()->setColor("Azul");
    cout << endl << "El coche combiado al color azul: " << endl;
    cout << endl;
    lineaPropietario(p1);
    cout << endl;
    lineaCoche(p1);
    cout << endl;
    consola::pausa();

    return consola::estadoDeSalida();  // 0, salvo que no se pudieran escribir las pantallas
}
