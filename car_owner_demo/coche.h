// Un coche: matrícula, modelo y color, cada uno en su propio campo de texto.
#pragma once

class coche {
public:
    coche();
    coche(const char* matricula, const char* modelo, const char* color);
    // Se copia campo a campo, cada array entero: la copia es un coche independiente del original.
    coche(const coche&) = default;
    coche& operator=(const coche&) = default;
    virtual ~coche();

    void setMatricula(const char* matricula);
    const char* getMatricula() const;
    void setModelo(const char* modelo);
    const char* getModelo() const;
    void setColor(const char* color);
    const char* getColor() const;

private:
    char matricula[9]{};  // "3131-SBC" y el '\0' final lo llenan justo
    char modelo[30]{};
    char color[20]{};
};
