// polifor's figures. The by-number setColor is the one virtual operation, so a call through a
// Figura pointer reaches the circle's override, which steps to the next colour.
#pragma once

#include <cstdint>

// The destructor stays non-virtual on purpose: no figure is ever destroyed through a Figura
// pointer, since the program never deletes them.
class Figura {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
public:
    Figura();
    explicit Figura(const char* nombre);
    Figura(const char* nombre, const char* color);
    Figura(const char* nombre, int color);  // Figura's own lookup, for every class

    const char* getNombre() const;
    const char* getColor() const;
    void setNombre(const char* nombre);
    void setColor(const char* color);  // any text, palette name or not; not virtual
    virtual void setColor(int color);  // a palette number; any other number changes nothing

private:
    char nombre[10]{};
    char color[10]{};
};

class Circulo : public Figura {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
public:
    Circulo();
    explicit Circulo(float radio);
    Circulo(const char* color, float radio);
    // The colour of that very number: while Figura is built, the override is not yet in play.
    Circulo(int color, float radio);

    float getRadio() const;
    void setRadio(float radio);
    void setColor(const char* color);   // hands the text to Figura's unchanged
    void setColor(int color) override;  // the next colour of the number

private:
    float radio;
};

// Takes both setColor forms from Figura.
class Cuadrado : public Figura {  // NOLINT(cppcoreguidelines-virtual-class-destructor)
public:
    Cuadrado();
    explicit Cuadrado(std::int32_t lado);
    Cuadrado(const char* color, std::int32_t lado);
    Cuadrado(int color, std::int32_t lado);

    std::int32_t getLado() const;
    void setLado(std::int32_t lado);

private:
    std::int32_t lado;
};
