// La base de las figuras de pintafor: un nombre, como "Circulo", y un color. Aquí nada es virtual:
// qué función ejecuta cada llamada lo decide el tipo del objeto, la referencia o el puntero con que
// está escrita.
#pragma once

class Figura {
public:
    Figura();
    explicit Figura(const char* nombre);
    Figura(const char* nombre, const char* color);
    Figura(const char* nombre, int color);

    const char* getNombre() const;
    const char* getColor() const;
    void setNombre(const char* nombre);
    void setColor(const char* color);  // cualquier texto, sea o no de la paleta
    void setColor(int color);          // un número de la paleta; otro número no cambia nada

private:
    char nombre[10]{};
    char color[10]{};
};
