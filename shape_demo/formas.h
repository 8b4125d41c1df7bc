// The circle and the square: a Figura with one measure each. They differ in how they take a colour
// number: a square takes the palette colour of the number, a circle the colour after it.
#pragma once

#include "shape_demo/figura.h"

class Circulo : public Figura {
public:
    Circulo();
    explicit Circulo(float radio);
    Circulo(const char* color, float radio);
    Circulo(int color, float radio);  // the colour of that very number, not the next one

    float getRadio() const;
    void setRadio(float radio);
    // Both forms hide Figura's for calls through a Circulo; through a Figura, Figura's are reached.
    void setColor(const char* color);  // hands the text to Figura's unchanged
    void setColor(int color);          // the next colour of the number

private:
    float radio;
};

// Takes both setColor forms from Figura.
class Cuadrado : public Figura {
public:
    Cuadrado();
    explicit Cuadrado(int lado);
    Cuadrado(const char* color, int lado);
    Cuadrado(int color, int lado);

    int getLado() const;
    void setLado(int lado);

private:
    int lado;
};
