"""polifor end to end: its three screens through the array of Figura pointers."""

import os
import unittest

import arnes


PRIMERA, SEGUNDA, TERCERA = arnes.pantallas("polifor", "El Triangulo ")


class SinTerminal(arnes.CasoSinTerminal):
    def test_three_screens_with_empty_input(self):
        self.assertTranscripcion(b"", PRIMERA + SEGUNDA + TERCERA)

    def test_three_screens_with_one_character_of_input(self):
        self.assertTranscripcion(b"x", PRIMERA + SEGUNDA + TERCERA)

    def test_writing_to_a_full_device_fails_with_status_1_and_a_message(self):
        self.assertFallaSinPoderEscribir()


class EnTerminal(arnes.CasoEnTerminal):
    def test_both_pauses_wait_and_are_followed_by_a_clear(self):
        terminal = self.abrir()
        self.assertPantallas(terminal, PRIMERA, SEGUNDA, TERCERA)
        self.assertTrue(terminal.quieto(), "the program did not wait for the last character")
        terminal.teclear(b"\n")
        self.assertEqual(terminal.fin(), 0)
        self.assertTerminalComoAntes(terminal)

    def test_with_input_piped_in_the_pauses_wait_on_the_keyboard_and_leave_it_for_getchar(self):
        lectura, escritura = os.pipe()
        self.addCleanup(os.close, escritura)
        os.write(escritura, b"z")  # the pipe stays open: only this character can end the last read
        terminal = self.abrir(stdin=lectura)
        os.close(lectura)
        self.assertPantallas(terminal, PRIMERA, SEGUNDA, TERCERA)
        self.assertEqual(terminal.fin(), 0)


if __name__ == "__main__":
    unittest.main()
