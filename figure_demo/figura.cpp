#include "figure_demo/figura.h"

#include "platform/texto.h"
#include "shape_demo/paleta.h"

using texto::copiarTexto;

Figura::Figura() : Figura(" ") {}

Figura::Figura(const char* nombre) : Figura(nombre, " ") {}

Figura::Figura(const char* nombre, const char* color)
{
    copiarTexto(this->nombre, nombre);
    copiarTexto(this->color, color);
}

// While Figura is being built a Circulo's override does not exist yet; the qualified call says
// so. A number that names no colour leaves the " " of a figure with no colour.
Figura::Figura(const char* nombre, int color) : Figura(nombre) { Figura::setColor(color); }

const char* Figura::getNombre() const { return nombre; }
const char* Figura::getColor() const { return color; }
void Figura::setNombre(const char* nombre) { copiarTexto(this->nombre, nombre); }
void Figura::setColor(const char* color) { copiarTexto(this->color, color); }

void Figura::setColor(int color)
{
    if (const char* nombreColor = nombreDeColor(color)) copiarTexto(this->color, nombreColor);
}
