// Builds the lab's page into a folder: node laboratorio/construir.mjs <carpeta>. Everything the page
// needs is a classic script beside index.html, so that it opens from disk (file://), where a page
// cannot fetch: the lesson's files and the objects of the unchanged programs (datos.js), the
// checker built for WASI (in datos.js too), clang (clang.js), the worker (obrero.js) and the page.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import * as esbuild from 'esbuild';
import { runClang } from '@yowasp/clang';
import { comprobar } from './obrero.js';
import { ordenes } from './comun.js';

const aqui = path.dirname(fileURLToPath(import.meta.url));
const raiz = path.dirname(aqui);
const destino = path.resolve(process.argv[2] ?? 'laboratorio-pagina');
fs.mkdirSync(destino, { recursive: true });

// The learner's files, as the learners' download ships them, and what the checks read.
const programas = fs.readFileSync(path.join(raiz, 'programas.txt'), 'utf8').split('\n')
    .filter((l) => l.trim() && !l.startsWith('#')).map((l) => l.trim().split(/\s+/));
const quiere = (ruta) => /^(programas\.txt|platform\/[^/]+\.(cpp|h)|comprobador\/([^/]+\.h|consola_comprobacion\.cpp|reservas\.cpp)|ejercicios\/([^/]+\.(original|entrada)|[^/]+\/(salida|pistas)\.txt))$/.test(ruta)
    || programas.some(([, carpeta]) => new RegExp(`^${carpeta}/[^/]+\\.(cpp|h)$`).test(ruta));
function leer(carpeta, arbol = {}, ruta = '') {
    for (const e of fs.readdirSync(carpeta, { withFileTypes: true }).sort((a, b) => (a.name < b.name ? -1 : 1))) {
        const suya = ruta + e.name;
        if (e.isDirectory() && !['node_modules', '.git', 'build', 'desarrollo'].includes(e.name)) {
            const dentro = leer(path.join(carpeta, e.name), {}, suya + '/');
            if (Object.keys(dentro).length) arbol[e.name] = dentro;
        } else if (e.isFile() && quiere(suya)) {
            arbol[e.name] = new Uint8Array(fs.readFileSync(path.join(carpeta, e.name)));
        }
    }
    return arbol;
}
const arbol = leer(raiz);

// The checker, for WASI, with no exceptions: there is no unwinder in its C++ library.
await runClang(null, {}, { fetchProgress() {} });
const fuentes = { comprobador: {}, platform: arbol.platform };
for (const f of fs.readdirSync(path.join(raiz, 'comprobador')))
    if (/\.(h|cpp)$/.test(f)) fuentes.comprobador[f] = new Uint8Array(fs.readFileSync(path.join(raiz, 'comprobador', f)));
const { 'comprobar.wasm': checker } = await runClang(['clang++', '-std=c++17', '-Os', '-fno-exceptions', '-I.',
    'comprobador/comprobar.cpp', 'comprobador/proceso_laboratorio.cpp', '-o', 'comprobar.wasm'], fuentes);
const modulo = new WebAssembly.Module(checker);

// Every object of the unchanged programs, made as the checks and the terminal's builds make them:
// a first build in the page only links.
let hecho = arbol;
const enlaces = {};
for (const args of programas.flatMap(([nombre]) => [ordenes.construir(nombre), ordenes.comprobar(nombre, 1)])) {
    const r = comprobar(modulo, hecho, args, { enlaces });
    if (!/^Compilando/.test(r.texto)) throw new Error(r.texto);
    hecho = r.arbol;
}
const objetos = (carpeta) => Object.fromEntries(Object.entries(carpeta).flatMap(([n, v]) =>
    v instanceof Uint8Array ? (/\.(o|huella)$|^sello\.txt$/.test(n) ? [[n, v]] : []) : [[n, objetos(v)]]));
arbol.comprobacion = objetos(hecho.comprobacion);

// Bytes as a script's string: each byte one character, those below 32 moved past 255, so that
// the text compresses as the bytes do (base64 would not). The worker undoes it.
const texto = (bytes) => "'" + Array.from(bytes, (b) => (b < 32 ? String.fromCharCode(b + 256) : b === 39 ? "\\'" : b === 92 ? '\\\\' : String.fromCharCode(b))).join('') + "'";
const comoTexto = (a) => '{' + Object.entries(a).map(([n, v]) => JSON.stringify(n) + ':' + (v instanceof Uint8Array ? texto(v)
    : typeof v === 'number' ? v : comoTexto(v))).join(',\n') + '}';
// clang in pieces of 4 MB, each a script of its own: the page reads one at a time and stays
// responsive while they load.
const gen = path.join(aqui, 'node_modules/@yowasp/clang/gen');
fs.rmSync(path.join(destino, 'clang'), { recursive: true, force: true });
fs.mkdirSync(path.join(destino, 'clang'));
let trozos = 0;
for (const nombre of fs.readdirSync(gen).filter((f) => /\.(wasm|tar)$/.test(f)).sort()) {
    const bytes = fs.readFileSync(path.join(gen, nombre));
    for (let desde = 0; desde < bytes.length; desde += 4 << 20)
        fs.writeFileSync(path.join(destino, 'clang', `${String(trozos++).padStart(2, '0')}.js`),
            `self.LAB_TROZO = [${JSON.stringify(nombre)}, ${texto(bytes.subarray(desde, desde + (4 << 20)))}];\n`);
}
fs.writeFileSync(path.join(destino, 'datos.js'), `self.LAB_DATOS = {arbol: ${comoTexto(arbol)},\nenlaces: ${comoTexto(enlaces)},\n`
    + `comprobar: ${texto(checker)},\ntrozosClang: ${trozos}};\n`);

// The worker, as a text the page starts (a file opened from disk cannot be a worker's address).
const paquete = (entrada, opciones = {}) => esbuild.build({ entryPoints: [path.join(aqui, entrada)], bundle: true,
    write: false, format: 'iife', minify: true, legalComments: 'none', logLevel: 'error', ...opciones });
const obrero = await paquete('obrero.js', { external: ['node:*'], define: { 'import.meta.url': '"file:///laboratorio/"' } });
fs.writeFileSync(path.join(destino, 'obrero.js'), `self.LAB_OBRERO = ${JSON.stringify(obrero.outputFiles[0].text)};\n`);
await paquete('laboratorio.js', { write: true, outfile: path.join(destino, 'laboratorio.js') });
for (const f of ['index.html', 'laboratorio.css']) fs.copyFileSync(path.join(aqui, f), path.join(destino, f));
fs.copyFileSync(path.join(aqui, 'node_modules/@xterm/xterm/css/xterm.css'), path.join(destino, 'xterm.css'));
