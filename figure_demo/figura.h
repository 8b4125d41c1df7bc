// The base of polifor's figures: a kind name and a colour. The by-number setColor is virtual, so a
// call through a Figura pointer runs the body of the object's own class.
#pragma once

// No destructor is virtual, which real code with a virtual function should not copy: it is safe
// only because no figure is ever destroyed through a Figura pointer, since none is ever deleted.
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
    virtual void setColor(int color);  // a palette number; any other number changes nothing

private:
    char nombre[10]{};
    char color[10]{};
};
