// La base de las figuras de polifor: un nombre, como "Circulo", y un color. El setColor por número
// es virtual: una llamada a través de un puntero a Figura ejecuta el de la clase del objeto.
#pragma once

// El destructor no es virtual: no lo imites en código real con funciones virtuales. Aquí no hay
// error solo porque ninguna figura se borra nunca, así que ninguna se destruye a través de un
// puntero a Figura.
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
    virtual void setColor(int color);  // un número de la paleta; otro número no cambia nada

private:
    char nombre[10]{};
    char color[10]{};
};
