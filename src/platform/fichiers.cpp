#include "platform/fichiers.h"

#include "platform/descripteur.h"

#include "platform/chemins.h"
#include "platform/erreur.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace plateforme {

namespace {

CrochetCopie& crochetCopie() {
    static CrochetCopie c = nullptr;
    return c;
}

QByteArray Octets(const QString& natif) {
    return QFile::encodeName(natif);
}

struct FermeDossier {
    void operator()(DIR* d) const { ::closedir(d); }
};

QString DossierParent(const QString& natif) {
    const qsizetype pos = natif.lastIndexOf(QLatin1Char('/'));
    if (pos < 0) {
        return QStringLiteral(".");
    }
    return pos == 0 ? QStringLiteral("/") : natif.left(pos);
}

bool EstDossierNatif(const QString& natif) {
    struct stat st {};
    return ::stat(Octets(natif).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Windows "read-only" attribute: no write permission bit at all.
bool EstLectureSeule(const struct stat& st) {
    return (st.st_mode & 0222) == 0;
}

// Splits a Windows pattern into its folder (Windows form, without the final separator) and the
// name pattern after the last separator.
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

[[noreturn]] void LeverSysteme(int e, const QString& natif) {
    throw ErreurSysteme(e, natif);
}

// Copies `in` from its current offset to its end into `out`, in the kernel when it can.
void CopierContenu(int in, int out, const QString& natifSource) {
    bool essayerNoyau = true;
    for (;;) {
        if (essayerNoyau) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0) {
                continue;
            }
            if (n == 0) {
                // Some special file systems report 0 without copying: check by a real read.
                essayerNoyau = false;
                continue;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                errno == EBADF || errno == ETXTBSY || errno == EPERM) {
                essayerNoyau = false;
                continue;
            }
            LeverSysteme(errno, natifSource);
        }
        static constexpr size_t TailleTampon = 1 << 20;
        std::unique_ptr<char[]> tampon(new char[TailleTampon]);
        for (;;) {
            const ssize_t lus = ::read(in, tampon.get(), TailleTampon);
            if (lus < 0) {
                if (errno == EINTR) {
                    continue;
                }
                LeverSysteme(errno, natifSource);
            }
            if (lus == 0) {
                return;
            }
            ssize_t ecrits = 0;
            while (ecrits < lus) {
                const ssize_t w =
                    ::write(out, tampon.get() + ecrits, static_cast<size_t>(lus - ecrits));
                if (w < 0) {
                    if (errno == EINTR) {
                        continue;
                    }
                    LeverSysteme(errno, {});
                }
                ecrits += w;
            }
        }
    }
}

// Whether starting the write-back of a file is enough to put its data on disk before a rename
// that follows. ext3 and ext4 in their default data=ordered mode allocate the blocks during the
// write-back inside the running journal transaction, and no transaction commits before its
// ordered data is on disk: the rename, journalled later, cannot survive a crash without the data.
// Elsewhere only a full flush gives that, at one journal commit per file. tmpfs keeps nothing
// across a crash anyway.
bool EcritureOrdonnee(dev_t peripherique) {
    static std::mutex mutex;
    static QHash<dev_t, bool> connus;
    std::lock_guard<std::mutex> verrou(mutex);
    const auto it = connus.constFind(peripherique);
    if (it != connus.constEnd()) {
        return *it;
    }
    bool ordonnee = false;
    QFile montages(QStringLiteral("/proc/self/mountinfo"));
    if (montages.open(QIODevice::ReadOnly)) {
        const QByteArray cherche =
            QByteArray::number(major(peripherique)) + ':' + QByteArray::number(minor(peripherique));
        for (const QByteArray& ligne : montages.readAll().split('\n')) {
            const QList<QByteArray> champs = ligne.split(' ');
            const qsizetype tiret = champs.indexOf(QByteArray("-"));
            if (champs.size() < 5 || champs[2] != cherche || tiret < 0 ||
                tiret + 3 >= champs.size()) {
                continue;
            }
            const QByteArray& type = champs[tiret + 1];
            const QByteArray& options = champs[tiret + 3];
            if (type == "ext4" || type == "ext3") {
                ordonnee = !options.contains("data=writeback");
            } else {
                ordonnee = type == "tmpfs" || type == "ramfs";
            }
            break;
        }
    }
    connus.insert(peripherique, ordonnee);
    return ordonnee;
}

// Puts the copy's data on its way to the disk so that the rename that follows never shows a
// truncated file after a crash (see EcritureOrdonnee).
int Consolider(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && EcritureOrdonnee(st.st_dev) &&
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE) == 0) {
        return 0;
    }
    return ::fdatasync(fd);
}

