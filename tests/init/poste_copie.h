#pragma once

#include "platform/services.h"
#include "testutil/factices.h"
#include "testutil/journal_attendu.h"
#include "testutil/poste.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

// A workstation for the copy tests: the server share \\serveur\zelvano reached as drive P:, a
// local disk C:, the fake clock and window of factices::Environnement.
namespace essais {

inline const QStringList& BlocEchec = attendu::BlocEchecInit;

// The folder pair most copy tests use, and a file of each.
inline const QString Source = QStringLiteral("P:\\zelvano\\courrier");
inline const QString Destination = QStringLiteral("C:\\zelvano\\courrier");
inline QString S(const QString& nom) {
    return Source + QLatin1Char('\\') + nom;
}
inline QString D(const QString& nom) {
    return Destination + QLatin1Char('\\') + nom;
}

class Poste : public factices::Poste {
public:
    Poste();

    // Last-write time in milliseconds since the epoch, -1 when missing.
    qint64 Ecriture(const QString& cheminWindows) const;
    // Puts a built program (xcopy.exe, robocopy.exe...) into the program's folder.
    void InstallerProgramme(const QString& nom) const;
};

using factices::EcranLent;

// Records the command lines instead of starting them.
class ProcessusFactice final : public plateforme::Processus {
public:
    qint64 Demarrer(const QString& ligneCommande, int styleFenetre) override {
        lignes.append(ligneCommande);
        styles.append(styleFenetre);
        return pid;
    }
    bool Existe(qint64) override { return false; }

    qint64 pid = 4242; // 0: nothing can be started
    QStringList lignes;
    QList<int> styles;
};

using SystemeFactice = factices::Systeme;

// Relative paths of the plain files under a native folder, sorted.
QStringList Arborescence(const QString& natif);

// First column of the first row of `sql` on the base `natif` (read-only, outside the module),
// or SQLite's error text.
QString Requete(const QString& natif, const char* sql);

} // namespace essais
