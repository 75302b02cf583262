#pragma once

#include "testutil/factices.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace factices {

// A workstation of the fake environment as the tests handle it: its files reached by their
// Windows path, the journal's messages.
class Poste {
public:
    Environnement env;

    QString Natif(const QString& cheminWindows) const { return env.machine.Natif(cheminWindows); }
    // Writes a file, parents created; `ecriture` (local time) becomes its last-write time when
    // given.
    void Ecrire(const QString& cheminWindows, const QByteArray& contenu,
                const QDateTime& ecriture = {}) const;
    void DefinirEcriture(const QString& cheminWindows, const QDateTime& ecriture) const;
    // Empty when the file cannot be read.
    QByteArray Contenu(const QString& cheminWindows) const {
        return env.machine.LireFichier(cheminWindows);
    }
    // Anything at the path: a file, a folder, a link.
    bool Existe(const QString& cheminWindows) const;
    bool EstFichier(const QString& cheminWindows) const;
    // The journal messages (without date and time).
    QStringList Messages() const { return env.fenetre.Messages(); }

    // Drive P a link to the share \\serveur\zelvano, as net use leaves it, the share's folder
    // made; false when the link cannot be made.
    bool RelierLecteurP() const;
};

} // namespace factices
