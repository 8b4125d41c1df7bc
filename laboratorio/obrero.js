// The page's worker: the checker (comprobar, built for WASI) run on the lab's files, and the
// commands it asks for (clang, the learner's program) run here, synchronously, in its place;
// and the learner's program in the terminal, run again with everything typed so far.
import { decodificar } from './comun.js';
import { WASI, WASIProcExit, File, Directory, PreopenDirectory, OpenFile, Fd, Inode, wasi as W }
    from '@bjorn3/browser_wasi_shim';
import { runClang, runLLVM } from '@yowasp/clang';

Error.stackTraceLimit = 64;  // the frames of a new or a delete, for the check of the free store

const TOPE = 16 * 1024 * 1024;  // what a child may write to one file, as the checker allows
const TOPE_PANTALLA = 1024 * 1024;  // what the terminal shows of one run
// The machine the lab's clang builds for: no exceptions in its C++ library; memory and a stack
// with limits, so that a program that allocates without end, or recurses, stops.
const COMPILAR = ['-fno-exceptions'];
const ENLAZAR = ['-Wl,--max-memory=268435456', '-Wl,-z,stack-size=1048576', '-Wl,--stack-first'];

export class Espera extends Error {}   // the program reads what has not been typed yet
class Escritura extends Error {}       // it wrote more than it may
export class SinClang extends Error {} // clang is needed and its script has not loaded yet

// A file with the date the learner last changed it (in ms; 0 for the lesson's own), written where
// WASI reads a file's state: the shim's own layout misplaces the three dates.
class Archivo extends File {
    stat() {
        const estado = super.stat();
        estado.write_bytes = (vista, donde) => {
            new Uint8Array(vista.buffer, vista.byteOffset + donde, 64).fill(0);
            vista.setBigUint64(donde + 8, estado.ino, true);
            vista.setUint8(donde + 16, estado.filetype);
            vista.setBigUint64(donde + 32, estado.size, true);
            vista.setBigUint64(donde + 48, BigInt(this.fecha ?? 0) * 1000000n, true);
        };
        return estado;
    }
}

// The files, as the page keeps them ({nombre: Uint8Array | {...}}), and as WASI sees them.
export function aDirectorio(arbol, fechas = {}, ruta = '') {
    return new Directory(Object.entries(arbol).map(([nombre, valor]) => {
        if (!(valor instanceof Uint8Array)) return [nombre, aDirectorio(valor, fechas, ruta + nombre + '/')];
        const archivo = new Archivo(valor);
        archivo.fecha = fechas[ruta + nombre];
        return [nombre, archivo];
    }));
}
export function aArbol(directorio) {
    const arbol = {};
    for (const [nombre, nodo] of directorio.contents)
        arbol[nombre] = nodo instanceof Directory ? aArbol(nodo) : nodo.data;
    return arbol;
}
function buscar(directorio, ruta, crear = false) {
    const partes = ruta.split('/').filter((p) => p && p !== '.');
    let nodo = directorio;
    for (const [i, parte] of partes.entries()) {
        if (!(nodo instanceof Directory)) return null;
        if (!nodo.contents.has(parte) && crear)
            nodo.contents.set(parte, i === partes.length - 1 ? new File(new Uint8Array()) : new Directory([]));
        nodo = nodo.contents.get(parte);
    }
    return nodo ?? null;
}
function escribir(raiz, ruta, datos) {
    if (ruta) buscar(raiz, ruta, true).data = datos;
}
function unir(trozos) {
    const todo = new Uint8Array(trozos.reduce((n, t) => n + t.length, 0));
    let donde = 0;
    for (const t of trozos) { todo.set(t, donde); donde += t.length; }
    return todo;
}