constexpr char AlphabetProvisoire[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr char ModeleProvisoire[] = ".~synchro-XXXXXX.tmp";

// A name FichierTemporaire gives.
bool NomProvisoire(const char* nom) {
    const size_t n = sizeof ModeleProvisoire - 1;
    if (std::strlen(nom) != n || std::strncmp(nom, ModeleProvisoire, 10) != 0 ||
        std::strcmp(nom + 16, ModeleProvisoire + 16) != 0) {
        return false;
    }
    for (int i = 10; i < 16; ++i) {
        if (std::strchr(AlphabetProvisoire, nom[i]) == nullptr) {
            return false;
        }
    }
    return true;
}

// The temporary copy, removed unless it was renamed over the destination. Created in the
// destination's folder, reached through that folder's descriptor.
class FichierTemporaire {
public:
    // `nomDonne`: under that name (which must not exist yet) rather than one of its own.
    explicit FichierTemporaire(int dossier, const QByteArray& nomDonne = {})
        : dossier_(dossier) {
        if (!nomDonne.isEmpty()) {
            fd_ = ::openat(dossier_, nomDonne.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           0600);
            nom_ = fd_ >= 0 ? nomDonne : QByteArray();
            return;
        }
        static constexpr const char* Alphabet = AlphabetProvisoire;
        for (int essai = 0; essai < 100; ++essai) {
            quint64 alea = QRandomGenerator::global()->generate64();
            QByteArray nom(ModeleProvisoire);
            for (int i = 10; i < 16; ++i) {
                nom[i] = Alphabet[alea % (sizeof AlphabetProvisoire - 1)];
                alea /= sizeof AlphabetProvisoire - 1;
            }
            fd_ =
                ::openat(dossier_, nom.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd_ >= 0) {
                nom_ = nom;
                return;
            }
            if (errno != EEXIST) {
                return;
            }
        }
    }
    ~FichierTemporaire() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!nom_.isEmpty()) {
            ::unlinkat(dossier_, nom_.constData(), 0);
        }
    }
    FichierTemporaire(const FichierTemporaire&) = delete;
    FichierTemporaire& operator=(const FichierTemporaire&) = delete;

    bool Ouvert() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const QByteArray& Nom() const { return nom_; }
    int Fermer() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }
    // Renames over `cible` of the same folder; the temporary name is then gone.
    int Renommer(const QByteArray& cible) {
        const int r = ::renameat(dossier_, nom_.constData(), dossier_, cible.constData());
        if (r == 0) {
            nom_.clear();
        }
        return r;
    }
    // The file stays under its temporary name.
    void Garder() { nom_.clear(); }

private:
    int dossier_;
    QByteArray nom_;
    int fd_ = -1;
};

