// A car: registration plate, model and colour, each in a text field of its own.
#pragma once

class coche {
public:
    coche();
    coche(const char* matricula, const char* modelo, const char* color);
    // Copies are member-wise: each array is copied whole, so a copy is an independent car.
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
    char matricula[9]{};  // "3131-SBC" and its terminator fill it
    char modelo[30]{};
    char color[20]{};
};