// A stream the program writes: kept, up to `tope` bytes.
class Salida extends Fd {
    constructor(trozos, tope, terminal) { super(); Object.assign(this, { trozos, tope, terminal }); }
    fd_fdstat_get() {
        return { ret: 0, fdstat: new W.Fdstat(this.terminal ? W.FILETYPE_CHARACTER_DEVICE : W.FILETYPE_REGULAR_FILE, 0) };
    }
    fd_write(datos) {
        this.trozos.push(datos.slice());
        this.trozos.total = (this.trozos.total ?? 0) + datos.length;
        if (this.trozos.total > this.tope) throw new Escritura();
        return { ret: 0, nwritten: datos.length };
    }
}
// What the program reads: `datos`, then the end of the file, or, in the terminal, a wait.
class Entrada extends Fd {
    constructor(datos, cual) { super(); Object.assign(this, { datos, cual, leido: 0 }); }
    fd_fdstat_get() {
        return { ret: 0, fdstat: new W.Fdstat(this.cual ? W.FILETYPE_CHARACTER_DEVICE : W.FILETYPE_REGULAR_FILE, 0) };
    }
    fd_read(cuanto) {
        if (this.leido >= this.datos.length && this.cual) throw new Espera(this.cual);
        // A key is one byte; a line, all that was typed up to its Enter.
        const fin = this.cual === 'tecla' ? this.leido + 1 : this.datos.indexOf(10, this.leido) + 1 || this.datos.length;
        const trozo = this.datos.slice(this.leido, Math.min(fin, this.leido + cuanto));
        this.leido += trozo.length;
        return { ret: 0, data: trozo };
    }
}
// /dev/tty: the keys read, and what the pause writes, in the same terminal; each pause opens it
// again and reads on from the last key taken.
class Terminal extends Inode {
    constructor(teclas, pantalla) { super(); Object.assign(this, { teclas, pantalla }); }
    path_open() {
        if (!this.fd) {
            this.fd = new Entrada(this.teclas, 'tecla');
            this.fd.fd_write = Salida.prototype.fd_write.bind(new Salida(this.pantalla, TOPE_PANTALLA, true));
        }
        return { ret: 0, fd_obj: this.fd };
    }
    stat() { return new W.Filestat(this.ino, W.FILETYPE_CHARACTER_DEVICE, 0n); }
}

// Why a WebAssembly program stopped, in the checker's terms: proceso::Fin and proceso::Clase.
const FIN = { Estado: 0, Anormal: 1, Plazo: 2, NoArranca: 3 };
const CLASE = { Otra: 0, Memoria: 1, Aborto: 2, Escritura: 3 };
function trampa(e) {
    const texto = String(e?.message ?? e);
    if (e instanceof Escritura) return [CLASE.Escritura, 'más de 16 MB escritos'];
    if (/unreachable/i.test(texto)) return [CLASE.Aborto, 'abort'];
    if (e instanceof RangeError || /recursion|stack/i.test(texto)) return [CLASE.Memoria, 'pila agotada'];
    if (/bounds|memory/i.test(texto)) return [CLASE.Memoria, 'acceso fuera de la memoria'];
    if (/divi/i.test(texto)) return [CLASE.Otra, 'división entera por cero'];
    return [CLASE.Otra, texto];
}

const modulos = new Map();  // each program compiled once, by its bytes
function modulo(bytes) {
    const clave = resumen(bytes);
    if (!modulos.has(clave)) { modulos.clear(); modulos.set(clave, new WebAssembly.Module(bytes)); }
    return modulos.get(clave);
}

// Where the code section's contents start: addr2line counts a program's places from there.
function inicioDelCodigo(bytes) {
    let i = 8;
    const leb = () => { let n = 0, desp = 0, b; do { b = bytes[i++]; n += (b & 127) * 2 ** desp; desp += 7; } while (b & 128); return n; };
    while (i < bytes.length) {
        const id = bytes[i++], largo = leb();
        if (id === 10) return i;
        i += largo;
    }
    return 0;
}

// The frames of the program's calls now, from this engine's stack, for its check of new and delete.
function marcos(bytes, memoria) {
    const inicio = inicioDelCodigo(bytes);
    return (dir, cabida) => {
        const lugares = [...new Error().stack.matchAll(/wasm-function\[\d+\]:0x([0-9a-f]+)/g)].slice(0, cabida);
        const vista = new DataView(memoria().buffer);
        lugares.forEach(([, hex], i) => vista.setUint32(dir + 4 * i, parseInt(hex, 16) - inicio, true));
        return lugares.length;
    };
}

// Runs a WASI program to its end, or to a wait for input. `salida` and `errores` may be one array.
export function correr(bytes, { args = ['programa'], env = [], entrada, teclas = null, salida = [], errores = salida, raiz = null, tope = TOPE }) {
    const fds = [new Entrada(entrada, teclas ? 'linea' : null), new Salida(salida, tope, !!teclas),
        new Salida(errores, tope, !!teclas)];
    const contenido = raiz ? [...raiz.contents] : [];
    if (teclas) contenido.push(['dev', new Directory([['tty', new Terminal(teclas, salida)]])]);
    fds.push(new PreopenDirectory('/', contenido));
    const sistema = new WASI(args, env, fds, { debug: false });
    try {
        const laboratorio = { marcos: marcos(bytes, () => instancia.exports.memory) };
        const instancia = new WebAssembly.Instance(modulo(bytes), { wasi_snapshot_preview1: sistema.wasiImport, laboratorio });
        return { fin: FIN.Estado, codigo: sistema.start(instancia), clase: 0, error: '' };
    } catch (e) {
        if (e instanceof Espera) throw e;
        if (e instanceof WASIProcExit) return { fin: FIN.Estado, codigo: e.code, clase: 0, error: '' };
        const [clase, nombre] = trampa(e);
        return { fin: FIN.Anormal, codigo: 0, clase, error: nombre };
    }
}

