#include "car_owner_demo/coche.h"

#include "platform/texto.h"

using texto::copiarTexto;

coche::coche() : coche("", "", "") {}

coche::coche(const char* matricula, const char* modelo, const char* color)
{
    copiarTexto(this->matricula, matricula);
    copiarTexto(this->modelo, modelo);
    copiarTexto(this->color, color);
}

coche::~coche() = default;

void coche::setMatricula(const char* matricula) { copiarTexto(this->matricula, matricula); }
const char* coche::getMatricula() const { return matricula; }
void coche::setModelo(const char* modelo) { copiarTexto(this->modelo, modelo); }
const char* coche::getModelo() const { return modelo; }
void coche::setColor(const char* color) { copiarTexto(this->color, color); }
const char* coche::getColor() const { return color; }
