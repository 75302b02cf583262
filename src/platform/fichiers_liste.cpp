#include "platform/fichiers_liste.h"

#include "platform/fichiers_internes.h"

#include "platform/chemins.h"

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace plateforme {

namespace interne {

void SeparerMotif(const QString& motif, QString& dossier, QString& nom) {
    qsizetype pos =
        std::max(motif.lastIndexOf(QLatin1Char('\\')), motif.lastIndexOf(QLatin1Char('/')));
    if (pos < 0 && motif.size() >= 2 && motif[1] == QLatin1Char(':')) {
        pos = 1; // "C:*.txt"
        dossier = motif.left(2);
        nom = motif.mid(2);
        return;
    }
    if (pos < 0) {
        dossier = QString();
        nom = motif;
        return;
    }
    dossier = motif.left(pos);
    if (dossier.isEmpty() || (dossier.size() == 2 && dossier[1] == QLatin1Char(':'))) {
        dossier = motif.left(pos + 1); // root of a drive or of the native tree
    }
    nom = motif.mid(pos + 1);
}

} // namespace interne

using namespace interne;

namespace {

bool CaracteresEgaux(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Windows name matching (FindFirstFile): "*" any run of characters, but a "*" followed by "."
// does not swallow the last dot of the name; "?" one character, or none at a dot or at the end;
// "." a dot, or the end of the name (so "*.*" and "abc.*" also match "abc").
bool Correspond(const QString& motif, qsizetype m, const QString& nom, qsizetype n) {
    while (m < motif.size()) {
        const QChar c = motif[m];
        if (c == QLatin1Char('*')) {
            while (m < motif.size() && motif[m] == QLatin1Char('*')) {
                ++m;
            }
            if (m == motif.size()) {
                return true;
            }
            qsizetype limite = nom.size();
            if (motif[m] == QLatin1Char('.')) {
                const qsizetype dernierPoint = nom.lastIndexOf(QLatin1Char('.'));
                if (dernierPoint >= n) {
                    limite = dernierPoint;
                }
            }
            for (qsizetype k = n; k <= limite; ++k) {
                if (Correspond(motif, m, nom, k)) {
                    return true;
                }
            }
            return false;
        }
        if (c == QLatin1Char('?')) {
            if (n < nom.size() && nom[n] != QLatin1Char('.')) {
                if (Correspond(motif, m + 1, nom, n + 1)) {
                    return true;
                }
            }
            if (n == nom.size() || nom[n] == QLatin1Char('.')) {
                ++m; // matches nothing at a dot or at the end
                continue;
            }
            if (n < nom.size()) {
                ++m;
                ++n;
                continue;
            }
            return false;
        }
        if (c == QLatin1Char('.')) {
            if (n < nom.size() && nom[n] == QLatin1Char('.')) {
                ++m;
                ++n;
                continue;
            }
            if (n == nom.size()) {
                ++m;
                continue;
            }
            return false;
        }
        if (n >= nom.size() || !CaracteresEgaux(c, nom[n])) {
            return false;
        }
        ++m;
        ++n;
    }
    return n == nom.size();
}

bool OrdreNtfs(const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

} // namespace

QStringList ListerDossier(const QString& motif, int attributs) {
    QString dossier;
    QString nom;
    SeparerMotif(motif, dossier, nom);
    if (nom.isEmpty()) {
        nom = QStringLiteral("*");
    }
    const QString natif = dossier.isEmpty() ? QStringLiteral(".") : CheminNatif(dossier);
    std::unique_ptr<DIR, FermeDossier> d(::opendir(Octets(natif).constData()));
    if (!d) {
        return {};
    }
    const bool avecDossiers = (attributs & attr::Dossier) != 0;
    const bool avecCaches = (attributs & attr::Cache) != 0;
    QStringList noms;
    QStringList points;
    const int fdDossier = ::dirfd(d.get());
    while (const dirent* e = ::readdir(d.get())) {
        const QString n = QFile::decodeName(e->d_name);
        const bool estPoint = n == QLatin1String(".") || n == QLatin1String("..");
        if (estPoint) {
            if (avecDossiers && Correspond(nom, 0, n, 0)) {
                points.append(n);
            }
            continue;
        }
        if (n.startsWith(QLatin1Char('.')) && !avecCaches) {
            continue;
        }
        if (!Correspond(nom, 0, n, 0)) {
            continue;
        }
        bool fichier = e->d_type == DT_REG;
        bool sousDossier = e->d_type == DT_DIR;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(fdDossier, e->d_name, &st, 0) != 0) {
                continue; // dangling link or vanished entry
            }
            fichier = S_ISREG(st.st_mode);
            sousDossier = S_ISDIR(st.st_mode);
        }
        if (fichier || (sousDossier && avecDossiers)) {
            noms.append(n);
        }
    }
    // NTFS lists in name order; an explicit order keeps runs reproducible.
    std::sort(noms.begin(), noms.end(), OrdreNtfs);
    std::sort(points.begin(), points.end());
    return points + noms;
}

bool FichierExiste(const QString& chemin) {
    struct stat st {};
    return ::stat(Octets(CheminNatif(chemin)).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DossierExiste(const QString& chemin) {
    return EstDossierNatif(CheminNatif(chemin));
}

} // namespace plateforme
