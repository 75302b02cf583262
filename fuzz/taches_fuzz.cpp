// The task-list parser (ChargerListeTaches) on listings from the fuzzer, given through the
// utility library put in force for each input.
//
// Input: the first byte chooses the library's answer (a failure, the listing as it is, or the
// listing repeated to fill the exchange buffer and beyond); the rest is the listing, read as
// 8-bit text as the library writes it.
//
// Checked: no crash; a failure returns 0 and leaves the previous list alone; otherwise, with m
// the markers in the buffer's first 30000 characters, the count is (m - 1) / 2 (0 without a
// marker), the items are exactly the texts between two markers, taken two by two, and none
// holds a marker.

#include "platform/attente.h"
#include "platform/qorbis32.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr qint32 TailleTampon = 30000;

[[noreturn]] void Echec(const char* quoi, const QString& detail) {
    std::fprintf(stderr, "PROPRIETE VIOLEE : %s\n%s\n", quoi,
                 detail.left(2000).toUtf8().constData());
    std::abort();
}

// Non-overlapping occurrences from the left, as a reader scanning for the next marker sees them.
QStringList Decouper(const QString& tampon) {
    QStringList morceaux;
    qsizetype debut = 0;
    for (;;) {
        const qsizetype pos = tampon.indexOf(MarqueurQorbis32, debut);
        if (pos < 0) {
            morceaux.append(tampon.mid(debut));
            return morceaux;
        }
        morceaux.append(tampon.mid(debut, pos - debut));
        debut = pos + MarqueurQorbis32.size();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    if (taille == 0) {
        return 0;
    }
    const uint8_t reponse = donnees[0];
    QString liste = QString::fromLatin1(reinterpret_cast<const char*>(donnees + 1),
                                        static_cast<qsizetype>(taille - 1));
    if (reponse % 4 == 2 && !liste.isEmpty()) {
        // A machine with many processes: the listing reaches the end of the buffer.
        const QString motif = liste;
        while (liste.size() <= TailleTampon + 8) {
            liste += motif;
        }
    }
    const bool echec = reponse % 4 == 3;

    QString vu; // the buffer as the parser gets it
    // The library in force for this input: it answers the task listing with the fuzzer's.
    struct Bibliotheque final : BibliothequeQorbis32 {
        std::function<qint32(QString&, qint32, qint32, qint32)> reponse;
        qint32 ListeFenetres(QString& tampon, qint32 taille, qint32 drapeau1,
                             qint32 drapeau2) override {
            return reponse(tampon, taille, drapeau1, drapeau2);
        }
    } bibliotheque;
    bibliotheque.reponse = [&](QString& tampon, qint32 taille, qint32 drapeau1,
                               qint32 drapeau2) -> qint32 {
        if (taille != TailleTampon || drapeau1 != -1 || drapeau2 != -1) {
            Echec("appel de la bibliothèque",
                  QStringLiteral("%1 %2 %3").arg(taille).arg(drapeau1).arg(drapeau2));
        }
        if (echec) {
            return -1 - static_cast<qint32>(reponse >> 2);
        }
        // Like the library: the listing cut at the size given... or not (a careless one).
        tampon = (reponse % 4 == 1) ? liste : liste.left(taille);
        vu = tampon.left(TailleTampon);
        return static_cast<qint32>(tampon.size());
    };
    const RemplacementQorbis32 remplacement(bibliotheque);

    // A list left by an earlier call, which a failure must not touch.
    qb32_TabTaskList = QList<TacheQb32>(3);
    qb32_TabTaskList[1] = {QStringLiteral("avant"), QStringLiteral("xcopy.exe")};
    const QList<TacheQb32> precedente = qb32_TabTaskList;

    const qint16 nombre = ChargerListeTaches();

    if (echec) {
        if (nombre != 0 || qb32_TabTaskList.size() != precedente.size() ||
            qb32_TabTaskList[1].ItemB != precedente[1].ItemB) {
            Echec("échec de la bibliothèque", QString::number(nombre));
        }
        return 0;
    }

    const QStringList morceaux = Decouper(vu);
    const qsizetype marqueurs = morceaux.size() - 1;
    const qsizetype attendu = marqueurs >= 1 ? (marqueurs - 1) / 2 : 0;
    if (nombre != attendu) {
        Echec("nombre de tâches", QStringLiteral("%1 au lieu de %2 (%3 marqueurs)")
                                      .arg(nombre)
                                      .arg(attendu)
                                      .arg(marqueurs));
    }
    if (marqueurs == 0) {
        return 0;
    }
    // The items: what lies between the first and the last marker.
    const QStringList items = morceaux.mid(1, marqueurs - 1);
    if (qb32_TabTaskList.size() < nombre + 1) {
        Echec("tableau trop court", QString::number(qb32_TabTaskList.size()));
    }
    for (qint16 i = 1; i <= nombre; ++i) {
        const TacheQb32& t = qb32_TabTaskList[i];
        if (t.ItemA.contains(MarqueurQorbis32) || t.ItemB.contains(MarqueurQorbis32)) {
            Echec("marqueur dans un élément", t.ItemA + QStringLiteral(" | ") + t.ItemB);
        }
        if (t.ItemA != items[2 * (i - 1)] || t.ItemB != items[2 * (i - 1) + 1]) {
            Echec("élément",
                  QStringLiteral("tâche %1 : ").arg(i) + t.ItemA + QStringLiteral(" | ") + t.ItemB);
        }
    }
    // An odd item starts a task that is not counted.
    if (items.size() % 2 == 1 && qb32_TabTaskList.value(nombre + 1).ItemA != items.last()) {
        Echec("tâche incomplète", items.last());
    }
    return 0;
}
