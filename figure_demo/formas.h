// El círculo y el cuadrado: una Figura con una medida cada uno. El círculo redefine el setColor
// virtual por número con el color que sigue al número; el cuadrado hereda el de Figura.
#pragma once

#include "figure_demo/figura.h"

class Circulo : public Figura {
public:
    Circulo();
    explicit Circulo(float radio);
    Circulo(const char* color, float radio);
    // El constructor de Figura le pone el color con Figura::setColor.
    Circulo(int color, float radio);

    float getRadio() const;
    void setRadio(float radio);
    // El setColor por nombre tapa el de Figura cuando se llama sobre un Circulo; a través de una
    // Figura se ejecuta el de Figura. El de número, en cambio, redefine el virtual de Figura, y se
    // ejecuta este también cuando se llama a través de una Figura.
    void setColor(const char* color);   // pasa el texto tal cual al de Figura
    void setColor(int color) override;  // el color que sigue al número

private:
    float radio;
};

// Usa los dos setColor de Figura.
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
