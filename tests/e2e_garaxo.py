"""garaxo end to end: its four screens, read from a file and typed at a keyboard."""

import re
import termios
import time
import unittest

import arnes
from arnes import BORRADO

NOMBRE = "Introduce el nombre: "
DNI = "Introduce el DNI (01234567-z): "


# The output with no terminal, written by hand, for the words of ejercicios/garaxo.entrada.
ORIGINAL = arnes.original("garaxo")
ENTRADA = (arnes.RAIZ / "ejercicios" / "garaxo.entrada").read_text(encoding="utf-8").split()


def sin_eco(n1: str, d1: str, n2: str, d2: str) -> str:
    """Standard output with no terminal for these words: nothing echoes the typed words or the
    Enter key, so each pair of prompts shares the line that the first line break of the screen
    ends. The .original, each owner's line with these words for those of the .entrada."""
    duenos = {f"Nombre: {a} Dni: {b}": f"Nombre: {n} Dni: {d}" for a, b, n, d in
              ((*ENTRADA[:2], n1, d1), (*ENTRADA[2:], n2, d2))}
    return re.sub("|".join(map(re.escape, duenos)), lambda m: duenos[m[0]], ORIGINAL)


class SinTerminal(arnes.CasoSinTerminal):
    def test_one_word_names_and_dnis_give_the_four_screens(self):
        self.assertTranscripcion(b"Juan\n12345678-Z\nAna\n87654321-X\n", ORIGINAL)

    def test_a_name_of_two_words_gives_its_second_word_to_the_dni(self):
        self.assertTranscripcion(b"Juan Perez\n12345678-Z\nAna\n",
                                 sin_eco("Juan", "Perez", "12345678-Z", "Ana"))

    def test_a_third_word_on_the_dni_line_is_the_second_name(self):
        self.assertTranscripcion(b"Juan\n12345678-Z Ana\n87654321-X\n",
                                 sin_eco("Juan", "12345678-Z", "Ana", "87654321-X"))

    def test_input_ending_at_the_first_prompt_gives_empty_names_and_dnis(self):
        self.assertTranscripcion(b"", sin_eco("", "", "", ""))

    def test_a_29_character_name_and_a_10_character_dni_are_printed_whole(self):
        nombre = "Maximiliano-Jose-Fernandez-Ru"
        self.assertEqual(len(nombre), 29)
        self.assertTranscripcion(f"{nombre}\n12345678-Z\n{nombre}\n87654321-X\n".encode(),
                                 sin_eco(nombre, "12345678-Z", nombre, "87654321-X"))

    def test_over_long_words_are_cut_and_their_rest_is_dropped(self):
        nombre = "Maximiliano-Jose-Fernandez-Ruiz-de-la-Torre"  # 43 characters
        enye = "a" * 28 + "\u00f1" + "bbb"  # the "ñ" would need the 29th and 30th bytes
        entrada = f"{nombre}\n12345678-ZZZZ\n{enye}\n87654321-X\n".encode()
        self.assertTranscripcion(entrada,
                                 sin_eco(nombre[:29], "12345678-Z", "a" * 28, "87654321-X"))

    def test_writing_to_a_full_device_fails_with_status_1_and_a_message(self):
        self.assertFallaSinPoderEscribir(b"Juan\n1\nAna\n2\n")


def palabra(crudo: bytes) -> str:
    """A typed word, whatever its bytes, as the transcripts hold it."""
    return crudo.decode("utf-8", "surrogateescape")


