#pragma once

#include "platform/fichiers_durables.h"
#include "sync/vfs_pannes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

#include <sys/types.h>

// What a power cut leaves of the files below some folders, as SQLite's own crash tests see a
// disk: the data of a file as of its last flush, and in each folder the names (files created,
// renamed, removed) as of that folder's last flush. The files SQLite opens are followed through
// the layer of vfs_pannes.h, with what its unix layer adds (a journal it may create flushes its
// folder at its first flush; a removal flushes the folder when SQLite asks for it), and the
// platform's durable files through the steps they report. What anything else writes there is
// taken as found, as if it had reached the disk at once.
namespace coupure {

class Disque final : private plateforme::TemoinDisque {
public:
    // Follows the files below the native folders of `racines` (name, folder), what they hold
    // now taken as on the disk. One at a time.
    explicit Disque(const QList<std::pair<QString, QString>>& racines);
    ~Disque() override;
    Disque(const Disque&) = delete;
    Disque& operator=(const Disque&) = delete;

    // Stops following (the images stay possible, as of now).
    void Arreter();

    // Puts into `destination`/<name> each root as a power cut now would leave it; returns a
    // fingerprint of that state (two equal states, one fingerprint).
    QByteArray Image(const QString& destination) const;
    // Puts an image back in place of the roots.
    void Restaurer(const QString& image) const;

    // Called after each step followed, with a description of it ("synchro serveur/bd/zelvano.mdb").
    std::function<void(const QString& etape)> apres;

private:
    struct Fichier {
        dev_t peripherique = 0;
        ino_t inode = 0;
        QByteArray donnees; // as of its last flush
    };

    void Sqlite(pannes::Effet effet, const char* nom, int drapeaux);
    // The platform's durable files.
    void Etape(plateforme::EtapeDisque etape, const QString& natif, const QString& cible) override;

    QString Suivi(const QString& natif) const;  // canonical, empty when below no root
    QString Court(const QString& chemin) const; // "serveur/bd/zelvano.mdb"
    QString DansImage(const QString& chemin, const QString& image) const;
    bool Actuel(const QString& chemin, int numero) const;
    int Voir(const QString& chemin);
    void Creer(const QString& chemin);
    void Durcir(const QString& chemin);
    void Supprimer(const QString& chemin);
    void Renommer(const QString& source, const QString& cible);
    void DossierSurDisque(const QString& dossier);
    void Signaler(const QString& etape) const;

    QList<std::pair<QString, QString>> racines_; // name, canonical folder
    QList<Fichier> fichiers_;
    QHash<QString, int> noms_; // the names followed, as they are now
    // Names changed since their folder's last flush: what the folder holds under each on the
    // disk (nothing when empty).
    QHash<QString, std::optional<int>> durables_;
    // Journals SQLite's unix layer opened with the right to create them: their first flush
    // flushes their folder too.
    QSet<QString> journauxOuverts_;
    std::optional<plateforme::RemplacementTemoinDisque> temoin_; // empty once stopped
};

} // namespace coupure
