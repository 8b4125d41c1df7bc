// El círculo y el cuadrado: una Figura con una medida cada uno. Se diferencian en cómo toman un
// número de color: el cuadrado toma el color de ese número en la paleta; el círculo, el siguiente.
#pragma once

#include "shape_demo/figura.h"

class Circulo : public Figura {
public:
    Circulo();
    explicit Circulo(float radio);
    Circulo(const char* color, float radio);
    Circulo(int color, float radio);  // el color de ese mismo número, no el siguiente

    float getRadio() const;
    void setRadio(float radio);
    // Los dos setColor tapan los de Figura cuando se llama sobre un Circulo.
    void setColor(const char* color);  // pasa el texto tal cual al de Figura
    void setColor(int color);          // el color que sigue al número

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
