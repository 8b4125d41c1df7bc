// polifor: three figures reached only through an array of Figura pointers. One and the same
// virtual call recolours the circle differently from the other two.
#include <cstdio>
#include <iostream>

#include "figure_demo/formas.h"
#include "platform/consola.h"

using std::cout;
using std::endl;

namespace {

void imprimir(Figura* const fi[])
{
    for (int i = 0; i < 3; ++i)
        cout << "El " << fi[i]->getNombre() << " y color " << fi[i]->getColor() << endl;
}

}  // namespace

int main()
{
    Figura* fi[3];  // the only handles to the figures, which are never deleted
    fi[0] = new Figura("Triangulo", "Verde");
    fi[1] = new Cuadrado("Azul", 20);
    fi[2] = new Circulo("Rojo", 14.0F);
    imprimir(fi);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    for (int i = 0; i < 3; ++i) fi[i]->setColor("Naranja");  // Figura's by-name form, for all three
    imprimir(fi);
    cout << endl;
    consola::pausa();
    consola::limpiar();

    for (int i = 0; i < 3; ++i) fi[i]->setColor(9);  // dispatched: the circle alone steps to 10
    imprimir(fi);

    std::getchar();
    return consola::estadoDeSalida();
}