// clang or another LLVM tool on the files, synchronously; what it writes goes back among them.
function conLLVM(herramienta, args, raiz, registro, guardar) {
    if (!clangListo) throw new SinClang();
    const guardarTrozo = (b) => b && registro.push(b.slice());
    let arbol, codigo = 0;
    try {
        arbol = herramienta(args, aArbol(raiz), { synchronously: true, stdout: guardarTrozo, stderr: guardarTrozo, decodeASCII: false });
    } catch (e) {
        if (!('code' in e)) throw e;
        arbol = e.files; codigo = e.code;
    }
    const copiar = (de, ruta) => {
        for (const [nombre, valor] of Object.entries(de))
            if (valor instanceof Uint8Array) escribir(raiz, ruta + nombre, valor);
            else copiar(valor, ruta + nombre + '/');
    };
    copiar(arbol, '');
    guardar();
    return { fin: FIN.Estado, codigo, clase: 0, error: '' };
}

// A command of the checker's, run here: clang, addr2line, or a program among the files.
function ejecutar(texto, raiz, avisar, enlaces) {
    const lineas = texto.split('\n');
    const [segundos, entrada, salida, errores] = lineas;
    const vacia = lineas.indexOf('', 4);
    const variables = lineas.slice(4, vacia), args = lineas.slice(vacia + 1, -1);
    const leerArchivo = (ruta) => (ruta && buscar(raiz, ruta)?.data) || new Uint8Array();
    const registro = [];
    const guardar = () => {
        const todo = unir(registro);
        if (salida === errores) escribir(raiz, salida, todo);
        else { escribir(raiz, salida, todo); escribir(raiz, errores, new Uint8Array()); }
    };
    if (args[0].endsWith('addr2line')) {  // LLVM's, for the places of the program's frames, as GNU's names them
        return conLLVM(runLLVM, ['addr2line', '--no-demangle', ...args.slice(1)], raiz, registro, guardar);
    }
    if (args[0] === 'clang++') {
        const enlace = !args.includes('-c');
        // A link already made from the same objects is taken as it was: the unchanged programs'
        // come with the page, so that their first run needs no clang.
        const ejecutable = args[args.indexOf('-o') + 1];
        const clave = enlace && resumen(args.map((a) => (a === ejecutable ? '-' : a + ':' + resumen(leerArchivo(a)))).join('\n'));
        if (enlace && enlaces[clave]) {
            registro.push(enlaces[clave].registro);
            escribir(raiz, ejecutable, enlaces[clave].ejecutable);
            guardar();
            return { fin: FIN.Estado, codigo: enlaces[clave].codigo, clase: 0, error: '' };
        }
        const r = conLLVM(runClang, [...args, ...(enlace ? ENLAZAR : COMPILAR)], raiz, registro, guardar);
        if (enlace) enlaces[clave] = { codigo: r.codigo, registro: unir(registro), ejecutable: leerArchivo(ejecutable) };
        return r;
    }
    const programa = buscar(raiz, args[0]);
    if (!(programa instanceof File) || programa.data[0] !== 0) {
        return { fin: FIN.NoArranca, codigo: 0, clase: 0, error: `«${args[0]}» no está en el laboratorio` };
    }
    avisar(Number(segundos));
    const deSalida = [], deErrores = salida === errores ? deSalida : [];
    const fin = correr(programa.data, { args, env: variables, entrada: leerArchivo(entrada), salida: deSalida, errores: deErrores, raiz });
    escribir(raiz, salida, unir(deSalida));
    if (salida !== errores) escribir(raiz, errores, unir(deErrores));
    return fin;
}

