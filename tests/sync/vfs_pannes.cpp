#include "sync/vfs_pannes.h"

#include <QByteArray>
#include <QFile>

#include <sqlite3.h>

#include <array>
#include <cstring>

namespace pannes {

namespace {

struct Programme {
    qint64 n = 0; // 0: nothing programmed
    int code = SQLITE_OK;
    bool persistant = false;
    std::function<void()> action;
};

struct Etat {
    bool actif = false;
    QByteArray dossier;
    std::array<qint64, NombreAppels> appels{};
    std::array<Programme, NombreAppels> programmes{};
    int declenchees = 0;
};

struct Coupure {
    QList<QByteArray> dossiers;
    int code = SQLITE_OK;
};

Coupure& C() {
    static Coupure coupure;
    return coupure;
}

Etat& E() {
    static Etat etat;
    return etat;
}

Temoin& T() {
    static Temoin temoin;
    return temoin;
}

void Signaler(Effet effet, const char* nom, int drapeaux) {
    if (T() && nom != nullptr) {
        T()(effet, nom, drapeaux);
    }
}

sqlite3_vfs* reel = nullptr;
sqlite3_vfs vfs{};
sqlite3_io_methods methodes{};

// The file as SQLite sees it, the real layer's file right after it.
struct Fichier {
    sqlite3_file base;
    sqlite3_file* vrai;
    const char* nom; // kept by SQLite for the file's lifetime
    bool suivi;
};

sqlite3_file* Vrai(sqlite3_file* f) {
    return reinterpret_cast<Fichier*>(f)->vrai;
}

// SQLITE_OK to go through, or the code to return instead.
int Passage(sqlite3_file* f, Appel appel) {
    const char* nom = reinterpret_cast<Fichier*>(f)->nom;
    if (nom != nullptr) {
        for (const QByteArray& dossier : C().dossiers) {
            if (std::strncmp(nom, dossier.constData(), static_cast<size_t>(dossier.size())) == 0) {
                return C().code;
            }
        }
    }
    Etat& e = E();
    if (!e.actif || !reinterpret_cast<Fichier*>(f)->suivi) {
        return SQLITE_OK;
    }
    const auto k = static_cast<size_t>(appel);
    const qint64 n = ++e.appels[k];
    Programme& p = e.programmes[k];
    if (p.n == 0 || n < p.n || (n > p.n && !p.persistant)) {
        return SQLITE_OK;
    }
    ++e.declenchees;
    if (p.action) {
        const std::function<void()> action = std::move(p.action);
        p = Programme{};
        action();
        return SQLITE_OK;
    }
    return p.code;
}

int Fermer(sqlite3_file* f) {
    sqlite3_file* v = Vrai(f);
    return v->pMethods != nullptr ? v->pMethods->xClose(v) : SQLITE_OK;
}
int Lire(sqlite3_file* f, void* tampon, int n, sqlite3_int64 position) {
    const int rc = Passage(f, Appel::Lecture);
    if (rc != SQLITE_OK) {
        return rc;
    }
    return Vrai(f)->pMethods->xRead(Vrai(f), tampon, n, position);
}
int Ecrire(sqlite3_file* f, const void* tampon, int n, sqlite3_int64 position) {
    const int rc = Passage(f, Appel::Ecriture);
    if (rc != SQLITE_OK) {
        return rc;
    }
    return Vrai(f)->pMethods->xWrite(Vrai(f), tampon, n, position);
}
int Tronquer(sqlite3_file* f, sqlite3_int64 taille) {
    return Vrai(f)->pMethods->xTruncate(Vrai(f), taille);
}
int Synchroniser(sqlite3_file* f, int drapeaux) {
    int rc = Passage(f, Appel::Synchro);
    if (rc != SQLITE_OK) {
        return rc;
    }
    rc = Vrai(f)->pMethods->xSync(Vrai(f), drapeaux);
    if (rc == SQLITE_OK) {
        Signaler(Effet::Synchro, reinterpret_cast<Fichier*>(f)->nom, drapeaux);
    }
    return rc;
}
int Taille(sqlite3_file* f, sqlite3_int64* taille) {
    return Vrai(f)->pMethods->xFileSize(Vrai(f), taille);
}
int Verrouiller(sqlite3_file* f, int niveau) {
    const int rc = Passage(f, Appel::Verrou);
    if (rc != SQLITE_OK) {
        return rc;
    }
    return Vrai(f)->pMethods->xLock(Vrai(f), niveau);
}
int Deverrouiller(sqlite3_file* f, int niveau) {
    return Vrai(f)->pMethods->xUnlock(Vrai(f), niveau);
}
int VerrouReserve(sqlite3_file* f, int* reserve) {
    return Vrai(f)->pMethods->xCheckReservedLock(Vrai(f), reserve);
}
int Controle(sqlite3_file* f, int op, void* arg) {
    return Vrai(f)->pMethods->xFileControl(Vrai(f), op, arg);
}
int Secteur(sqlite3_file* f) {
    return Vrai(f)->pMethods->xSectorSize(Vrai(f));
}
int Caracteristiques(sqlite3_file* f) {
    return Vrai(f)->pMethods->xDeviceCharacteristics(Vrai(f));
}
int ShmMap(sqlite3_file* f, int page, int taille, int etendre, void volatile** p) {
    return Vrai(f)->pMethods->xShmMap(Vrai(f), page, taille, etendre, p);
}
int ShmLock(sqlite3_file* f, int debut, int n, int drapeaux) {
    return Vrai(f)->pMethods->xShmLock(Vrai(f), debut, n, drapeaux);
}
void ShmBarrier(sqlite3_file* f) {
    Vrai(f)->pMethods->xShmBarrier(Vrai(f));
}
int ShmUnmap(sqlite3_file* f, int supprimer) {
    return Vrai(f)->pMethods->xShmUnmap(Vrai(f), supprimer);
}
// No memory-mapped pages: every read goes through xRead, where it is counted.
int Fetch(sqlite3_file*, sqlite3_int64, int, void** p) {
    *p = nullptr;
    return SQLITE_OK;
}
int Unfetch(sqlite3_file*, sqlite3_int64, void*) {
    return SQLITE_OK;
}

int Ouvrir(sqlite3_vfs*, const char* nom, sqlite3_file* f, int drapeaux, int* sortie) {
    auto* fichier = reinterpret_cast<Fichier*>(f);
    fichier->vrai = reinterpret_cast<sqlite3_file*>(fichier + 1);
    fichier->vrai->pMethods = nullptr;
    int existe = 0;
    if (nom != nullptr && T()) {
        reel->xAccess(reel, nom, SQLITE_ACCESS_EXISTS, &existe);
    }
    const int rc = reel->xOpen(reel, nom, fichier->vrai, drapeaux, sortie);
    if (rc == SQLITE_OK) {
        Signaler(existe != 0 ? Effet::Ouverture : Effet::Creation, nom, drapeaux);
    }
    fichier->nom = nom;
    const Etat& e = E();
    fichier->suivi =
        nom != nullptr && !e.dossier.isEmpty() &&
        std::strncmp(nom, e.dossier.constData(), static_cast<size_t>(e.dossier.size())) == 0;
    if (fichier->vrai->pMethods != nullptr) {
        if (methodes.iVersion == 0) {
            methodes.iVersion = std::min(fichier->vrai->pMethods->iVersion, 3);
        }
        f->pMethods = &methodes;
    } else {
        f->pMethods = nullptr;
    }
    return rc;
}

int Supprimer(sqlite3_vfs*, const char* nom, int sync) {
    const int rc = reel->xDelete(reel, nom, sync);
    if (rc == SQLITE_OK) {
        Signaler(Effet::Suppression, nom, sync);
    }
    return rc;
}
int Acceder(sqlite3_vfs*, const char* nom, int drapeaux, int* resultat) {
    return reel->xAccess(reel, nom, drapeaux, resultat);
}
int CheminComplet(sqlite3_vfs*, const char* nom, int n, char* sortie) {
    return reel->xFullPathname(reel, nom, n, sortie);
}
void* DlOpen(sqlite3_vfs*, const char* nom) {
    return reel->xDlOpen(reel, nom);
}
void DlError(sqlite3_vfs*, int n, char* message) {
    reel->xDlError(reel, n, message);
}
void (*DlSym(sqlite3_vfs*, void* p, const char* symbole))(void) {
    return reel->xDlSym(reel, p, symbole);
}
void DlClose(sqlite3_vfs*, void* p) {
    reel->xDlClose(reel, p);
}
int Hasard(sqlite3_vfs*, int n, char* sortie) {
    return reel->xRandomness(reel, n, sortie);
}
int Dormir(sqlite3_vfs*, int microsecondes) {
    return reel->xSleep(reel, microsecondes);
}
int Heure(sqlite3_vfs*, double* t) {
    return reel->xCurrentTime(reel, t);
}
int DerniereErreur(sqlite3_vfs*, int n, char* message) {
    return reel->xGetLastError != nullptr ? reel->xGetLastError(reel, n, message) : 0;
}
int Heure64(sqlite3_vfs*, sqlite3_int64* t) {
    return reel->xCurrentTimeInt64(reel, t);
}

} // namespace

const char* Nom(Appel appel) {
    switch (appel) {
    case Appel::Lecture:
        return "lecture";
    case Appel::Ecriture:
        return "écriture";
    case Appel::Synchro:
        return "synchro";
    case Appel::Verrou:
        return "verrou";
    }
    return "?";
}

void InstallerVfs() {
    if (reel != nullptr) {
        return;
    }
    sqlite3_initialize();
    reel = sqlite3_vfs_find(nullptr);
    methodes = sqlite3_io_methods{
        0,           Fermer,        Lire,          Ecrire,   Tronquer, Synchroniser,     Taille,
        Verrouiller, Deverrouiller, VerrouReserve, Controle, Secteur,  Caracteristiques, ShmMap,
        ShmLock,     ShmBarrier,    ShmUnmap,      Fetch,    Unfetch};
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(sizeof(Fichier)) + reel->szOsFile;
    vfs.mxPathname = reel->mxPathname;
    vfs.zName = "pannes";
    vfs.xOpen = Ouvrir;
    vfs.xDelete = Supprimer;
    vfs.xAccess = Acceder;
    vfs.xFullPathname = CheminComplet;
    vfs.xDlOpen = DlOpen;
    vfs.xDlError = DlError;
    vfs.xDlSym = DlSym;
    vfs.xDlClose = DlClose;
    vfs.xRandomness = Hasard;
    vfs.xSleep = Dormir;
    vfs.xCurrentTime = Heure;
    vfs.xGetLastError = DerniereErreur;
    vfs.xCurrentTimeInt64 = Heure64;
    sqlite3_vfs_register(&vfs, 1);
}

void Commencer(const QString& dossierNatif) {
    Etat& e = E();
    e = Etat{};
    e.dossier = QFile::encodeName(dossierNatif);
    e.actif = true;
}

void Programmer(Appel appel, qint64 n, int code) {
    E().programmes[static_cast<size_t>(appel)] = Programme{n, code, false, {}};
}

void ProgrammerPersistant(Appel appel, qint64 n, int code) {
    E().programmes[static_cast<size_t>(appel)] = Programme{n, code, true, {}};
}

void ProgrammerAction(Appel appel, qint64 n, std::function<void()> action) {
    E().programmes[static_cast<size_t>(appel)] = Programme{n, SQLITE_OK, false, std::move(action)};
}

void Arreter() {
    Etat& e = E();
    e.actif = false;
    e.programmes = {};
}

void Couper(const QStringList& dossiersNatifs, int code) {
    Coupure& c = C();
    c.dossiers.clear();
    for (const QString& d : dossiersNatifs) {
        c.dossiers.append(QFile::encodeName(d));
    }
    c.code = code;
}

void Retablir() {
    C() = Coupure{};
}

void Observer(Temoin temoin) {
    T() = std::move(temoin);
}

qint64 Appels(Appel appel) {
    return E().appels[static_cast<size_t>(appel)];
}

int Declenchees() {
    return E().declenchees;
}

} // namespace pannes
