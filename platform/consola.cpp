// The part of the console that is the same on every platform.
#include <cstdio>
#include <iostream>

#include "platform/consola.h"

namespace consola {

int estadoDeSalida()
{
    std::cout.flush();
    if (std::cout.good() && std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return 0;
    std::cerr << "No se pudo escribir la salida estandar." << std::endl;
    return 1;
}

}  // namespace consola
