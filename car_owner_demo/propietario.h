// Dos propietarios de un coche que solo se diferencian en cómo lo tienen.
#pragma once

#include "car_owner_demo/coche.h"

// Tiene su propio coche, por valor: lo llena copiando otro coche dentro de él, y lo entrega como
// copia o por su dirección.
class propietario2 {
public:
    propietario2();
    propietario2(const char* nombre, const char* dni);

    void setNombre(const char* nombre);
    const char* getNombre() const;
    void setDni(const char* dni);
    const char* getDni() const;
    void setCoche(coche otro);  // por valor: recibe una copia, nunca el coche de quien llama
    coche getCoche() const;     // una copia del coche guardado
    coche* getPunteroCoche();   // la dirección del propio coche guardado

private:
    char nombre[30]{};
    char dni[11]{};  // ocho cifras, un guion y una letra, más el '\0' final
    coche miCoche;
};

// Apunta a un coche que vive fuera de él; nunca lo copia ni lo destruye.
class propietario {
public:
    propietario();
    propietario(const char* nombre, const char* dni);

    void setNombre(const char* nombre);
    const char* getNombre() const;
    void setDni(const char* dni);
    const char* getDni() const;
    void setCoche(coche* elCoche);
    coche* getCoche() const;  // nullptr hasta setCoche; el coche debe seguir vivo mientras se use

private:
    char nombre[30]{};
    char dni[11]{};
    coche* pCoche;
};
