#include "testutil/restes_plantes.h"

#include "platform/chemins.h"

#include <QFile>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>

namespace factices {

namespace {

// A process that has ended: its number names no running one.
qint64 ProcessusTermine() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    return pid;
}

} // namespace

RestesPlantes PlanterRestes(const Machine& machine) {
    RestesPlantes restes;
    const auto planter = [&machine](QStringList& liste, const QString& chemin) {
        machine.EcrireFichier(chemin, "reste");
        liste.append(machine.Natif(chemin));
    };
    const QString programme = plateforme::DossierProgramme() + QLatin1Char('\\');
    for (const QString& chemin : {
             programme + QStringLiteral(".~synchro-tmpbd.mdb-3fa9c2d1.tmp"),
             programme + QStringLiteral(".~synchro-tmpbd.mdb-3fa9c2d1.tmp-journal"),
             QStringLiteral("C:\\WINDOWS\\.~synchro-Ab3dE9.tmp"),
             QStringLiteral("C:\\zelvano\\bd\\.~synchro-zelvano.mdb-9c1e07.tmp"),
             QStringLiteral("C:\\zelvano\\bd\\.~synchro-zelvano.mdb-9c1e07.tmp-journal"),
             QStringLiteral("C:\\zelvano\\bd\\.~durable-Xy12Ab"),
             QStringLiteral("C:\\zelvano\\bd\\.zelvano.mdb.compacte.compactage"),
             QStringLiteral("C:\\zelvano\\bd\\.zelvano.mdb.compacte.compactage-journal"),
             QStringLiteral("C:\\zelvano\\sauvegardes\\.~durable-Qw34Er"),
             QStringLiteral("C:\\zelvano\\sauvegardes\\20261201-101010\\.~zelvano.mdb"),
             QStringLiteral("C:\\zelvano\\sauvegardes\\20261201-101010\\.~zelvano.mdb-journal"),
             QStringLiteral("C:\\zelvano\\courrier\\.~synchro-k2j3h4.tmp"),
             QStringLiteral("C:\\zelvano\\data\\photos\\.~synchro-a1b2c3.tmp"),
         }) {
        planter(restes.nos, chemin);
    }
    // A copy of a read-only file is read-only until it is renamed.
    QFile(machine.Natif(QStringLiteral("C:\\zelvano\\courrier\\.~synchro-k2j3h4.tmp")))
        .setPermissions(QFileDevice::ReadOwner);
    // Links: of the program's folder, and of a drive command killed before its rename.
    const QString partage = machine.Natif(QStringLiteral("\\\\serveur\\zelvano"));
    const QString lecteurs = QFileInfo(plateforme::Machine::EntreeLecteur(QLatin1Char('P'))).path();
    const QString lien = machine.Natif(programme + QStringLiteral(".CMD.EXE.lien"));
    const QString lienLecteur = lecteurs + QStringLiteral("/.P.%1.0.tmp").arg(ProcessusTermine());
    QFile::link(QStringLiteral("/bin/true"), lien);
    QFile::link(partage, lienLecteur);
    restes.nos << lien << lienLecteur;

    // Not ours: a word processor's lock beside a letter, the link of a drive command still
    // running (this process), a temporary on the server, which is not this workstation's to
    // judge.
    planter(restes.autres, QStringLiteral("C:\\zelvano\\courrier\\.~lock.lettre.doc#"));
    planter(restes.autres, QStringLiteral("P:\\zelvano\\courrier\\.~synchro-q9w8e7.tmp"));
    const QString enCours = lecteurs + QStringLiteral("/.P.%1.0.tmp").arg(::getpid());
    QFile::link(partage, enCours);
    restes.autres << enCours;
    return restes;
}

QStringList Presents(const QStringList& chemins) {
    QStringList presents;
    for (const QString& chemin : chemins) {
        if (QFileInfo(chemin).exists() || QFileInfo(chemin).isSymLink()) {
            presents.append(chemin);
        }
    }
    return presents;
}

} // namespace factices