// The checks of every file copy and its data written under a temporary name, permissions and
// last-write time included, not yet on its way to the disk: the source already open, the
// destination an entry of an open folder (-1: the folder is missing). `natifSource` and
// `natifCible` only name the files in the errors. `modifiable`: the copy is never read-only.
std::unique_ptr<FichierTemporaire> EcrireProvisoire(int in, const QString& natifSource,
                                                    int dossierCible, const QByteArray& nomCible,
                                                    const QString& natifCible,
                                                    bool modifiable = false,
                                                    const QByteArray& nomProvisoire = {}) {
    struct stat stSource {};
    if (::fstat(in, &stSource) != 0) {
        LeverSysteme(errno, natifSource);
    }
    if (!S_ISREG(stSource.st_mode)) {
        Lever(err::ErreurAccesChemin);
    }
    if (dossierCible < 0) {
        Lever(err::CheminIntrouvable);
    }
    struct stat stCible {};
    if (::fstatat(dossierCible, nomCible.constData(), &stCible, 0) == 0) {
        if (S_ISDIR(stCible.st_mode)) {
            Lever(err::ErreurAccesChemin);
        }
        if (stCible.st_dev == stSource.st_dev && stCible.st_ino == stSource.st_ino) {
            Lever(err::PermissionRefusee); // the file is in use by the copy itself
        }
        // FileCopy does not replace a read-only file.
        if (EstLectureSeule(stCible) ||
            ::faccessat(dossierCible, nomCible.constData(), W_OK, 0) != 0) {
            Lever(err::PermissionRefusee);
        }
    }

    auto tmp = std::make_unique<FichierTemporaire>(dossierCible, nomProvisoire);
    if (!tmp->Ouvert()) {
        LeverSysteme(errno, natifCible);
    }
    CopierContenu(in, tmp->fd(), natifSource);
    // Permissions follow (a read-only file stays read-only, as its attribute would); set-id bits
    // never come along from a share.
    const mode_t droits = (stSource.st_mode & 0777) | (modifiable ? S_IWUSR : 0);
    if (::fchmod(tmp->fd(), droits) != 0) {
        LeverSysteme(errno, natifCible);
    }
    const struct timespec temps[2] = {{0, UTIME_NOW}, stSource.st_mtim};
    if (::futimens(tmp->fd(), temps) != 0) {
        LeverSysteme(errno, natifCible);
    }
    return tmp;
}

// The body of a single file copy: its data on its way to the disk before it takes its name.
void CopierOuvert(int in, const QString& natifSource, int dossierCible, const QByteArray& nomCible,
                  const QString& natifCible, bool modifiable = false) {
    const std::unique_ptr<FichierTemporaire> tmp =
        EcrireProvisoire(in, natifSource, dossierCible, nomCible, natifCible, modifiable);
    if (Consolider(tmp->fd()) != 0 || tmp->Fermer() != 0) {
        LeverSysteme(errno, natifCible);
    }
    if (tmp->Renommer(nomCible) != 0) {
        LeverSysteme(errno, natifCible);
    }
}

QString NomDe(const QString& natif) {
    return natif.mid(natif.lastIndexOf(QLatin1Char('/')) + 1);
}

bool MemesOctets(int a, int b) {
    constexpr qsizetype Bloc = 1 << 16;
    QByteArray tamponA(Bloc, Qt::Uninitialized);
    QByteArray tamponB(Bloc, Qt::Uninitialized);
    for (;;) {
        const ssize_t lusA = ::read(a, tamponA.data(), Bloc);
        ssize_t lusB = 0;
        while (lusA > 0 && lusB < lusA) {
            const ssize_t n = ::read(b, tamponB.data() + lusB, static_cast<size_t>(lusA - lusB));
            if (n <= 0) {
                return false;
            }
            lusB += n;
        }
        if (lusA < 0) {
            return false;
        }
        if (lusA == 0) {
            char reste = 0;
            return ::read(b, &reste, 1) == 0;
        }
        if (std::memcmp(tamponA.constData(), tamponB.constData(), static_cast<size_t>(lusA)) != 0) {
            return false;
        }
    }
}

