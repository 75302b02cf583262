#include "sync/coupure_courant.h"

#include "sync/test_synchronisation_poste.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace coupure {

namespace {

QString Dossier(const QString& chemin) {
    return chemin.left(chemin.lastIndexOf(QLatin1Char('/')));
}

QByteArray Contenu(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The image's copy of a file gets the data as flushed; its last-write time stays the one the
// copy kept.
void Remplacer(const QString& chemin, const QByteArray& donnees) {
    const QFileInfo avant(chemin);
    const QDateTime moment = avant.exists() ? avant.lastModified() : QDateTime();
    QDir().mkpath(avant.absolutePath());
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << chemin.toStdString();
    ASSERT_EQ(f.write(donnees), donnees.size()) << chemin.toStdString();
    if (moment.isValid()) {
        f.setFileTime(moment, QFileDevice::FileModificationTime);
    }
}

constexpr int JournalAFlusher =
    SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL;

} // namespace

Disque::Disque(const QList<std::pair<QString, QString>>& racines) {
    for (const auto& [nom, racine] : racines) {
        racines_.append({nom, QFileInfo(racine).canonicalFilePath()});
        QDirIterator it(racine, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            Voir(Suivi(it.next()));
        }
    }
    pannes::Observer([this](pannes::Effet effet, const char* nom, int drapeaux) {
        Sqlite(effet, nom, drapeaux);
    });
    temoin_.emplace(static_cast<plateforme::TemoinDisque&>(*this));
}

Disque::~Disque() {
    Arreter();
}

void Disque::Arreter() {
    if (!temoin_) {
        return;
    }
    pannes::Observer({});
    temoin_.reset();
}

void Disque::Sqlite(pannes::Effet effet, const char* nom, int drapeaux) {
    const QString chemin = Suivi(QFile::decodeName(nom));
    if (chemin.isEmpty()) {
        return;
    }
    QString etape;
    switch (effet) {
    case pannes::Effet::Creation:
    case pannes::Effet::Ouverture:
        if (effet == pannes::Effet::Creation) {
            Creer(chemin);
        } else {
            Voir(chemin);
        }
        if ((drapeaux & SQLITE_OPEN_CREATE) != 0 && (drapeaux & JournalAFlusher) != 0) {
            journauxOuverts_.insert(chemin);
        }
        etape = QStringLiteral("ouverture ");
        break;
    case pannes::Effet::Synchro:
        Durcir(chemin);
        if (journauxOuverts_.remove(chemin)) {
            DossierSurDisque(Dossier(chemin));
        }
        etape = QStringLiteral("synchro ");
        break;
    case pannes::Effet::Suppression:
        Supprimer(chemin);
        if (drapeaux != 0) {
            DossierSurDisque(Dossier(chemin));
        }
        etape = drapeaux != 0 ? QStringLiteral("suppression et synchro du dossier ")
                              : QStringLiteral("suppression ");
        break;
    }
    Signaler(etape + Court(chemin));
}

void Disque::Etape(plateforme::EtapeDisque etape, const QString& natif, const QString& cible) {
    if (etape == plateforme::EtapeDisque::DossierSurDisque) {
        // A root itself is no name below a root: its folder is taken as it is.
        const QString dossier = QFileInfo(natif).canonicalFilePath();
        const QString court = Court(dossier + QLatin1Char('/'));
        if (!court.isEmpty()) {
            DossierSurDisque(dossier);
            Signaler(QStringLiteral("synchro du dossier ") + court);
        }
        return;
    }
    const QString chemin = Suivi(natif);
    if (chemin.isEmpty()) {
        return;
    }
    switch (etape) {
    case plateforme::EtapeDisque::Creation:
        Creer(chemin);
        Signaler(QStringLiteral("création ") + Court(chemin));
        break;
    case plateforme::EtapeDisque::DonneesSurDisque:
        Durcir(chemin);
        Signaler(QStringLiteral("synchro ") + Court(chemin));
        break;
    case plateforme::EtapeDisque::Renommage:
        Renommer(chemin, Suivi(cible));
        Signaler(QStringLiteral("renommage ") + Court(chemin) + QStringLiteral(" en ") +
                 Court(Suivi(cible)));
        break;
    case plateforme::EtapeDisque::Suppression:
        Supprimer(chemin);
        Signaler(QStringLiteral("suppression ") + Court(chemin));
        break;
    case plateforme::EtapeDisque::DossierSurDisque:
        break;
    }
}

QString Disque::Suivi(const QString& natif) const {
    const QFileInfo info(natif);
    const QString dossier = QFileInfo(info.absolutePath()).canonicalFilePath();
    const QString chemin = dossier + QLatin1Char('/') + info.fileName();
    return DansImage(chemin, {}).isEmpty() ? QString() : chemin;
}

QString Disque::DansImage(const QString& chemin, const QString& image) const {
    for (const auto& [nom, racine] : racines_) {
        if (chemin.startsWith(racine + QLatin1Char('/'))) {
            return image + (image.isEmpty() ? QString() : QStringLiteral("/")) + nom +
                   chemin.mid(racine.size());
        }
    }
    return {};
}

QString Disque::Court(const QString& chemin) const {
    return DansImage(chemin, {});
}

bool Disque::Actuel(const QString& chemin, int numero) const {
    struct stat st {};
    return ::stat(QFile::encodeName(chemin).constData(), &st) == 0 &&
           st.st_dev == fichiers_[numero].peripherique && st.st_ino == fichiers_[numero].inode;
}

// A file seen for the first time, or put under its name by another hand, is taken as it is:
// on the disk, its name too.
int Disque::Voir(const QString& chemin) {
    const auto it = noms_.constFind(chemin);
    if (it != noms_.cend() && Actuel(chemin, *it)) {
        return *it;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(chemin).constData(), &st) != 0) {
        return -1;
    }
    fichiers_.append({st.st_dev, st.st_ino, Contenu(chemin)});
    noms_.insert(chemin, static_cast<int>(fichiers_.size() - 1));
    durables_.remove(chemin);
    return static_cast<int>(fichiers_.size() - 1);
}

