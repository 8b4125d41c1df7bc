"""pintafor end to end: its two screens of seventeen lines."""

import unittest

import arnes
from arnes import crlf


def pantalla(actividad: str) -> str:
    lineas = [
        actividad,
        "",
        "El Cuadrado 2: lado 15 y color  ",  # the colour is " ": the line ends in two blanks
        "El Circulo 2: radio 15 y color  ",
        "El Cuadrado 3: lado 25 y color Blanco",
        "El Circulo 3: radio 25 y color Blanco",
        "",
        "El Cuadrado 2: lado 15 y color Naranja",
        "El Circulo 2: radio 15 y color Naranja",
        "El Cuadrado 3: lado 25 y color Naranja",
        "El Circulo 3: radio 25 y color Naranja",
        "",
        "El Cuadrado 2: lado 15 y color Negro",  # 10 names "Negro" in the palette...
        "El Circulo 2: radio 15 y color Blanco",  # ...and a circle takes the colour after it
        "El Cuadrado 3: lado 25 y color Negro",
        "El Circulo 3: radio 25 y color Blanco",
        "",
    ]
    return "\n".join(lineas) + "\n"


ESTATICA = pantalla("Actividad a, de forma estatica")
DINAMICA = pantalla("Actividad b, de forma dinamica")


class SinTerminal(arnes.CasoSinTerminal):
    def test_both_screens_with_empty_input(self):
        self.assertTranscripcion(b"", ESTATICA + DINAMICA)

    def test_both_screens_with_one_character_of_input(self):
        self.assertTranscripcion(b"x", ESTATICA + DINAMICA)

    def test_writing_to_a_full_device_fails_with_status_1_and_a_message(self):
        self.assertFallaSinPoderEscribir()


class EnTerminal(arnes.CasoEnTerminal):
    def test_the_pause_waits_then_clears_and_the_end_waits_for_a_character(self):
        terminal = self.abrir()
        self.assertEqual(terminal.hasta(crlf(ESTATICA)), crlf(ESTATICA))
        self.assertPausaEspera(terminal)
        self.assertEqual(terminal.hasta(crlf(DINAMICA)), crlf(DINAMICA))
        self.assertTrue(terminal.quieto(), "the program did not wait for the last character")
        terminal.teclear(b"a\n")
        self.assertEqual(terminal.fin(), 0)
        self.assertEqual(terminal.visto, b"a\r\n")  # only the echo: nothing printed after the screen
        self.assertTerminalComoAntes(terminal)


if __name__ == "__main__":
    unittest.main()
