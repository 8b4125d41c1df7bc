// The circle and the square: a Figura with one measure each. The circle overrides the virtual
// by-number setColor with the colour after the number; the square inherits Figura's.
#pragma once

#include "figure_demo/figura.h"

class Circulo : public Figura {
public:
    Circulo();
    explicit Circulo(float radio);
    Circulo(const char* color, float radio);
    // The colour of that very number: while Figura is built, the override is not yet in play.
    Circulo(int color, float radio);

    float getRadio() const;
    void setRadio(float radio);
    // The by-name form hides Figura's for calls through a Circulo; through a Figura, Figura's is
    // reached. The by-number form overrides Figura's, and is reached through a Figura too.
    void setColor(const char* color);   // hands the text to Figura's unchanged
    void setColor(int color) override;  // the next colour of the number

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
