// pintafor: círculos y cuadrados como objetos automáticos y como objetos creados con new. Nada en
// Figura es virtual.
#include <cstdio>
#include <iostream>

#include "platform/consola.h"
#include "shape_demo/formas.h"

using std::cout;
using std::endl;

namespace {

// En cada pareja, el cuadrado antes que el círculo; la pareja 2 antes que la 3.
void informe(const Cuadrado& s, const Circulo& c, const Cuadrado& t, const Circulo& u)
{
    cout << "El " << s.getNombre() << " 2: lado " << s.getLado() << " y color " << s.getColor()
         << endl;
    cout << "El " << c.getNombre() << " 2: radio " << c.getRadio() << " y color " << c.getColor()
         << endl;
    cout << "El " << t.getNombre() << " 3: lado " << t.getLado() << " y color " << t.getColor()
         << endl;
    cout << "El " << u.getNombre() << " 3: radio " << u.getRadio() << " y color " << u.getColor()
         << endl
         << endl;
}

}  // namespace

int main()
{
    cout << "Actividad a, de forma estatica" << endl << endl;
    Circulo ci2(15.0F);
    Cuadrado c2(15);
    Circulo ci3("Blanco", 25.0F);
    Cuadrado c3("Blanco", 25);
    informe(c2, ci2, c3, ci3);

    c2.setColor("Naranja");
    ci2.setColor("Naranja");
    c3.setColor("Naranja");
    ci3.setColor("Naranja");
    informe(c2, ci2, c3, ci3);

    c2.setColor(10);   // el de Figura busca el 10: "Negro"
    ci2.setColor(10);  // el del círculo pasa al siguiente: "Blanco"
    c3.setColor(10);
    ci3.setColor(10);
    informe(c2, ci2, c3, ci3);

    consola::pausa();
    consola::limpiar();

    cout << "Actividad b, de forma dinamica" << endl << endl;
    // Nunca se borran: duran hasta que el programa termina, y aquí no hace falta más.
    Circulo* pci2 = new Circulo(15.0F);
    Cuadrado* pc2 = new Cuadrado(15);
    Circulo* pci3 = new Circulo("Blanco", 25.0F);
    Cuadrado* pc3 = new Cuadrado("Blanco", 25);
    informe(*pc2, *pci2, *pc3, *pci3);

    pc2->setColor("Naranja");
    pci2->setColor("Naranja");
    pc3->setColor("Naranja");
    pci3->setColor("Naranja");
    informe(*pc2, *pci2, *pc3, *pci3);

    pc2->setColor(10);
    pci2->setColor(10);
    pc3->setColor(10);
    pci3->setColor(10);
    informe(*pc2, *pci2, *pc3, *pci3);

    std::getchar();
    return consola::estadoDeSalida();
}
