#include "figure_demo/formas.h"

#include "shape_demo/paleta.h"

Circulo::Circulo() : Circulo(0.0F) {}
Circulo::Circulo(float radio) : Figura("Circulo"), radio(radio) {}
Circulo::Circulo(const char* color, float radio) : Figura("Circulo", color), radio(radio) {}
Circulo::Circulo(int color, float radio) : Figura("Circulo", color), radio(radio) {}

float Circulo::getRadio() const { return radio; }
void Circulo::setRadio(float radio) { this->radio = radio; }
void Circulo::setColor(const char* color) { Figura::setColor(color); }
// Se llama directamente al de Figura: una llamada virtual volvería a entrar aquí, sin fin.
void Circulo::setColor(int color) { Figura::setColor(siguienteColor(color)); }

Cuadrado::Cuadrado() : Cuadrado(0) {}
Cuadrado::Cuadrado(int lado) : Figura("Cuadrado"), lado(lado) {}
Cuadrado::Cuadrado(const char* color, int lado) : Figura("Cuadrado", color), lado(lado) {}
Cuadrado::Cuadrado(int color, int lado) : Figura("Cuadrado", color), lado(lado) {}

int Cuadrado::getLado() const { return lado; }
void Cuadrado::setLado(int lado) { this->lado = lado; }
