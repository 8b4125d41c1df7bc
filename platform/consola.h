// Lo que los programas necesitan del sistema en la consola: la pausa entre pantallas hasta que se
// presiona una tecla, el borrado de la pantalla y un estado de salida que dice si las pantallas
// llegaron a quien las lee. Cada plataforma tiene su propio archivo fuente: es el único código de
// los programas que conoce el sistema.
#pragma once

namespace consola {

// Muestra "Pulsa una tecla para continuar . . . " en la propia terminal o consola (nunca en la
// salida estándar) y espera a que se presione una tecla mientras se ve. Las teclas escritas antes
// de que aparezca, y lo que llega junto con la tecla (el resto de un texto pegado o de una
// secuencia de escape), se descartan. Nunca lee la entrada estándar: lo que el programa aún no ha
// leído, de un archivo, de una tubería o de una línea escrita, queda para sus propias lecturas. Sin
// terminal ni consola de control (un script, la CI, cron, un proceso separado de su terminal)
// vuelve enseguida sin escribir nada; redirigir la entrada o la salida estándar no cambia eso.
void pausa();

// Borra la terminal o consola antes de la pantalla siguiente; no escribe nada si la salida estándar
// no es una terminal o consola.
void limpiar();

// El valor que debe devolver `main`: 0, o 1 después de escribir una línea en la salida de error
// estándar si no se pudo escribir la salida estándar (un disco lleno, un descriptor cerrado).
int estadoDeSalida();

}  // namespace consola
