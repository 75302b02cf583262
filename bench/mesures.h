#pragma once

// What the benchmark programs share: their output, their processor time, their way to give up.

#include <QString>
#include <QTextStream>

#include <sys/resource.h>

#include <cstdlib>

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

[[noreturn]] inline void Echec(const QString& message) {
    Sortie() << "ÉCHEC : " << message << Qt::endl;
    std::exit(1);
}

} // namespace mesures
