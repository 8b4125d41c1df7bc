// How the program ended, told to a beginner: a status other than 0, the time limit, a crash, an
// abort. proceso_*.cpp tells them apart on each system.
#pragma once

#include <string>

#include "comprobador/proceso.h"

namespace terminacion {

inline constexpr double kPlazo = 10;  // seconds a program may run; every exercise needs <1

// Empty for a program that ended with status 0.
inline std::string comoTermino(const proceso::Resultado& fin)
{
    const std::string codigo = proceso::nombre(fin);
    if (fin.fin == proceso::Fin::Estado)
        return fin.codigo == 0 ? ""
                               : "El programa ha terminado con el estado " +
                                     std::to_string(fin.codigo) + ", no con 0.";
    if (fin.fin == proceso::Fin::Plazo)
        return "El programa no ha terminado en " + std::to_string(static_cast<int>(kPlazo)) +
               " segundos y se ha detenido. Suele ser un bucle que no acaba nunca, o una lectura "
               "que espera una entrada que nunca llega (aquí la entrada es un archivo que se "
               "acaba).";
    if (fin.fin == proceso::Fin::NoArranca)
        return "No se ha podido ejecutar el programa: " + fin.error + ".";
    if (fin.clase == proceso::Clase::Memoria)
        return "El programa ha terminado de forma anormal (" + codigo +
               "): ha intentado usar memoria que no es suya. Suele ser un puntero nulo, un puntero "
               "a algo que ya no existe (un objeto borrado con delete, o una variable local de una "
               "función que ya terminó), o un índice que se sale del final de un array.";
    if (fin.clase == proceso::Clase::Aborto)
        return "El programa ha terminado de forma anormal (" + codigo +
               "): se ha detenido a sí mismo (abort) al ver un error grave, por ejemplo un delete "
               "repetido del mismo puntero, o un delete de algo que no se creó con new.";
    if (fin.clase == proceso::Clase::Escritura)
        return "El programa ha terminado de forma anormal (" + codigo +
               "): ha escrito más de 16 MB en un archivo, mucho más que cualquier ejercicio. Suele "
               "ser un bucle que escribe sin parar.";
    return "El programa ha terminado de forma anormal (" + codigo + ").";
}

}  // namespace terminacion