// A new file: nothing on the disk yet, its name neither until its folder is flushed. A file
// opened again or emptied keeps what its last flush put on the disk.
void Disque::Creer(const QString& chemin) {
    const auto it = noms_.constFind(chemin);
    if (it != noms_.cend() && Actuel(chemin, *it)) {
        return;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(chemin).constData(), &st) != 0) {
        return;
    }
    if (!durables_.contains(chemin)) {
        durables_.insert(chemin, std::nullopt);
    }
    fichiers_.append({st.st_dev, st.st_ino, {}});
    noms_.insert(chemin, static_cast<int>(fichiers_.size() - 1));
}

void Disque::Durcir(const QString& chemin) {
    const int numero = Voir(chemin);
    if (numero >= 0) {
        fichiers_[numero].donnees = Contenu(chemin);
    }
}

void Disque::Supprimer(const QString& chemin) {
    const auto it = noms_.constFind(chemin);
    if (it == noms_.cend()) {
        return;
    }
    if (!durables_.contains(chemin)) {
        durables_.insert(chemin, *it);
    }
    noms_.erase(it);
}

void Disque::Renommer(const QString& source, const QString& cible) {
    const auto it = noms_.constFind(source);
    if (it == noms_.cend() || cible.isEmpty()) {
        if (!cible.isEmpty()) {
            Voir(cible);
        }
        return;
    }
    const int numero = *it;
    if (!durables_.contains(source)) {
        durables_.insert(source, numero);
    }
    noms_.erase(it);
    if (!durables_.contains(cible)) {
        const auto remplace = noms_.constFind(cible);
        durables_.insert(cible,
                         remplace != noms_.cend() ? std::optional<int>(*remplace) : std::nullopt);
    }
    noms_.insert(cible, numero);
}

void Disque::DossierSurDisque(const QString& dossier) {
    for (auto it = durables_.begin(); it != durables_.end();) {
        it = Dossier(it.key()) == dossier ? durables_.erase(it) : std::next(it);
    }
}

void Disque::Signaler(const QString& etape) const {
    if (apres) {
        apres(etape);
    }
}

QByteArray Disque::Image(const QString& destination) const {
    QDir(destination).removeRecursively();
    for (const auto& [nom, racine] : racines_) {
        poste::CopierArbre(racine, destination + QLatin1Char('/') + nom);
    }
    // The data as last flushed, for the files still where the run left them.
    for (auto it = noms_.cbegin(); it != noms_.cend(); ++it) {
        if (Actuel(it.key(), *it)) {
            Remplacer(DansImage(it.key(), destination), fichiers_[*it].donnees);
        }
    }
    // The names as of their folder's last flush, unless another hand changed them since.
    for (auto it = durables_.cbegin(); it != durables_.cend(); ++it) {
        const auto nom = noms_.constFind(it.key());
        const bool suivi =
            nom != noms_.cend() ? Actuel(it.key(), *nom) : !QFileInfo::exists(it.key());
        if (!suivi) {
            continue;
        }
        if (it->has_value()) {
            Remplacer(DansImage(it.key(), destination), fichiers_[**it].donnees);
        } else {
            QFile::remove(DansImage(it.key(), destination));
        }
    }
    QCryptographicHash empreinte(QCryptographicHash::Sha256);
    QStringList fichiers;
    QDirIterator it(destination, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        fichiers.append(it.next());
    }
    fichiers.sort();
    for (const QString& f : fichiers) {
        empreinte.addData(f.mid(destination.size()).toUtf8());
        empreinte.addData(QCryptographicHash::hash(Contenu(f), QCryptographicHash::Sha256));
    }
    return empreinte.result();
}

void Disque::Restaurer(const QString& image) const {
    for (const auto& [nom, racine] : racines_) {
        poste::CopierArbre(image + QLatin1Char('/') + nom, racine);
    }
}

} // namespace coupure
