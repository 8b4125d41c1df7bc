// The page: the editor over the lesson's files, kept in this browser; the worker that builds, runs
// and checks them (obrero.js); the terminal where the program runs, answered key by key.
import { EditorView, basicSetup } from 'codemirror';
import { EditorState } from '@codemirror/state';
import { cpp } from '@codemirror/lang-cpp';
import { HighlightStyle, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';
import { setDiagnostics } from '@codemirror/lint';
import { Terminal } from '@xterm/xterm';
import { decodificar, ordenes } from './comun.js';

const $ = (id) => document.getElementById(id);
const datos = self.LAB_DATOS;
const aBytes = (a) => Object.fromEntries(Object.entries(a).map(([n, v]) =>
    [n, typeof v === 'string' ? decodificar(v) : typeof v === 'number' ? v : aBytes(v)]));
const originales = aBytes(datos.arbol);  // as shipped; never changed
let objetos = originales.comprobacion;  // the checker's folder, as the last job left it
let enlaces = aBytes(datos.enlaces);  // the links made: the unchanged programs' come made
const leerRuta = (arbol, ruta) => ruta.split('/').reduce((d, p) => d?.[p], arbol);
const texto = (bytes) => new TextDecoder().decode(bytes);

// Each program and its folder, from programas.txt; its files, and its exercises by number.
const programas = texto(originales['programas.txt']).split('\n').filter((l) => l.trim() && !l.startsWith('#'))
    .map((l) => l.trim().split(/\s+/));
const carpetaDe = (nombre) => programas.find(([n]) => n === nombre)[1];
const archivosDe = (nombre) => Object.keys(originales[carpetaDe(nombre)]).map((f) => `${carpetaDe(nombre)}/${f}`);
const ejerciciosDe = (nombre) => Object.keys(originales.ejercicios).map((e) => e.match(/^(.+)-(\d+)$/))
    .filter((m) => m && m[1] === nombre).map((m) => Number(m[2])).sort((a, b) => a - b);

// The learner's text of each file, in this browser's storage; the page says when it cannot keep it.
const CLAVE = 'demos-objetos/';
function avisar(mensaje) { $('aviso').textContent = mensaje; $('aviso').hidden = !mensaje; }
function guardado(ruta) {
    try { return localStorage.getItem(CLAVE + ruta); } catch { return null; }
}
// With its date, as a disk keeps it: the checker tells a change saved in another program's folder.
const fecha = (ruta) => Number(guardado(`fecha:${ruta}`) ?? (guardado(ruta) === null ? 0 : Date.now()));
function guardar(ruta, contenido) {
    try {
        const original = contenido === texto(leerRuta(originales, ruta));
        for (const [clave, valor] of [[ruta, contenido], [`fecha:${ruta}`, String(Date.now())]])
            if (original) localStorage.removeItem(CLAVE + clave); else localStorage.setItem(CLAVE + clave, valor);
    } catch {
        avisar('Este navegador no deja guardar tus cambios (una ventana privada, o el espacio lleno). '
            + 'Se pierden al cerrar la página: copia el código que quieras conservar a un archivo de texto.');
    }
}

// The code's colours, each dark enough to read on white (the editor's default has a light orange).
const colores = syntaxHighlighting(HighlightStyle.define([
    { tag: [tags.keyword, tags.modifier, tags.controlKeyword], color: '#7a1f9e' },
    { tag: [tags.string, tags.character, tags.escape], color: '#a11' },
    { tag: [tags.comment, tags.lineComment, tags.blockComment], color: '#8a4b00' },
    { tag: [tags.number, tags.bool, tags.null], color: '#116644' },
    { tag: [tags.typeName, tags.className, tags.namespace], color: '#00607a' },
    { tag: [tags.processingInstruction, tags.meta], color: '#555' },
]));

// One editor state a file: its own undo; the line of a compile error marked.
const estados = new Map();
const vista = new EditorView({ parent: $('editor') });
vista.scrollDOM.tabIndex = 0;  // a long line scrolls sideways, from the keyboard too
let rutaActual = null;
function estadoDe(ruta) {
    if (!estados.has(ruta)) {
        estados.set(ruta, EditorState.create({
            doc: guardado(ruta) ?? texto(leerRuta(originales, ruta)),
            extensions: [basicSetup, cpp(), colores, EditorView.contentAttributes.of({ 'aria-label': `Código de ${ruta}` }),
                EditorView.updateListener.of((u) => {
                if (u.docChanged) guardar(ruta, u.state.doc.toString());
            })],
        }));
    }
    return estados.get(ruta);
}
function abrir(ruta) {
    if (rutaActual) estados.set(rutaActual, vista.state);
    rutaActual = ruta;
    vista.setState(estadoDe(ruta));
    $('archivo').value = ruta;
}
const contenido = (ruta) => (ruta === rutaActual ? vista.state : estadoDe(ruta)).doc.toString();
function ponerTexto(ruta, nuevo) {
    if (ruta !== rutaActual) estadoDe(ruta);
    const estado = ruta === rutaActual ? vista.state : estados.get(ruta);
    const cambio = estado.update({ changes: { from: 0, to: estado.doc.length, insert: nuevo } });
    if (ruta === rutaActual) vista.dispatch(cambio); else { estados.set(ruta, cambio.state); guardar(ruta, nuevo); }
}

// The files the worker gets: the shipped ones with the learner's text in place, and their dates.
function arbolActual() {
    const arbol = structuredClone(originales), fechas = {};
    arbol.comprobacion = objetos;
    for (const [nombre] of programas)
        for (const ruta of archivosDe(nombre)) {
            const partes = ruta.split('/');
            leerRuta(arbol, partes.slice(0, -1).join('/'))[partes.at(-1)] = new TextEncoder().encode(contenido(ruta));
            fechas[ruta] = fecha(ruta);
        }
    return { arbol, fechas };
}

// The worker, started again after a stop; clang reaches it once its script has loaded.
let obrero, pendiente = null, clang = null;
function empezarObrero() {
    obrero?.terminate();
    obrero = new Worker(URL.createObjectURL(new Blob([self.LAB_OBRERO], { type: 'text/javascript' })));
    obrero.onmessage = ({ data }) => {
        if (data.tipo === 'listo') performance.mark('listo');
        else if (data.tipo === 'sin-clang' && performance.mark('sin-clang')) estado('Preparando el compilador: puede tardar unos segundos…');
        else pendiente?.(data);
    };
    obrero.onerror = (e) => pendiente?.({ tipo: 'error', mensaje: e.message });
    obrero.postMessage({ tipo: 'comprobador', bytes: datos.comprobar });
    if (clang) obrero.postMessage({ tipo: 'clang', archivos: clang });
}
function trabajo(pedido) {
    return new Promise((hecho) => {
        let plazo = null;
        pendiente = (respuesta) => {
            clearTimeout(plazo);
            if (respuesta.tipo !== 'plazo') {
                if (respuesta.enlaces) enlaces = respuesta.enlaces;
                pendiente = null;
                hecho(respuesta);
                return;
            }
            // The program the checker runs has a time limit: past it, the worker is stopped and
            // the check starts again knowing how that run ended.
            plazo = setTimeout(() => {
                empezarObrero();
                const sabidos = { ...pedido.sabidos, [respuesta.clave]: { fin: 2, codigo: 0, clase: 0, error: '' } };
                trabajo({ ...pedido, arbol: respuesta.arbol, sabidos }).then(hecho);
            }, (respuesta.segundos + 1) * 1000);
        };
        obrero.postMessage({ ...pedido, enlaces });
    });
}
empezarObrero();
// clang's pieces, one script after another, passed on to the worker as they come.
function cargarClang(numero, trozos = []) {
    if (numero === datos.trozosClang) {
        clang = trozos;
        performance.mark('clang');
        obrero.postMessage({ tipo: 'clang', archivos: clang });
        return;
    }
    const script = document.createElement('script');
    script.src = `clang/${String(numero).padStart(2, '0')}.js`;
    script.onload = () => { trozos.push(self.LAB_TROZO); script.remove(); setTimeout(cargarClang, 0, numero + 1, trozos); };
    script.onerror = () => avisar(`Falta el archivo ${script.src.split('/').slice(-2).join('/')} junto a index.html: sin él no se puede `
        + 'compilar, y solo funcionan los programas que no has cambiado. Descomprime el zip completo y abre index.html desde esa carpeta.');
    document.body.append(script);
}
// After the page's load, which they would otherwise hold back.
addEventListener('load', () => cargarClang(0));

// What the checker answered; a compile error marked on its line, with the file opened there.
function responder(r) {
    $('respuesta').textContent = r.tipo === 'error' ? `El laboratorio ha fallado (${r.mensaje}). Recarga la página: tus cambios siguen guardados.` : r.texto;
    $('respuesta').classList.toggle('bien', r.codigo === 0);
    const error = /^\s*([\w./-]+):(\d+):(?:\d+:)? (?:fatal )?error: (.*)$/m.exec(r.texto ?? '');
    if (!error || !estados.has(error[1]) && !archivosDe($('programa').value).includes(error[1])) return;
    abrir(error[1]);
    const linea = vista.state.doc.line(Math.min(Number(error[2]), vista.state.doc.lines));
    vista.dispatch(setDiagnostics(vista.state, [{ from: linea.from, to: linea.to, severity: 'error', message: error[3] }]),
        { selection: { anchor: linea.from }, scrollIntoView: true });
}
function estado(mensaje) { $('estado').textContent = mensaje; }
function ocupado(si) {
    for (const b of ['ejecutar', 'comprobar', 'programa']) $(b).disabled = si;
    $('detener').disabled = !si;
}

// The terminal: the program's screens, a key for its pauses, a line typed and echoed for its
// questions. It runs again with all that was typed, and only what is new is written.
const terminal = new Terminal({ convertEol: true, rows: 24, cols: 80, fontSize: 14, cursorBlink: true });
terminal.open($('terminal'));
let corrida = null;
async function correr() {
    const c = corrida;
    const r = await trabajo({ tipo: 'correr', programa: c.programa, nombre: c.nombre, entrada: c.entrada, teclas: c.teclas });
    if (c !== corrida) return;
    const nuevo = r.salida?.subarray(c.mostrado) ?? new Uint8Array();
    c.mostrado += nuevo.length;
    await new Promise((hecho) => terminal.write(nuevo, hecho));  // the screen shown, then the wait said
    if (nuevo.length) performance.mark('pantalla');
    c.espera = r.tipo === 'espera' ? r.cual : null;
    $('tecla').hidden = c.espera !== 'tecla';
    if (c.espera) {
        estado(c.espera === 'tecla' ? 'El programa espera una tecla: pulsa cualquiera, o el botón «Pulsar una tecla».'
            : 'El programa espera una línea: toca el recuadro negro, escribe lo que pide (si pide algo) y pulsa Intro (Enter).');
        terminal.focus();
        return;
    }
    corrida = null;
    ocupado(false);
    estado(r.tipo === 'error' ? `El programa no se ha podido ejecutar (${r.mensaje}). Recarga la página: tus cambios siguen guardados.`
        : r.fin.fin === 0 ? `El programa ha terminado (main devolvió ${r.fin.codigo}).`
            : r.fin.clase === 3 ? 'El programa ha escrito demasiado y se ha detenido: suele ser un bucle que escribe sin parar.'
                : `El programa se ha detenido de golpe (${r.fin.error}).`);
}
const masBytes = (a, b) => { const r = new Uint8Array(a.length + b.length); r.set(a); r.set(b, a.length); return r; };
terminal.onData((tecleado) => {
    const c = corrida;
    if (!c?.espera) return;
    if (c.espera === 'tecla') {
        c.teclas = masBytes(c.teclas, new TextEncoder().encode(tecleado).subarray(0, 1));
    } else if (tecleado === '\r') {
        terminal.write('\r\n');
        c.entrada = masBytes(c.entrada, new TextEncoder().encode(c.linea + '\n'));
        c.linea = '';
    } else if (tecleado === '\x7f') {
        if (c.linea) { c.linea = [...c.linea].slice(0, -1).join(''); terminal.write('\b \b'); }
        return;
    } else {
        const visible = tecleado.replace(/[\x00-\x1f]/g, '');
        c.linea += visible;
        terminal.write(visible);
        return;
    }
    c.espera = null;
    estado(`${c.nombre} se está ejecutando.`);
    correr();
});
// On a phone, with no key to press: the button is the key.
$('tecla').onclick = () => { terminal.focus(); terminal.input(' '); };

$('ejecutar').onclick = async () => {
    if (corrida) $('detener').onclick();
    const nombre = $('programa').value;
    ocupado(true);
    estado(`Compilando ${nombre}…`);
    const r = await trabajo({ tipo: 'comprobar', ...arbolActual(), args: ordenes.construir(nombre) });
    responder(r);
    if (r.tipo === 'error' || r.codigo !== 0) { ocupado(false); estado('No se ha podido compilar: la línea está marcada en el código y explicada más abajo, en «Comprobación».'); return; }
    objetos = r.arbol.comprobacion;
    $('respuesta').textContent = '';
    $('respuesta').classList.remove('bien');
    $('comprobar').disabled = $('ejecutar').disabled = false;  // either stops the program first
    terminal.reset();
    corrida = { nombre, programa: leerRuta({ comprobacion: objetos }, ordenes.ejecutable(nombre)), entrada: new Uint8Array(), teclas: new Uint8Array(), linea: '', mostrado: 0 };
    estado(`${nombre} se está ejecutando.`);
    correr();
};
$('detener').onclick = () => {
    corrida = null;
    // A program waiting for a key leaves the worker idle; one running is stopped with it.
    if (pendiente) {
        pendiente = null;
        empezarObrero();
    }
    ocupado(false);
    $('tecla').hidden = true;
    estado('Detenido.');
};
$('comprobar').onclick = async () => {
    if (corrida) $('detener').onclick();
    const [nombre, numero] = [$('programa').value, $('ejercicio').value];
    ocupado(true);
    $('respuesta').textContent = `Comprobando ${nombre} ${numero}…`;
    const r = await trabajo({ tipo: 'comprobar', ...arbolActual(), args: ordenes.comprobar(nombre, numero) });
    if (r.arbol) objetos = r.arbol.comprobacion;
    ocupado(false);
    responder(r);
    estado('');
};

// The pickers, and the buttons that put the shipped text back (one file, or all: undo keeps it).
function elegirPrograma(nombre) {
    $('archivo').replaceChildren(...archivosDe(nombre).map((r) => new Option(r, r)));
    $('ejercicio').replaceChildren(...ejerciciosDe(nombre).map((n) => new Option(`${nombre} ${n}`, n)));
    abrir(archivosDe(nombre).find((r) => r.endsWith('main.cpp')) ?? archivosDe(nombre)[0]);
}
$('programa').replaceChildren(...programas.map(([n]) => new Option(n, n)));
$('programa').onchange = () => elegirPrograma($('programa').value);
$('archivo').onchange = () => abrir($('archivo').value);
$('restaurar').onclick = () => ponerTexto(rutaActual, texto(leerRuta(originales, rutaActual)));
$('restaurar-todo').onclick = () => {
    if (!confirm('¿Borrar tus cambios en todos los archivos de los tres programas?')) return;
    for (const [nombre] of programas) for (const ruta of archivosDe(nombre)) ponerTexto(ruta, texto(leerRuta(originales, ruta)));
};
elegirPrograma(programas[0][0]);