class EntradaHostil(arnes.CasoSinTerminal):
    """Input no one types on purpose: each still gives the four screens and nothing else."""

    def test_a_megabyte_word_is_cut_to_the_name_field_and_the_dni_still_comes_next(self):
        self.assertTranscripcion(b"x" * (1 << 20) + b"\n12345678-Z\nAna\n1\n",
                                 sin_eco("x" * 29, "12345678-Z", "Ana", "1"))

    def test_a_nul_byte_inside_a_word_ends_it(self):
        self.assertTranscripcion(b"Ju\0an 12345678-Z\0\0 Ana\0 1",
                                 sin_eco("Ju", "an", "12345678-Z", "Ana"))

    def test_lone_continuation_bytes_are_kept_as_they_come(self):
        self.assertTranscripcion(b"\x80\x80\x80 \xbfx\xbf " + b"\x80" * 40 + b" 1",
                                 sin_eco(palabra(b"\x80\x80\x80"), palabra(b"\xbfx\xbf"),
                                         palabra(b"\x80" * 29), "1"))

    def test_a_lead_byte_at_the_cut_is_dropped_only_when_its_character_would_be_split(self):
        self.assertTranscripcion(b"a" * 28 + b"\xe2\x82\xac 1 " + b"b" * 28 + b"\xc3x 2",
                                 sin_eco("a" * 28, "1", palabra(b"b" * 28 + b"\xc3"), "2"))

    def test_crlf_line_ends_are_white_space(self):
        self.assertTranscripcion(b"Juan\r\n12345678-Z\r\nAna\r\n87654321-X\r\n",
                                 sin_eco("Juan", "12345678-Z", "Ana", "87654321-X"))

    def test_only_white_space_gives_empty_names_and_dnis(self):
        self.assertTranscripcion(b" \t\r\n \n\v\f", sin_eco("", "", "", ""))

    def test_input_ending_at_each_of_the_four_prompts(self):
        for entrada, palabras in ((b"", ("", "", "", "")), (b"Juan\n", ("Juan", "", "", "")),
                                  (b"Juan 1\n", ("Juan", "1", "", "")),
                                  (b"Juan 1 Ana", ("Juan", "1", "Ana", ""))):
            with self.subTest(entrada=entrada):
                self.assertTranscripcion(entrada, sin_eco(*palabras))


