"""pintafor end to end: its two screens of seventeen lines."""

import unittest

import arnes


ESTATICA, DINAMICA = arnes.pantallas("pintafor", "Actividad ")


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
        self.assertPantallas(terminal, ESTATICA, DINAMICA)
        self.assertTrue(terminal.quieto(), "the program did not wait for the last character")
        terminal.teclear(b"a\n")
        self.assertEqual(terminal.fin(), 0)
        self.assertEqual(terminal.visto, b"a\r\n")  # only the echo: nothing printed after the screen
        self.assertTerminalComoAntes(terminal)


if __name__ == "__main__":
    unittest.main()
