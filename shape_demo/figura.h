// The base of pintafor's shapes: a kind name and a colour. Nothing here is virtual, so every call
// is bound by the type of the object, reference or pointer it is made through.
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
    void setColor(const char* color);  // any text, palette name or not
    void setColor(int color);          // a palette number; any other number changes nothing

private:
    char nombre[10]{};
    char color[10]{};
};
