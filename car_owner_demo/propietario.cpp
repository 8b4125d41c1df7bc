#include "car_owner_demo/propietario.h"

#include "platform/texto.h"

using texto::copiarTexto;

propietario2::propietario2() : propietario2("", "") {}

propietario2::propietario2(const char* nombre, const char* dni)
{
    copiarTexto(this->nombre, nombre);
    copiarTexto(this->dni, dni);
}

void propietario2::setNombre(const char* nombre) { copiarTexto(this->nombre, nombre); }
const char* propietario2::getNombre() const { return nombre; }
void propietario2::setDni(const char* dni) { copiarTexto(this->dni, dni); }
const char* propietario2::getDni() const { return dni; }
// Por valor a propósito: la llamada misma hace la copia que el propietario guarda.
void propietario2::setCoche(coche otro) { miCoche = otro; }
coche propietario2::getCoche() const { return miCoche; }
coche* propietario2::getPunteroCoche() { return &miCoche; }

propietario::propietario() : propietario("", "") {}

propietario::propietario(const char* nombre, const char* dni) : pCoche(nullptr)
{
    copiarTexto(this->nombre, nombre);
    copiarTexto(this->dni, dni);
}

void propietario::setNombre(const char* nombre) { copiarTexto(this->nombre, nombre); }
const char* propietario::getNombre() const { return nombre; }
void propietario::setDni(const char* dni) { copiarTexto(this->dni, dni); }
const char* propietario::getDni() const { return dni; }
void propietario::setCoche(coche* elCoche) { pCoche = elCoche; }
coche* propietario::getCoche() const { return pCoche; }
