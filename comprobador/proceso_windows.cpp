// Running the check's child programs on Windows. Each child runs inside a job object, so that a
// time limit ends it and anything it started; a crash ends it with an exception code instead of
// opening the system's error dialog.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "comprobador/proceso.h"

namespace proceso {
namespace {

std::wstring ancho(const std::string& texto)
{
    if (texto.empty()) return std::wstring();
    const int largo =
        MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
    std::wstring resultado(static_cast<std::size_t>(largo), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), &resultado[0],
                        largo);
    return resultado;
}

// One argument quoted as the C runtime's command-line parser reads it back: backslashes double
// only before a quote.
void anadirArgumento(std::wstring& linea, const std::wstring& argumento)
{
    if (!linea.empty()) linea += L' ';
    if (!argumento.empty() && argumento.find_first_of(L" \t\"") == std::wstring::npos) {
        linea += argumento;
        return;
    }
    linea += L'"';
    std::size_t barras = 0;
    for (const wchar_t c : argumento) {
        if (c == L'\\') {
            ++barras;
            continue;
        }
        if (c == L'"') barras = barras * 2 + 1;
        linea.append(barras, L'\\');
        barras = 0;
        linea += c;
    }
    linea.append(barras * 2, L'\\');
    linea += L'"';
}

std::string mensajeDelSistema(DWORD codigo)
{
    char texto[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, codigo, 0,
                   texto, sizeof texto, nullptr);
    std::string resultado = texto;
    resultado.erase(resultado.find_last_not_of("\r\n") + 1);  // npos + 1: all of it
    return resultado.empty() ? "error " + std::to_string(codigo) : resultado;
}

Resultado noArranca(const std::string& por) { return {Fin::NoArranca, 0, Clase::Otra, por}; }

Clase clasificar(DWORD codigo)
{
    // Access violation, in-page error, array bounds exceeded, stack overflow, heap corruption.
    for (const DWORD memoria :
         {0xC0000005UL, 0xC0000006UL, 0xC000008CUL, 0xC00000FDUL, 0xC0000374UL})
        if (codigo == memoria) return Clase::Memoria;
    // Fail-fast, which the MSVC runtime's abort raises.
    return codigo == 0xC0000409UL ? Clase::Aborto : Clase::Otra;
}

}  // namespace

Resultado ejecutar(const Orden& orden)
{
    // A crashing child ends with its exception code, with no dialog waiting for a click.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

    std::string noAbre;  // the first file that could not be opened, and why; none opened after it
    const auto abrir = [&](const std::string& ruta, bool escribir) {
        if (!noAbre.empty()) return INVALID_HANDLE_VALUE;
        SECURITY_ATTRIBUTES heredable{};
        heredable.nLength = sizeof heredable;
        heredable.bInheritHandle = TRUE;
        const HANDLE h =
            CreateFileW(ancho(ruta).c_str(), escribir ? GENERIC_WRITE : GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, &heredable,
                        escribir ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) noAbre = ruta + ": " + mensajeDelSistema(GetLastError());
        return h;
    };
    const HANDLE entrada = abrir(orden.entrada.empty() ? "NUL" : orden.entrada, false);
    const HANDLE salida = abrir(orden.salida, true);
    const HANDLE errores = orden.errores == orden.salida ? salida : abrir(orden.errores, true);
    auto cerrar = [&] {
        for (const HANDLE h : {entrada, salida, errores == salida ? INVALID_HANDLE_VALUE : errores})
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    };
    if (!noAbre.empty()) {
        cerrar();
        return noArranca(noAbre);
    }

    std::wstring linea;
    for (const std::string& argumento : orden.argumentos) anadirArgumento(linea, ancho(argumento));

    STARTUPINFOW inicio{};
    inicio.cb = sizeof inicio;
    inicio.dwFlags = STARTF_USESTDHANDLES;
    inicio.hStdInput = entrada;
    inicio.hStdOutput = salida;
    inicio.hStdError = errores;
    PROCESS_INFORMATION hijo{};
    HANDLE trabajo = CreateJobObjectW(nullptr, nullptr);
    if (trabajo != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limites{};
        limites.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
        SetInformationJobObject(trabajo, JobObjectExtendedLimitInformation, &limites,
                                sizeof limites);
    }
    // The program is looked up as CreateProcess does with no application name: beside the
    // checker, in the current folder, then on PATH, with .exe added.
    if (!CreateProcessW(nullptr, &linea[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                        nullptr, &inicio, &hijo)) {
        const DWORD fallo = GetLastError();
        cerrar();
        if (trabajo != nullptr) CloseHandle(trabajo);
        return noArranca(mensajeDelSistema(fallo));
    }
    cerrar();
    if (trabajo != nullptr) AssignProcessToJobObject(trabajo, hijo.hProcess);
    ResumeThread(hijo.hThread);
    CloseHandle(hijo.hThread);

    const DWORD espera = orden.segundos > 0 ? static_cast<DWORD>(orden.segundos * 1000) : INFINITE;
    Resultado r;
    if (WaitForSingleObject(hijo.hProcess, espera) == WAIT_TIMEOUT) {
        if (trabajo != nullptr) TerminateJobObject(trabajo, 1);
        TerminateProcess(hijo.hProcess, 1);
        WaitForSingleObject(hijo.hProcess, INFINITE);
        r.fin = Fin::Plazo;
    } else {
        DWORD codigo = 0;
        GetExitCodeProcess(hijo.hProcess, &codigo);
        r.codigo = codigo;
        r.fin = codigo >= 0xC0000000UL ? Fin::Anormal : Fin::Estado;
        r.clase = clasificar(codigo);
    }
    CloseHandle(hijo.hProcess);
    if (trabajo != nullptr) CloseHandle(trabajo);  // ends whatever the child left behind
    return r;
}

std::string nombre(const Resultado& resultado)
{
    char texto[16];
    std::snprintf(texto, sizeof texto, "0x%08lX", resultado.codigo);
    return texto;
}

// Not getenv, which MSVC warns against.
std::string variable(const char* nombre)
{
    char valor[32768];
    const DWORD largo = GetEnvironmentVariableA(nombre, valor, sizeof valor);
    return largo == 0 || largo >= sizeof valor ? std::string() : std::string(valor, largo);
}

void fijarVariable(const char* nombre, const char* valor)
{
    SetEnvironmentVariableA(nombre, valor);
}

void proteger() {}

// The console's code page is the console's, not the process's: it is put back when the checker
// ends, so that what runs next in that console sees it as before.
void salidaUtf8()
{
    static const UINT anterior = GetConsoleOutputCP();
    if (anterior == 0 || anterior == CP_UTF8) return;
    SetConsoleOutputCP(CP_UTF8);
    std::atexit([] { SetConsoleOutputCP(anterior); });
}

bool enWindows() { return true; }

std::string consola() { return "platform/consola_windows.cpp"; }

}  // namespace proceso
