// Running the check's child programs on POSIX (Linux, macOS). Each child leads a session of its
// own, with no terminal to write to, so that a time limit, or Ctrl+C at the checker, ends it and
// anything it started; on Linux the checker also takes back and ends whatever left that group.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "comprobador/proceso.h"

namespace proceso {
namespace {

// What a child may write to one file: far more than any exercise writes, far less than a disk.
constexpr rlim_t kTopeArchivo = rlim_t{16} * 1024 * 1024;

// The group to end if the checker itself is interrupted; a handler can only reach a global.
volatile std::sig_atomic_t grupoEnMarcha = 0;

extern "C" void alInterrumpir(int senal)
{
    if (grupoEnMarcha > 0) kill(-static_cast<pid_t>(grupoEnMarcha), SIGKILL);
    std::signal(senal, SIG_DFL);
    std::raise(senal);
}

Clase clasificar(int senal)
{
    if (senal == SIGSEGV || senal == SIGBUS) return Clase::Memoria;
    if (senal == SIGABRT) return Clase::Aborto;
    if (senal == SIGXFSZ) return Clase::Escritura;
    return Clase::Otra;
}

Resultado noArranca(const std::string& por) { return {Fin::NoArranca, 0, Clase::Otra, por}; }

// Every descriptor but the three standard ones closed at exec: a child must not inherit the
// checker's terminal, or anything else, under another number.
void cerrarAlEjecutar()
{
    if (DIR* abiertos = opendir("/dev/fd")) {
        const int propio = dirfd(abiertos);
        while (const dirent* entrada = readdir(abiertos)) {
            const int fd = std::atoi(entrada->d_name);
            if (fd > 2 && fd != propio) fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        closedir(abiertos);
        return;
    }
    for (int fd = 3; fd < 256; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Ends whatever the child started and left behind, even in a session of its own: on Linux the
// checker is their subreaper, so each orphan becomes its child, to be killed and reaped until none
// is left (for two seconds at most, should /proc be missing).
void acabarDescendientes()
{
#ifdef __linux__
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    const std::string propio = std::to_string(getpid());
    for (;;) {
        if (DIR* procesos = opendir("/proc")) {
            while (const dirent* entrada = readdir(procesos)) {
                const pid_t pid = std::atoi(entrada->d_name);
                std::ifstream estado("/proc/" + std::to_string(pid) + "/stat");
                std::string linea;
                if (pid <= 0 || !std::getline(estado, linea)) continue;
                // After the name, which may hold anything but ends at the last ')': state, parent.
                const std::size_t cierre = linea.rfind(") ");
                const std::size_t padre = cierre == std::string::npos ? cierre : cierre + 4;
                if (padre < linea.size() &&
                    linea.compare(padre, propio.size() + 1, propio + " ") == 0)
                    kill(pid, SIGKILL);
            }
            closedir(procesos);
        }
        pid_t hecho = 0;
        while ((hecho = waitpid(-1, nullptr, WNOHANG)) > 0) {
        }
        if (hecho < 0 || std::chrono::steady_clock::now() >= limite) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
#endif
}

}  // namespace

void proteger()
{
#ifdef __linux__
    // Not readable or traceable through /proc by a process of the same user: what it compares
    // with stays its own.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

Resultado ejecutar(const Orden& orden)
{
    std::string noAbre;  // the first file that could not be opened, and why; none opened after it
    const auto abrir = [&](const std::string& ruta, int modo) {
        if (!noAbre.empty()) return -1;
        int fd = -1;
        do {
            fd = open(ruta.c_str(), modo | O_CLOEXEC, 0644);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) noAbre = ruta + ": " + std::strerror(errno);
        return fd;
    };
    const int entrada = abrir(orden.entrada.empty() ? "/dev/null" : orden.entrada, O_RDONLY);
    const int salida = abrir(orden.salida, O_WRONLY | O_CREAT | O_TRUNC);
    const int errores =
        orden.errores == orden.salida ? salida : abrir(orden.errores, O_WRONLY | O_CREAT | O_TRUNC);
    auto cerrar = [&] {
        for (const int fd : {entrada, salida, errores == salida ? -1 : errores})
            if (fd >= 0) close(fd);
    };

    // The child tells exec's failure through this pipe; a successful exec closes it.
    int aviso[2];
    if (noAbre.empty() && pipe(aviso) != 0) noAbre = std::strerror(errno);
    if (!noAbre.empty()) {
        cerrar();
        return noArranca(noAbre);
    }
    fcntl(aviso[0], F_SETFD, FD_CLOEXEC);
    fcntl(aviso[1], F_SETFD, FD_CLOEXEC);

    // execvp takes non-const strings: copies of the arguments, which it never changes.
    std::vector<std::string> copias = orden.argumentos;
    std::vector<char*> argv(copias.size() + 1, nullptr);
    std::transform(copias.begin(), copias.end(), argv.begin(),
                   [](std::string& argumento) { return argumento.data(); });

    struct sigaction interrupcion {};
    interrupcion.sa_handler = alInterrumpir;
    sigemptyset(&interrupcion.sa_mask);
    struct sigaction antes[3]{};
    const int senales[3] = {SIGINT, SIGTERM, SIGHUP};

    cerrarAlEjecutar();
#ifdef __linux__
    prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
#endif
    const pid_t hijo = fork();
    if (hijo < 0) {
        const std::string motivo = std::strerror(errno);  // before close() may change errno
        close(aviso[0]);
        close(aviso[1]);
        cerrar();
        return noArranca(motivo);
    }
    if (hijo == 0) {
        // Only async-signal-safe calls from here to exec.
        setsid();
        const struct rlimit tope = {kTopeArchivo, kTopeArchivo};
        setrlimit(RLIMIT_FSIZE, &tope);
        dup2(entrada, 0);
        dup2(salida, 1);
        dup2(errores, 2);
        signal(SIGPIPE, SIG_DFL);
        execvp(argv[0], argv.data());
        const int fallo = errno;
        ssize_t escrito = write(aviso[1], &fallo, sizeof fallo);
        static_cast<void>(escrito);
        _exit(127);
    }
    grupoEnMarcha = hijo;
    for (int i = 0; i < 3; ++i) sigaction(senales[i], &interrupcion, &antes[i]);
    close(aviso[1]);
    cerrar();

    int fallo = 0;
    ssize_t leido = 0;
    do {
        leido = read(aviso[0], &fallo, sizeof fallo);
    } while (leido < 0 && errno == EINTR);
    close(aviso[0]);

    int estado = 0;
    bool plazoPasado = false;
    const auto limite =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(orden.segundos);
    for (;;) {
        const bool hastaQueAcabe = orden.segundos <= 0 || plazoPasado;
        const pid_t hecho = waitpid(hijo, &estado, hastaQueAcabe ? 0 : WNOHANG);
        if (hecho == hijo || (hecho < 0 && errno != EINTR)) break;
        if (hecho == 0 && std::chrono::steady_clock::now() >= limite) {
            plazoPasado = true;
            kill(-hijo, SIGKILL);
        } else if (hecho == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // Anything the child left running goes with it.
    kill(-hijo, SIGKILL);
    acabarDescendientes();
    for (int i = 0; i < 3; ++i) sigaction(senales[i], &antes[i], nullptr);
    grupoEnMarcha = 0;

    if (leido == static_cast<ssize_t>(sizeof fallo)) return noArranca(std::strerror(fallo));
    if (plazoPasado) return {Fin::Plazo, 0, Clase::Otra, ""};
    if (WIFSIGNALED(estado))
        return {Fin::Anormal, static_cast<unsigned long>(WTERMSIG(estado)),
                clasificar(WTERMSIG(estado)), ""};
    return {Fin::Estado, static_cast<unsigned long>(WEXITSTATUS(estado)), Clase::Otra, ""};
}

std::string nombre(const Resultado& resultado)
{
    const std::pair<int, const char*> nombres[] = {
        {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},   {SIGABRT, "SIGABRT"},
        {SIGFPE, "SIGFPE"},   {SIGILL, "SIGILL"},   {SIGKILL, "SIGKILL"},
        {SIGTERM, "SIGTERM"}, {SIGPIPE, "SIGPIPE"}, {SIGXFSZ, "SIGXFSZ"}};
    std::string r = "señal " + std::to_string(resultado.codigo);
    for (const auto& [senal, texto] : nombres)
        if (static_cast<unsigned long>(senal) == resultado.codigo) r += std::string(", ") + texto;
    return r;
}

std::string variable(const char* nombre)
{
    const char* valor = std::getenv(nombre);
    return valor == nullptr ? std::string() : std::string(valor);
}

void fijarVariable(const char* nombre, const char* valor) { setenv(nombre, valor, 1); }

void salidaUtf8() {}

bool enWindows() { return false; }

std::string consola() { return "platform/consola_posix.cpp"; }

}  // namespace proceso