class EnTerminal(arnes.CasoEnTerminal):
    def preparar_pausa(self, terminal):
        terminal.hasta(NOMBRE.encode())
        terminal.teclear(b"Juan 12345678-Z\n")

    def responder(self, terminal, pregunta: str, teclas: bytes) -> bytes:
        """Waits for a prompt, sees that it waits for a word, and types `teclas`: what the
        terminal showed up to the prompt."""
        mostrado = terminal.hasta(pregunta.encode())
        self.assertTrue(terminal.quieto(), f"{pregunta!r} did not wait")
        terminal.teclear(teclas)
        return mostrado

    def test_pauses_wait_for_a_key_and_no_key_reaches_the_next_read(self):
        terminal = self.abrir()
        self.responder(terminal, NOMBRE, b"Juan\n")
        self.responder(terminal, DNI, b"12345678-Z\n")
        self.assertIn(b"PROPIETARIO 2 Nombre: Juan Dni: 12345678-Z\r\n",
                      terminal.hasta(b"Color: Rojo\r\n\r\n"))
        self.assertPausaEspera(terminal, b"\x1b[A")  # an arrow key sends three bytes
        terminal.hasta(b"Color: Rosa\r\n\r\n")
        self.assertPausaEspera(terminal, b"x")
        self.assertEqual(self.responder(terminal, NOMBRE, b"Ana\n"), NOMBRE.encode())
        self.assertTerminalComoAntes(terminal)  # the pauses put the settings back
        self.responder(terminal, DNI, b"87654321-X\n")
        self.assertIn(b"\r\n\r\nPROPIETARIO Nombre: Ana Dni: 87654321-X\r\n",
                      terminal.hasta(b"Color: Verde\r\n\r\n"))
        self.assertPausaEspera(terminal, b"\x1b[B")
        terminal.hasta(b"Color: Azul\r\n\r\n")
        self.assertEsperaEnPausa(terminal)
        terminal.teclear(b"q")
        self.assertEqual(terminal.fin(), 0)
        self.assertTerminalComoAntes(terminal)
        self.assertNotIn(BORRADO, terminal.visto)  # no clear after the last pause

    def test_words_typed_ahead_stay_for_the_next_read_across_the_pauses(self):
        terminal = self.abrir()
        self.responder(terminal, NOMBRE, b"Juan 12345678-Z Ana\n")
        terminal.hasta(b"Color: Rojo\r\n\r\n")
        self.assertPausaEspera(terminal)
        self.assertPausaEspera(terminal)
        # The name prompt did not wait: "Ana" was pending.
        self.responder(terminal, DNI, b"87654321-X\n")
        self.assertIn(b"PROPIETARIO Nombre: Ana Dni: 87654321-X", terminal.hasta(b"Verde"))

    def assertSoloLoTecleadoDespues(self, al_dni: bytes, en_la_pausa):
        """`al_dni` is typed at the DNI prompt in one burst, and `en_la_pausa(terminal)` at the first
        pause. That pause waits, the second one waits too (nothing of the first key is left to end
        it), and screen 3 holds exactly what is typed at its own prompts."""
        terminal = self.abrir()
        self.responder(terminal, NOMBRE, b"Juan\n")
        self.responder(terminal, DNI, al_dni)
        self.assertIn(b"PROPIETARIO 2 Nombre: Juan Dni: 12345678-Z\r\n",
                      terminal.hasta(b"Color: Rojo\r\n\r\n"))
        self.assertEsperaEnPausa(terminal)
        en_la_pausa(terminal)
        terminal.hasta(b"Color: Rosa\r\n\r\n")
        self.assertPausaEspera(terminal)
        self.responder(terminal, NOMBRE, b"Ana\n")
        self.responder(terminal, DNI, b"87654321-X\n")
        self.assertIn(b"\r\n\r\nPROPIETARIO Nombre: Ana Dni: 87654321-X\r\n",
                      terminal.hasta(b"Color: Verde\r\n\r\n"))

    def test_a_line_typed_ahead_with_the_dni_is_dropped_at_the_pause(self):
        self.assertSoloLoTecleadoDespues(b"12345678-Z\nBob", lambda t: t.teclear(b" "))
        self.assertSoloLoTecleadoDespues(b"12345678-Z\nBob\nLuis\n", lambda t: t.teclear(b" "))

    def test_a_paste_at_a_pause_is_taken_whole_as_its_key(self):
        pegado = b"Maximiliano Jose Fernandez Ruiz de la Torre 9999\n"  # more than 32 bytes
        self.assertSoloLoTecleadoDespues(b"12345678-Z\n", lambda t: t.teclear(pegado))

    def test_a_two_byte_key_split_20_ms_apart_is_one_key(self):
        def enye_partida(terminal):
            terminal.teclear(b"\xc3")
            time.sleep(0.02)
            terminal.teclear(b"\xb1")
        self.assertSoloLoTecleadoDespues(b"12345678-Z\n", enye_partida)

    def test_a_lone_escape_is_a_key(self):
        self.assertSoloLoTecleadoDespues(b"12345678-Z\n", lambda t: t.teclear(b"\x1b"))

    def test_ctrl_z_at_a_pause_gives_the_shell_its_terminal_and_fg_resumes_the_pause(self):
        # dash does not repair the terminal of a stopped job, so what it shows is the pause's doing.
        shell = self.abrir(orden=["dash", "-i"])
        shell.teclear(b"PS1='$ '\n")
        shell.hasta(b"PS1='$ '\r\n")  # the echo of the line
        shell.hasta(b"$ ")
        ajustes_del_shell = termios.tcgetattr(shell.esclavo)
        shell.teclear(f"{arnes.PROGRAMA}\n".encode())
        self.responder(shell, NOMBRE, b"Juan 12345678-Z\n")
        shell.hasta(self.AVISO)
        shell.teclear(b"\x1a")  # Ctrl-Z
        shell.hasta(b"Stopped")
        shell.hasta(b"$ ")
        self.assertEqual(termios.tcgetattr(shell.esclavo), ajustes_del_shell)
        shell.teclear(b"fg; echo estado=$?\n")  # fg gives the job's status
        self.assertEsperaEnPausa(shell)  # shown anew, in its mode again
        shell.teclear(b"x")  # one key
        shell.hasta(b"Color: Rosa\r\n\r\n")
        self.assertPausaEspera(shell)
        self.responder(shell, NOMBRE, b"Ana 87654321-X\n")
        for _ in range(2):
            shell.hasta(self.AVISO)
            shell.teclear(b" ")
        shell.hasta(b"estado=0\r\n")
        self.assertEqual(termios.tcgetattr(shell.esclavo), ajustes_del_shell)


if __name__ == "__main__":
    unittest.main()