// A short name for a text or bytes (53 bits of cyrb53), to know a link made before.
function resumen(datos) {
    if (typeof datos === 'string') datos = new TextEncoder().encode(datos);
    let h1 = 0xdeadbeef, h2 = 0x41c6ce57;
    for (const b of datos) { h1 = Math.imul(h1 ^ b, 2654435761); h2 = Math.imul(h2 ^ b, 1597334677); }
    h1 = Math.imul(h1 ^ (h1 >>> 16), 2246822507) ^ Math.imul(h2 ^ (h2 >>> 13), 3266489909);
    h2 = Math.imul(h2 ^ (h2 >>> 16), 2246822507) ^ Math.imul(h1 ^ (h1 >>> 13), 3266489909);
    return String(4294967296 * (2097151 & h2) + (h1 >>> 0));
}

let clangListo = typeof WorkerGlobalScope === 'undefined';  // in Node, clang's package reads its files

// The checker, run with `args` on the files of `arbol`. A command whose answer is in `sabidos` is
// not run again (the page ran it before and stopped it at its time limit); `enlaces` keeps the
// links made, and gains the new ones. `avisar(segundos, orden, arbol)`: a program with a time
// limit starts now, on these files.
export function comprobar(checker, arbol, args, { fechas = {}, sabidos = {}, enlaces = {}, avisar = () => {} } = {}) {
    const raiz = aDirectorio(arbol, fechas);
    const dicho = [];
    const sistema = new WASI(['comprobar', ...args], [], [new Entrada(new Uint8Array(), null),
        new Salida(dicho, TOPE, false), new Salida(dicho, TOPE, false), new PreopenDirectory('/', [...raiz.contents])], { debug: false });
    const raizVista = sistema.fds[3].dir;
    let memoria;
    const laboratorio = {
        ejecutar(orden, largo, respuesta, cabida) {
            const texto = new TextDecoder().decode(new Uint8Array(memoria.buffer, orden, largo));
            const r = sabidos[texto] ?? ejecutar(texto, raizVista, (s) => avisar(s, texto, aArbol(raizVista)), enlaces);
            const bytes = new TextEncoder().encode(`${r.fin} ${r.codigo} ${r.clase}\n${r.error}`).slice(0, cabida);
            new Uint8Array(memoria.buffer, respuesta, bytes.length).set(bytes);
            return bytes.length;
        },
    };
    const instancia = new WebAssembly.Instance(checker, { wasi_snapshot_preview1: sistema.wasiImport, laboratorio });
    memoria = instancia.exports.memory;
    const codigo = sistema.start(instancia);
    return { codigo, texto: new TextDecoder().decode(unir(dicho)), arbol: aArbol(raizVista) };
}

// In the page: the checker arrives first, clang when its script has loaded, then each job; a
// check that needs clang before it has come waits for it and starts again.
if (typeof WorkerGlobalScope !== 'undefined') {
    let checker, listo;
    const clang = new Promise((hecho) => { listo = hecho; });
    self.onmessage = async ({ data: pedido }) => {
        if (pedido.tipo === 'comprobador') {
            checker = new WebAssembly.Module(decodificar(pedido.bytes));
        } else if (pedido.tipo === 'clang') {
            const partes = {};
            for (const [nombre, trozo] of pedido.archivos) (partes[nombre] ??= []).push(decodificar(trozo));
            self.LAB_ARCHIVOS = Object.fromEntries(Object.entries(partes).map(([n, p]) => [n, unir(p)]));
            await runClang(null, {}, { fetchProgress() {} });
            clangListo = true;
            listo();
            self.postMessage({ tipo: 'listo' });
        } else if (pedido.tipo === 'comprobar') {
            const { arbol, fechas, args, sabidos, enlaces } = pedido;
            const avisar = (segundos, clave, antes) => self.postMessage({ tipo: 'plazo', segundos, clave, arbol: antes });
            for (;;) {
                try {
                    const r = comprobar(checker, arbol, args, { fechas, sabidos, enlaces, avisar });
                    self.postMessage({ tipo: 'comprobado', ...r, enlaces });
                    return;
                } catch (e) {
                    if (!(e instanceof SinClang)) throw e;
                    self.postMessage({ tipo: 'sin-clang' });
                    await clang;
                }
            }
        } else if (pedido.tipo === 'correr') {
            const salida = [];
            try {
                const fin = correr(pedido.programa, { args: [pedido.nombre], entrada: pedido.entrada, teclas: pedido.teclas, salida, tope: TOPE_PANTALLA });
                self.postMessage({ tipo: 'corrido', fin, salida: unir(salida) });
            } catch (e) {
                if (!(e instanceof Espera)) throw e;
                self.postMessage({ tipo: 'espera', cual: e.message, salida: unir(salida) });
            }
        }
    };
}
