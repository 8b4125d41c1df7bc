// garaxo: an owner that keeps its own copy of a car, and an owner that reaches a car through a
// pointer. Recolouring the first owner's car leaves the original alone; recolouring through the
// second owner's pointer changes the car itself.
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

// Each text comes from a copy of its own: getCoche returns the held car by value. The pointers that
// the getters return point into those temporary copies, which live until the end of the whole
// statement: safe to print in it, dangling if kept for the next one.
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

    // The owner that holds a copy of its car.
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

    // The held car recoloured through the owner: ch2 stays "Rojo".
    p2.getPunteroCoche()->setColor("Rosa");
    cout << endl << "El coche combiado al color rosa: " << endl;
    cout << endl;
    lineaPropietario(p2);
    cout << endl;
    lineaCoche(p2);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    // The owner that refers to a car through a pointer.
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

    // The car recoloured through the pointer: c1 itself changes.
    p1.getCoche()->setColor("Azul");
    cout << endl << "El coche combiado al color azul: " << endl;
    cout << endl;
    lineaPropietario(p1);
    cout << endl;
    lineaCoche(p1);
    cout << endl;
    consola::pausa();

    return consola::estadoDeSalida();  // 0, unless the screens could not be written
}
