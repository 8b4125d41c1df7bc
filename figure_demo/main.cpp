// polifor: tres figuras a las que solo se llega a través de un array de punteros a Figura. Una
// misma llamada virtual cambia el color del círculo de otra forma que el de las otras dos.
#include <cstdio>
#include <iostream>

#include "figure_demo/formas.h"
#include "platform/consola.h"

using std::cout;
using std::endl;

namespace {

void imprimir(Figura* fi[])
{
    for (int i = 0; i < 3; ++i)
        cout << "El " << fi[i]->getNombre() << " y color " << fi[i]->getColor() << endl;
}

}  // namespace

int main()
{
    Figura* fi[3];  // el único camino a las figuras, que nunca se borran
    fi[0] = new Figura("Triangulo", "Verde");
    fi[1] = new Cuadrado("Azul", 20);
    fi[2] = new Circulo("Rojo", 14.0F);
    imprimir(fi);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    for (int i = 0; i < 3; ++i) fi[i]->setColor("Naranja");  // por nombre: el de Figura en las tres
    imprimir(fi);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    for (int i = 0; i < 3; ++i) fi[i]->setColor(9);  // llamada virtual: solo el círculo pasa al 10
    imprimir(fi);

    std::getchar();
    return consola::estadoDeSalida();
}
