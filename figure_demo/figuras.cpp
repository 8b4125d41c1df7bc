#include "figure_demo/figuras.h"

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

Circulo::Circulo() : Circulo(0.0F) {}
Circulo::Circulo(float radio) : Figura("Circulo"), radio(radio) {}
Circulo::Circulo(const char* color, float radio) : Figura("Circulo", color), radio(radio) {}
Circulo::Circulo(int color, float radio) : Figura("Circulo", color), radio(radio) {}

float Circulo::getRadio() const { return radio; }
void Circulo::setRadio(float radio) { this->radio = radio; }
void Circulo::setColor(const char* color) { Figura::setColor(color); }

// Figura's body is called directly: a dispatched call would land here again.
void Circulo::setColor(int color) { Figura::setColor(siguienteColor(color)); }

Cuadrado::Cuadrado() : Cuadrado(0) {}
Cuadrado::Cuadrado(std::int32_t lado) : Figura("Cuadrado"), lado(lado) {}
Cuadrado::Cuadrado(const char* color, std::int32_t lado) : Figura("Cuadrado", color), lado(lado) {}
Cuadrado::Cuadrado(int color, std::int32_t lado) : Figura("Cuadrado", color), lado(lado) {}

std::int32_t Cuadrado::getLado() const { return lado; }
void Cuadrado::setLado(std::int32_t lado) { this->lado = lado; }
