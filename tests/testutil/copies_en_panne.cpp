#include "testutil/copies_en_panne.h"

#include "platform/chemins.h"
#include "platform/erreur.h"
#include "platform/fichiers.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace factices {

namespace {

QString Ailleurs() {
    return DossierPartage() + QStringLiteral("-parti");
}

} // namespace

void CopiesEnPanne::AvantCopie(const QString& source, const QString& destination) {
    EtatCopies& e = Copies();
    ++e.appels;
    const QChar lecteur = destination.isEmpty() ? QChar() : destination.at(0).toUpper();
    if (e.pleins.contains(lecteur)) {
        throw plateforme::ErreurSysteme(ENOSPC, destination);
    }
    if (e.appels != e.cible) {
        return;
    }
    switch (e.panne) {
    case Panne::Echec:
        throw plateforme::ErreurSysteme(EIO, destination);
    case Panne::DisquePlein:
        e.pleins.insert(lecteur);
        throw plateforme::ErreurSysteme(ENOSPC, destination);
    case Panne::SourceIllisible:
        throw plateforme::ErreurSysteme(EACCES, source);
    case Panne::PartageParti:
        partir_();
        return;
    }
}

const char* NomPanne(Panne p) {
    switch (p) {
    case Panne::Echec:
        return "copie en échec";
    case Panne::DisquePlein:
        return "disque plein";
    case Panne::SourceIllisible:
        return "source illisible";
    case Panne::PartageParti:
        return "partage disparu";
    }
    return "?";
}

EtatCopies& Copies() {
    static EtatCopies etat;
    return etat;
}

QString DossierPartage() {
    return plateforme::Machine::DossierPartage(QStringLiteral("serveur"),
                                               QStringLiteral("zelvano"));
}

void DeplacerPartage() {
    QDir().rename(DossierPartage(), Ailleurs());
}

void RemettrePartage() {
    if (QFileInfo::exists(Ailleurs())) {
        QDir().rename(Ailleurs(), DossierPartage());
    }
}

CopiesEnPanne::CopiesEnPanne(void (*partir)())
    : partir_(partir) {
    Copies() = EtatCopies{};
}

CopiesEnPanne::~CopiesEnPanne() {
    RemettrePartage();
}

} // namespace factices
