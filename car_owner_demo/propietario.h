// Two owners of a car that differ only in how they hold it.
#pragma once

#include "car_owner_demo/coche.h"

// Holds its own car by value: the car is filled by copying another in, and handed out as a copy
// or by its address.
class propietario2 {
public:
    propietario2();
    propietario2(const char* nombre, const char* dni);

    void setNombre(const char* nombre);
    const char* getNombre() const;
    void setDni(const char* dni);
    const char* getDni() const;
    void setCoche(coche otro);  // by value: the caller's car is never referred to again
    coche getCoche() const;     // a copy: changing it leaves the held car as it was
    coche* getPunteroCoche();   // the held car itself

private:
    char nombre[30]{};
    char dni[11]{};  // eight digits, a hyphen and a letter, and the terminator
    coche miCoche;
};

// Refers to a car that lives elsewhere; it never copies or destroys it.
class propietario {
public:
    propietario();
    propietario(const char* nombre, const char* dni);

    void setNombre(const char* nombre);
    const char* getNombre() const;
    void setDni(const char* dni);
    const char* getDni() const;
    void setCoche(coche* elCoche);
    coche* getCoche() const;  // null until setCoche; the car must outlive its use

private:
    char nombre[30]{};
    char dni[11]{};
    coche* pCoche;
};
