#include "testutil/factices.h"

#include "platform/chemins.h"
#include "settings/etat.h"
#include "settings/journal.h"
#include "settings/parametres.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

namespace factices {

int Boites::Afficher(const QString& texte, int style, const QString& titre) {
    return AfficherAvecDetails(texte, style, titre, {});
}

int Boites::AfficherAvecDetails(const QString& texte, int style, const QString& titre,
                                const QString& details) {
    affichees.append({texte, style, titre, details});
    if (!reponses_.empty()) {
        const int r = reponses_.front();
        reponses_.pop_front();
        return r;
    }
    return (style & 7) == plateforme::mb::YesNo ? plateforme::mb::No : plateforme::mb::OK;
}

void Ecran::Ceder(bool) {
    ++cessions;
    if (horloge_ != nullptr) {
        horloge_->Avancer(pas_);
    }
}

void EcranLent::Ceder(bool) {
    QThread::msleep(1);
    horloge_.Avancer(50);
}

void Fenetre::DefinirLibelle(Bouton bouton, const QString& libelle) {
    libelles[static_cast<int>(bouton)] = libelle;
}

void Fenetre::ActiverBouton(Bouton bouton, bool actif) {
    actifs[static_cast<int>(bouton)] = actif;
}

bool Fenetre::BoutonActif(Bouton bouton) const {
    return actifs[static_cast<int>(bouton)];
}

bool LigneDeSuivi(const QString& message) {
    static const QRegularExpression suivi(
        QStringLiteral("^(Sauvegarde de la base locale dans |Base locale initialisée sans "
                       "empreinte|Registre des renumérotations : |Bilan : |ATTENTION : \\d+ "
                       "modification\\(s\\) de la base locale )"));
    return suivi.match(message).hasMatch();
}

QStringList Fenetre::MessagesComplets() const {
    QStringList messages;
    for (const QString& ligne : lignes) {
        const qsizetype pos = ligne.indexOf(QStringLiteral(" : "));
        messages.append(pos < 0 ? ligne : ligne.mid(pos + 3));
    }
    return messages;
}

QStringList Fenetre::Messages() const {
    QStringList messages = MessagesComplets();
    messages.removeIf(LigneDeSuivi);
    return messages;
}

namespace {

class VerrouCompte final : public plateforme::VerrouVeille {
public:
    explicit VerrouCompte(int& tenus)
        : tenus_(tenus) {
        ++tenus_;
    }
    ~VerrouCompte() override { --tenus_; }
    VerrouCompte(const VerrouCompte&) = delete;
    VerrouCompte& operator=(const VerrouCompte&) = delete;

private:
    int& tenus_;
};

} // namespace

std::unique_ptr<plateforme::VerrouVeille> Veille::Empecher(const QString& raison) {
    raisons.append(raison);
    return std::make_unique<VerrouCompte>(tenus);
}

Machine::Machine()
    : ancienneRacine_(plateforme::Machine::Racine())
    , ancienProgramme_(plateforme::DossierProgramme()) {
    plateforme::Machine::DefinirRacine(dossier_.path());
    plateforme::DefinirDossierProgramme(QString());
    programme_ = Natif(plateforme::DossierProgramme());
    QDir().mkpath(programme_);
    Param() = Parametres{};
    EtatBase().clear();
    DefinirLocaleJournal(QLocale(QLocale::French, QLocale::France));
}

Machine::~Machine() {
    plateforme::Machine::DefinirRacine(ancienneRacine_);
    plateforme::DefinirDossierProgramme(ancienProgramme_);
}

QString Machine::Natif(const QString& cheminWindows) const {
    return plateforme::CheminNatif(cheminWindows);
}

void Machine::EcrireFichier(const QString& cheminWindows, const QByteArray& contenu) const {
    const QString natif = Natif(cheminWindows);
    QDir().mkpath(QFileInfo(natif).absolutePath());
    QFile f(natif);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("cannot write %s", qPrintable(natif));
    }
    f.write(contenu);
}

QByteArray Machine::LireFichier(const QString& cheminWindows) const {
    QFile f(Natif(cheminWindows));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

Environnement::Environnement()
    : services_(plateforme::Services{&horloge, &boites, &ecran, nullptr, nullptr})
    , installation_(fenetre) {}

QString DossierBinaires() {
    const QByteArray bin = qgetenv("SYNCHRO_BIN");
    if (!bin.isEmpty()) {
        return QString::fromLocal8Bit(bin);
    }
    return QCoreApplication::applicationDirPath();
}

} // namespace factices