// Whether the file `nomCible` of the folder `dossierCible` is read-only, and then whether it
// holds the content of `nomSource` of `dossierSource`. An unreadable file counts as different.
CibleLectureSeule ComparerCible(int dossierSource, const QByteArray& nomSource, int dossierCible,
                                const QByteArray& nomCible) {
    struct stat stCible {};
    if (dossierCible < 0 || ::fstatat(dossierCible, nomCible.constData(), &stCible, 0) != 0 ||
        !S_ISREG(stCible.st_mode) || !EstLectureSeule(stCible)) {
        return CibleLectureSeule::Non;
    }
    const Descripteur in(
        dossierSource < 0 ? -1
                          : ::openat(dossierSource, nomSource.constData(), O_RDONLY | O_CLOEXEC));
    const Descripteur cible(::openat(dossierCible, nomCible.constData(), O_RDONLY | O_CLOEXEC));
    struct stat stSource {};
    if (in.get() < 0 || cible.get() < 0 || ::fstat(in.get(), &stSource) != 0 ||
        stSource.st_size != stCible.st_size || !MemesOctets(in.get(), cible.get())) {
        return CibleLectureSeule::Differente;
    }
    return CibleLectureSeule::Identique;
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

void CopierFichier(const QString& source, const QString& destination, bool modifiable) {
    if (crochetCopie() != nullptr) {
        crochetCopie()(source, destination);
    }
    const QString natifSource = CheminNatif(source);
    // An existing destination whose name differs only by case is the one replaced, as on Windows.
    const QString natifCible = CheminNatif(destination);

    Descripteur in(::open(Octets(natifSource).constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        LeverSysteme(errno, natifSource);
    }
    const Descripteur dossier(
        ::open(Octets(DossierParent(natifCible)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    CopierOuvert(in.get(), natifSource, dossier.get(), Octets(NomDe(natifCible)), natifCible,
                 modifiable);
}

CibleLectureSeule ExaminerCibleLectureSeule(const QString& source, const QString& destination) {
    const QString natifSource = CheminNatif(source);
    const QString natifCible = CheminNatif(destination);
    const Descripteur dossierSource(
        ::open(Octets(DossierParent(natifSource)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const Descripteur dossierCible(
        ::open(Octets(DossierParent(natifCible)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    return ComparerCible(dossierSource.get(), Octets(NomDe(natifSource)), dossierCible.get(),
                         Octets(NomDe(natifCible)));
}

DossierOuvert::DossierOuvert(const QString& cheminWindows)
    : windows_(cheminWindows)
    , natif_(CheminNatif(cheminWindows)) {
    fd_ = ::open(Octets(natif_).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

DossierOuvert::~DossierOuvert() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

CibleLectureSeule DossierOuvert::CibleEnLectureSeule(const DossierOuvert& source,
                                                     const QString& nom) const {
    QByteArray cible = NomExistant(nom);
    if (cible.isEmpty()) {
        return CibleLectureSeule::Non;
    }
    QByteArray nomSource = source.NomExistant(nom);
    return ComparerCible(source.fd_, nomSource.isEmpty() ? Octets(nom) : nomSource, fd_, cible);
}

QByteArray DossierOuvert::NomExistant(const QString& nom) const {
    if (fd_ < 0) {
        return {};
    }
    QByteArray exact = Octets(nom);
    struct stat st {};
    if (::fstatat(fd_, exact.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return exact;
    }
    // Rare: another case, found by the path translation's own search.
    const QString natif = CheminNatif(windows_ + QLatin1Char('\\') + nom);
    const QString trouve = NomDe(natif);
    if (DossierParent(natif) != natif_ || trouve == nom ||
        ::fstatat(fd_, Octets(trouve).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return {};
    }
    return Octets(trouve);
}

bool DossierOuvert::SecondeEcriture(const QString& nom, qint64& secondes, qint64* taille) const {
    if (fd_ < 0) {
        return false;
    }
    QByteArray entree = Octets(nom);
    struct stat st {};
    if (::fstatat(fd_, entree.constData(), &st, 0) != 0) {
        if (errno != ENOENT) {
            return false;
        }
        entree = NomExistant(nom);
        if (entree.isEmpty() || ::fstatat(fd_, entree.constData(), &st, 0) != 0) {
            return false;
        }
    }
    if (!S_ISREG(st.st_mode)) {
        return false;
    }
    // Readable by everyone: open would succeed, no need to ask. Otherwise the kernel decides,
    // as it would for the open.
    if ((st.st_mode & 0444) != 0444 && ::faccessat(fd_, entree.constData(), R_OK, 0) != 0) {
        return false;
    }
    secondes = static_cast<qint64>(st.st_mtim.tv_sec);
    if (taille != nullptr) {
        *taille = static_cast<qint64>(st.st_size);
    }
    return true;
}

struct LotCopies::EnAttente {
    std::unique_ptr<FichierTemporaire> provisoire;
    QByteArray cible;
    QString nom;
};

LotCopies::LotCopies(const DossierOuvert& destination, Place place, Echec echec)
    : destination_(destination)
    , place_(std::move(place))
    , echec_(std::move(echec)) {}

LotCopies::~LotCopies() = default; // the copies not placed go with their temporary files

// The temporary copies an interrupted copy left in the folder (a lot may leave many): the
// module copies into a folder of the local tree one run at a time, so none of them is still
// being written.
void LotCopies::RetirerRestes() {
    const int fd = ::openat(destination_.fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const std::unique_ptr<DIR, FermeDossier> d(::fdopendir(fd));
    if (!d) {
        ::close(fd);
        return;
    }
    while (const dirent* e = ::readdir(d.get())) {
        struct stat st {};
        if (NomProvisoire(e->d_name) &&
            ::fstatat(destination_.fd_, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode)) {
            ::unlinkat(destination_.fd_, e->d_name, 0);
        }
    }
}

void LotCopies::Copier(const DossierOuvert& source, const QString& nom, bool modifiable) {
    if (!restesRetires_) {
        restesRetires_ = true;
        RetirerRestes();
    }
    if (crochetCopie() != nullptr) {
        crochetCopie()(source.windows_ + QLatin1Char('\\') + nom,
                       destination_.windows_ + QLatin1Char('\\') + nom);
    }
    const QByteArray nomSource = Octets(nom);
    const QString natifSource = source.natif_ + QLatin1Char('/') + nom;
    const Descripteur in(
        source.fd_ < 0 ? -1 : ::openat(source.fd_, nomSource.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        LeverSysteme(source.fd_ < 0 ? ENOENT : errno, natifSource);
    }
    QByteArray cible = destination_.NomExistant(nom);
    if (cible.isEmpty()) {
        cible = nomSource;
    }
    const QString natifCible = destination_.natif_ + QLatin1Char('/') + QFile::decodeName(cible);
    std::unique_ptr<FichierTemporaire> provisoire =
        EcrireProvisoire(in.get(), natifSource, destination_.fd_, cible, natifCible, modifiable);
    struct stat st {};
    const qint64 taille = ::fstat(provisoire->fd(), &st) == 0 ? st.st_size : 0;
    if (provisoire->Fermer() != 0) {
        LeverSysteme(errno, natifCible);
    }
    attente_.push_back({std::move(provisoire), cible, nom});
    octets_ += taille;
    if (attente_.size() >= FichiersMax || octets_ >= OctetsMax) {
        Placer();
    }
}

void LotCopies::Placer() {
    if (attente_.empty()) {
        return;
    }
    std::vector<EnAttente> lot;
    lot.swap(attente_);
    octets_ = 0;
    // Every copy of the lot on the disk at once: one flush of the file system they are on.
    {
        const Descripteur un(::openat(destination_.fd_, lot.front().provisoire->Nom().constData(),
                                      O_RDONLY | O_CLOEXEC));
        if (un.get() < 0 || ::syncfs(un.get()) != 0) {
            const Erreur e = ErreurSysteme(errno, destination_.natif_);
            if (!echec_) {
                throw ErreurPlacement(e, {});
            }
            for (const EnAttente& copie : lot) {
                echec_(copie.nom, e);
            }
            return;
        }
    }
    std::optional<ErreurPlacement> premiere;
    for (EnAttente& copie : lot) {
        if (copie.provisoire->Renommer(copie.cible) == 0) {
            if (place_) {
                place_(copie.nom);
            }
            continue;
        }
        const Erreur e = ErreurSysteme(errno, destination_.natif_ + QLatin1Char('/') +
                                                  QFile::decodeName(copie.cible));
        if (echec_) {
            echec_(copie.nom, e);
        } else if (!premiere) {
            premiere = ErreurPlacement(e, copie.nom);
        }
    }
    // The new names on the disk too. A folder that cannot be opened for reading keeps them for
    // the file system's next flush: each name already leads to complete data.
    const Descripteur dossier(::openat(destination_.fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dossier.get() >= 0 && ::fsync(dossier.get()) != 0 && !premiere) {
        premiere = ErreurPlacement(ErreurSysteme(errno, destination_.natif_), {});
    }
    if (premiere) {
        throw *premiere;
    }
}

CopieEnAttente::CopieEnAttente(const QString& source, std::shared_ptr<const DossierOuvert> dossier,
                               const QString& nomAttente)
    : dossier_(std::move(dossier)) {
    const QString natifCible = dossier_->natif_ + QLatin1Char('/') + nomAttente;
    if (crochetCopie() != nullptr) {
        crochetCopie()(source, dossier_->windows_ + QLatin1Char('\\') + nomAttente);
    }
    const QString natifSource = CheminNatif(source);
    const Descripteur in(::open(Octets(natifSource).constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        LeverSysteme(errno, natifSource);
    }
    const QByteArray nom = Octets(nomAttente);
    // Sent to the server: a read-only local file must not become one there. Written under its
    // waiting name itself: a copy interrupted half-way leaves no name but the one its caller
    // chose, and can find again.
    const std::unique_ptr<FichierTemporaire> tmp =
        EcrireProvisoire(in.get(), natifSource, dossier_->fd_, nom, natifCible, true, nom);
    if (Consolider(tmp->fd()) != 0 || tmp->Fermer() != 0) {
        LeverSysteme(errno, natifCible);
    }
    tmp->Garder();
    attente_ = nom;
}

CopieEnAttente::~CopieEnAttente() {
    if (!attente_.isEmpty()) {
        ::unlinkat(dossier_->fd_, attente_.constData(), 0);
    }
}

void CopieEnAttente::Placer(const QString& nom) {
    QByteArray cible = dossier_->NomExistant(nom);
    if (cible.isEmpty()) {
        cible = Octets(nom);
    }
    if (::renameat(dossier_->fd_, attente_.constData(), dossier_->fd_, cible.constData()) != 0) {
        LeverSysteme(errno, dossier_->natif_ + QLatin1Char('/') + nom);
    }
    attente_.clear();
}

void SupprimerFichier(const QString& chemin) {
    QString dossier;
    QString nom;
    SeparerMotif(chemin, dossier, nom);
    if (nom.contains(QLatin1Char('*')) || nom.contains(QLatin1Char('?'))) {
        // Kill takes wildcards: every matching plain file goes, none is an error.
        const QStringList noms = ListerDossier(chemin, attr::Normal);
        if (noms.isEmpty()) {
            const QString natifDossier =
                dossier.isEmpty() ? QStringLiteral(".") : CheminNatif(dossier);
            Lever(EstDossierNatif(natifDossier) ? err::FichierIntrouvable : err::CheminIntrouvable);
        }
        const QString base = dossier.isEmpty() ? QStringLiteral(".") : CheminNatif(dossier);
        for (const QString& n : noms) {
            const QString natif = base + QLatin1Char('/') + n;
            struct stat st {};
            if (::stat(Octets(natif).constData(), &st) == 0 && EstLectureSeule(st)) {
                Lever(err::ErreurAccesChemin);
            }
            if (::unlink(Octets(natif).constData()) != 0) {
                LeverSysteme(errno, natif);
            }
        }
        return;
    }
    const QString natif = CheminNatif(chemin);
    struct stat st {};
    if (::stat(Octets(natif).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            Lever(err::FichierIntrouvable); // Kill removes files only
        }
        if (EstLectureSeule(st)) {
            Lever(err::ErreurAccesChemin); // nor read-only ones
        }
    }
    if (::unlink(Octets(natif).constData()) != 0) {
        LeverSysteme(errno, natif);
    }
}

void CreerDossier(const QString& chemin) {
    const QString natif = CheminNatif(chemin);
    if (::mkdir(Octets(natif).constData(), 0777) != 0) {
        const int e = errno;
        if (e == EEXIST) {
            Lever(err::ErreurAccesChemin);
        }
        LeverSysteme(e, natif);
    }
}

void RenommerFichier(const QString& ancien, const QString& nouveau) {
    const QString natifAncien = CheminNatif(ancien);
    QString natifNouveau = CheminNatif(nouveau);
    struct stat stAncien {};
    if (::lstat(Octets(natifAncien).constData(), &stAncien) != 0) {
        LeverSysteme(errno, natifAncien);
    }
    struct stat stNouveau {};
    if (::lstat(Octets(natifNouveau).constData(), &stNouveau) == 0 &&
        stNouveau.st_dev == stAncien.st_dev && stNouveau.st_ino == stAncien.st_ino) {
        // Same entry reached without regard to case: a change of case only.
        QString dossier;
        QString nom;
        SeparerMotif(nouveau, dossier, nom);
        natifNouveau = DossierParent(natifAncien) + QLatin1Char('/') + nom;
        if (natifNouveau == natifAncien) {
            return;
        }
    }
    if (!EstDossierNatif(DossierParent(natifNouveau))) {
        Lever(err::CheminIntrouvable);
    }
    if (::rename(Octets(natifAncien).constData(), Octets(natifNouveau).constData()) == 0) {
        return;
    }
    const int e = errno;
    if (e == EXDEV && S_ISREG(stAncien.st_mode)) {
        // Another drive: copy, then remove the original once the copy is in place.
        CopierFichier(ancien, nouveau);
        if (::unlink(Octets(natifAncien).constData()) != 0) {
            LeverSysteme(errno, natifAncien);
        }
        return;
    }
    LeverSysteme(e, natifNouveau);
}

namespace {

QDateTime DepuisTimespec(qint64 secondes, qint64 nanosecondes) {
    return QDateTime::fromMSecsSinceEpoch(secondes * 1000 + nanosecondes / 1000000, Qt::UTC);
}

} // namespace

bool LireTempsFichier(const QString& chemin, TempsFichier& temps) {
    temps = TempsFichier{};
    const QString natif = CheminNatif(chemin);
    Descripteur fd(::open(Octets(natif).constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return false;
    }
    struct statx sx {};
    if (::statx(fd.get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        return false;
    }
    const auto& naissance = (sx.stx_mask & STATX_BTIME) != 0 ? sx.stx_btime : sx.stx_ctime;
    temps.creation = DepuisTimespec(naissance.tv_sec, naissance.tv_nsec);
    temps.dernierAcces = DepuisTimespec(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    temps.derniereEcriture = DepuisTimespec(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    return true;
}

void DefinirDerniereEcriture(const QString& chemin, const QDateTime& utc) {
    if (!utc.isValid()) {
        Lever(err::ArgumentIncorrect);
    }
    const QString natif = CheminNatif(chemin);
    const qint64 ms = utc.toMSecsSinceEpoch();
    qint64 s = ms / 1000;
    qint64 reste = ms % 1000;
    if (reste < 0) {
        reste += 1000;
        --s;
    }
    const struct timespec temps[2] = {{0, UTIME_OMIT},
                                      {static_cast<time_t>(s), static_cast<long>(reste * 1000000)}};
    if (::utimensat(AT_FDCWD, Octets(natif).constData(), temps, 0) != 0) {
        LeverSysteme(errno, natif);
    }
}

void DefinirCrochetCopie(CrochetCopie crochet) {
    crochetCopie() = crochet;
}

void SupprimerArborescence(const QString& chemin) {
    QDir dossier(CheminNatif(chemin));
    if (dossier.exists() && !dossier.removeRecursively()) {
        Lever(err::PermissionRefusee);
    }
}

} // namespace plateforme
