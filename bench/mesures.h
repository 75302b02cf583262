#pragma once

// What the benchmark programs share: their output, their processor time, their way to give up.

#include <QCommandLineOption>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace mesures {

inline QTextStream& Sortie() {
    static QTextStream s(stdout);
    return s;
}

// Processor seconds (user and system) so far, of this process and, with `enfants`, of the child
// processes it waited for: the machine may be shared, and a busy neighbour stretches the elapsed
// times of both sides of a comparison unevenly.
inline double SecondesProcesseur(bool enfants = false) {
    const auto secondes = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    const auto total = [&](int qui) {
        rusage r{};
        getrusage(qui, &r);
        return secondes(r.ru_utime) + secondes(r.ru_stime);
    };
    return total(RUSAGE_SELF) + (enfants ? total(RUSAGE_CHILDREN) : 0.0);
}

struct Mesure {
    double ecoule = 0;
    double processeur = 0;
};

// Elapsed and processor seconds of `travail`; with `enfants`, the processor time of the child
// processes it waited for too.
inline Mesure Mesurer(const std::function<void()>& travail, bool enfants = false) {
    const double processeur = SecondesProcesseur(enfants);
    QElapsedTimer chrono;
    chrono.start();
    travail();
    return {static_cast<double>(chrono.nsecsElapsed()) / 1e9,
            SecondesProcesseur(enfants) - processeur};
}

// A numeric option of the command line, its default shown in its description.
inline QCommandLineOption OptionNombre(const char* nom, const char* description, int defaut) {
    return {QLatin1String(nom),
            QStringLiteral("%1 (%2).").arg(QString::fromUtf8(description)).arg(defaut),
            QStringLiteral("n"), QString::number(defaut)};
}

// What the programs a run starts write on their console (CMD.EXE, XCOPY, ROBOCOPY) goes to
// `fichier`, from here on, with this program's own warnings; the figures stay on the terminal.
// When the file cannot be made, everything stays on the terminal.
inline void EcarterSortiesProgrammes(const QString& fichier) {
    Sortie().flush();
    std::fflush(stdout);
    std::fflush(stderr);
    const int journal = ::open(QFile::encodeName(fichier).constData(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (journal < 0) {
        return;
    }
    const int terminal = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (terminal < 0 || ::dup2(journal, STDOUT_FILENO) < 0 || ::dup2(journal, STDERR_FILENO) < 0) {
        ::close(journal);
        return;
    }
    ::close(journal);
    static QFile sortie;
    if (!sortie.open(terminal, QIODevice::WriteOnly | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle)) {
        ::dup2(terminal, STDOUT_FILENO);
        ::dup2(terminal, STDERR_FILENO);
        ::close(terminal);
        return;
    }
    Sortie().setDevice(&sortie);
    Sortie() << "Sorties des programmes lancés : " << fichier << Qt::endl;
}

[[noreturn]] inline void Echec(const QString& message) {
    Sortie() << "ÉCHEC : " << message << Qt::endl;
    std::exit(1);
}

} // namespace mesures
