#include "platform/qorbis32.h"

#include "platform/processus.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

constexpr qint32 VersionBibliotheque = 120;

// An item must not break the listing: a marker inside it would be read as the start of the next.
QString nettoyer(QString item) {
    item.remove(MarqueurQorbis32);
    item.remove(QChar(u'\0'));
    return item;
}

QString listeMarquee(const QStringList& items) {
    if (items.isEmpty()) {
        return {};
    }
    QString texte;
    for (const QString& item : items) {
        texte += MarqueurQorbis32 + nettoyer(item);
    }
    return texte + MarqueurQorbis32;
}

QStringList itemsTaches() {
    const qint64 moi = QCoreApplication::applicationPid();
    QStringList items;
    for (const plateforme::Tache& t : plateforme::ListeTaches()) {
        if (t.pid != moi) {
            items << t.nom << t.programme;
        }
    }
    return items;
}

BibliothequeQorbis32*& EnVigueur() {
    return plateforme::EnVigueur<BibliothequeQorbis32, BibliothequeQorbis32>();
}

} // namespace

qint32 qorbis32_VersionNumber() {
    return EnVigueur()->VersionNumber();
}

qint32 qorbis32_ListeFenetres(QString& tampon, qint32 taille, qint32 drapeau1, qint32 drapeau2) {
    return EnVigueur()->ListeFenetres(tampon, taille, drapeau1, drapeau2);
}

RemplacementQorbis32::RemplacementQorbis32(BibliothequeQorbis32& bibliotheque)
    : Remplacement(EnVigueur(), bibliotheque) {}

qint32 BibliothequeQorbis32::VersionNumber() {
    return VersionBibliotheque;
}

qint32 BibliothequeQorbis32::ListeFenetres(QString& tampon, qint32 taille, qint32 drapeau1,
                                           qint32 drapeau2) {
    if (taille < 0) {
        return -1;
    }
    QString texte;
    if (drapeau1 == 1 && drapeau2 == 1) {
        QStringList titres;
        if (!plateforme::TitresFenetres(titres)) {
            return -1; // no display: nobody can tell which windows are open
        }
        texte = listeMarquee(titres);
    } else if (drapeau1 == -1 && drapeau2 == -1) {
        texte = listeMarquee(itemsTaches());
    } else {
        return -1;
    }
    tampon = texte.left(taille);
    return static_cast<qint32>(tampon.size());
}
