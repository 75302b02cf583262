#include "platform/montages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace plateforme {

namespace {

// Blanks, tabs, newlines and backslashes of the table's fields are written as \ooo.
QString Decoder(const QByteArray& champ) {
    QByteArray octets;
    octets.reserve(champ.size());
    for (qsizetype i = 0; i < champ.size(); ++i) {
        if (champ[i] == '\\' && i + 3 < champ.size() && champ[i + 1] >= '0' &&
            champ[i + 1] <= '3') {
            bool ok = false;
            const int code = champ.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                octets.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        octets.append(champ[i]);
    }
    return QFile::decodeName(octets);
}

bool Contient(const QString& chemin, const QString& point) {
    return point == QLatin1String("/") || chemin == point ||
           chemin.startsWith(point + QLatin1Char('/'));
}

bool AOption(const Montage& m, const QString& option) {
    return m.options.contains(option);
}

} // namespace

QList<Montage> LireTableMontages(const QByteArray& texte) {
    QList<Montage> table;
    for (const QByteArray& ligne : texte.split('\n')) {
        // id parent major:minor root point options [optional fields...] - type source super
        const QList<QByteArray> champs = ligne.simplified().split(' ');
        const qsizetype tiret = champs.indexOf(QByteArrayLiteral("-"));
        if (champs.size() < 6 || tiret < 6 || tiret + 2 >= champs.size()) {
            continue;
        }
        Montage m;
        m.point = Decoder(champs[4]);
        m.type = Decoder(champs[tiret + 1]);
        m.source = Decoder(champs[tiret + 2]);
        m.options = Decoder(champs[5]).split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (tiret + 3 < champs.size()) {
            m.options += Decoder(champs[tiret + 3]).split(QLatin1Char(','), Qt::SkipEmptyParts);
        }
        table.append(m);
    }
    return table;
}

QList<Montage> TableMontages() {
    QFile fichier(QStringLiteral("/proc/self/mountinfo"));
    if (!fichier.open(QIODevice::ReadOnly)) {
        return {};
    }
    return LireTableMontages(fichier.readAll());
}

std::optional<Montage> MontageDe(const QString& dossier, const QList<Montage>& table) {
    const QString reel = QFileInfo(dossier).canonicalFilePath();
    const QString chemin = reel.isEmpty() ? QDir::cleanPath(QDir(dossier).absolutePath()) : reel;
    std::optional<Montage> trouve;
    for (const Montage& m : table) {
        if (Contient(chemin, m.point) && (!trouve || m.point.size() >= trouve->point.size())) {
            trouve = m;
        }
    }
    return trouve;
}

GenreMontage Genre(const Montage& m) {
    if (m.type == QLatin1String("fuse") || m.type == QLatin1String("fuseblk") ||
        m.type.startsWith(QLatin1String("fuse."))) {
        return GenreMontage::Fuse;
    }
    if (m.type == QLatin1String("cifs") || m.type == QLatin1String("smb3")) {
        return AOption(m, QStringLiteral("nobrl")) ? GenreMontage::VerrousLocaux
                                                   : GenreMontage::PartageCifs;
    }
    if (m.type == QLatin1String("nfs") || m.type == QLatin1String("nfs4")) {
        const bool locaux = AOption(m, QStringLiteral("nolock")) ||
                            AOption(m, QStringLiteral("local_lock=all")) ||
                            AOption(m, QStringLiteral("local_lock=posix"));
        return locaux ? GenreMontage::VerrousLocaux : GenreMontage::AutreReseau;
    }
    return GenreMontage::Local;
}

} // namespace plateforme
