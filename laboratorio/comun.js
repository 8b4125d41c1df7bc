// What the page, its worker and its build share.

// In the page's worker, clang's files come from the page (a file opened from disk cannot be
// fetched): set before clang's package reads `fetch`.
if (typeof WorkerGlobalScope !== 'undefined') {
    self.fetch = async (direccion) => new Response(self.LAB_ARCHIVOS[String(direccion).split('/').pop()],
        { headers: { 'content-type': 'application/wasm' } });
}

// Bytes shipped as a script's string (construir.mjs): each byte a character, those below 32 as
// 256 more.
export function decodificar(s) {
    const bytes = new Uint8Array(s.length);
    for (let i = 0; i < s.length; i++) bytes[i] = s.charCodeAt(i) & 255;
    return bytes;
}

// The checker's command lines: each program's checks, and its build for the terminal, in folders of
// their own, so that no build makes another's objects again.
export const ordenes = {
    construir: (programa) => ['--construir', programa, '--carpeta', `comprobacion/${programa}/programa`, '--compilador', 'clang++'],
    comprobar: (programa, numero) => [programa, String(numero), '--carpeta', `comprobacion/${programa}`, '--compilador', 'clang++'],
    ejecutable: (programa) => `comprobacion/${programa}/programa/${programa}`,
};
