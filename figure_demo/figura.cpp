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

// Con Figura:: delante se llama al setColor de Figura, sin mirar ninguna redefinición. Un número
// que no nombra ningún color deja el " " de una figura sin color.
Figura::Figura(const char* nombre, int color) : Figura(nombre) { Figura::setColor(color); }

const char* Figura::getNombre() const { return nombre; }
const char* Figura::getColor() const { return color; }
void Figura::setNombre(const char* nombre) { copiarTexto(this->nombre, nombre); }
void Figura::setColor(const char* color) { copiarTexto(this->color, color); }

void Figura::setColor(int color)
{
    const char* nombreColor = nombreDeColor(color);
    if (nombreColor != nullptr) copiarTexto(this->color, nombreColor);
}
