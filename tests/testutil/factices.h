#pragma once

#include "platform/services.h"
#include "platform/veille.h"
#include "settings/fenetre.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <ostream>

// Failures show texts as texts, accents included, not as arrays of UTF-16 units.
inline void PrintTo(const QString& texte, std::ostream* os) {
    *os << '"' << texte.toStdString() << '"';
}

// Test doubles of the services: a clock that moves only when told (or by a step at every yield),
// message boxes answered from a script, a window that records what it was shown.
namespace factices {

class Horloge final : public plateforme::Horloge {
public:
    explicit Horloge(QDateTime depart = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)))
        : maintenant_(std::move(depart)) {}
    QDateTime Maintenant() override { return maintenant_; }
    qint64 TicMillisecondes() override { return tic_; }
    void Avancer(qint64 ms) {
        maintenant_ = maintenant_.addMSecs(ms);
        tic_ += ms;
    }
    void Definir(const QDateTime& moment) { maintenant_ = moment; }

private:
    QDateTime maintenant_;
    qint64 tic_ = 0;
};

struct BoiteAffichee {
    QString texte;
    int style;
    QString titre;
    QString details;
};

class Boites final : public plateforme::BoitesMessage {
public:
    int Afficher(const QString& texte, int style, const QString& titre) override;
    int AfficherAvecDetails(const QString& texte, int style, const QString& titre,
                            const QString& details) override;
    void Repondre(int reponse) { reponses_.push_back(reponse); }
    QList<BoiteAffichee> affichees;

private:
    std::deque<int> reponses_;
};

// Each yield moves the fake clock by `pasMs`, so that the waits end without real time passing.
class Ecran final : public plateforme::Ecran {
public:
    explicit Ecran(Horloge* horloge = nullptr, qint64 pasMs = 10)
        : horloge_(horloge)
        , pas_(pasMs) {}
    void DefinirPointeur(int forme) override { pointeurs.append(forme); }
    void Ceder(bool enAttente) override;
    QList<int> pointeurs;
    int cessions = 0;

private:
    Horloge* horloge_;
    qint64 pas_;
};

// A yield that really waits a little and moves the fake clock: the fixed delays of the copy
// waits last a fraction of a second, while a real child process has time to start and end.
class EcranLent final : public plateforme::Ecran {
public:
    explicit EcranLent(Horloge& horloge)
        : horloge_(horloge) {}
    void DefinirPointeur(int) override {}
    void Ceder(bool) override;

private:
    Horloge& horloge_;
};

// The operating system's version record, as the test sets it.
class Systeme final : public plateforme::Systeme {
public:
    plateforme::VersionOs Version() override { return version; }
    plateforme::VersionOs version;
};

// A line that a run adds around its steps to report on its safety: the safety copy, a base
// without fingerprint, the local modifications, the renumbering register, the closing summary.
bool LigneDeSuivi(const QString& message);

class Fenetre final : public ::Fenetre {
public:
    void DefinirTitre(const QString& titre) override { this->titre = titre; }
    void AjouterLigneJournal(const QString& ligne) override { lignes.append(ligne); }
    void ViderJournal() override { lignes.clear(); }
    void DefinirLibelle(Bouton bouton, const QString& libelle) override;
    void ActiverBouton(Bouton bouton, bool actif) override;
    bool BoutonActif(Bouton bouton) const override;
    // The journal lines without their date and time, but for the lines that report on the
    // safety of a run (safety copy, fingerprint, register, summary: see LigneDeSuivi), which
    // their own tests check in place.
    QStringList Messages() const;
    // Every line, those included.
    QStringList MessagesComplets() const;
    // What reaches the progress bar.
    void AfficherProgression(const QString& etape, qint64 fait, qint64 total) override {
        avancements.append({etape, fait, total});
        progressionVisible = true;
    }
    void MasquerProgression() override { progressionVisible = false; }

    QString titre;
    QStringList lignes;
    QString libelles[6];
    bool actifs[6] = {true, true, true, true, true, true};
    struct Avancement {
        QString etape;
        qint64 fait;
        qint64 total;
    };
    QList<Avancement> avancements;
    bool progressionVisible = false;
};

// A sleep inhibitor without a bus: the reason of each lock taken, and how many are held now.
class Veille final : public plateforme::Veille {
public:
    std::unique_ptr<plateforme::VerrouVeille> Empecher(const QString& raison) override;
    QStringList raisons;
    int tenus = 0;
};

// A fresh emulated machine in a temporary folder, with its program folder made (empty: each test
// links there the stand-ins it needs); the layer points at it for the object's lifetime. Also
// resets the settings record and EtatBase.
class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    QString Racine() const { return dossier_.path(); }
    // Native folder of the program's folder C:\Program Files\Zelvano.
    QString DossierProgramme() const { return programme_; }
    // Native path of a Windows path on this machine.
    QString Natif(const QString& cheminWindows) const;
    // Writes a file (parents created) at a Windows path.
    void EcrireFichier(const QString& cheminWindows, const QByteArray& contenu) const;
    QByteArray LireFichier(const QString& cheminWindows) const;

private:
    QTemporaryDir dossier_;
    QString programme_;
    QString ancienneRacine_;
    QString ancienProgramme_;
};

// Everything at once: machine, clock, boxes, screen and window installed.
class Environnement {
public:
    Environnement();
    Machine machine;
    Horloge horloge;
    Boites boites;
    Ecran ecran{&horloge};
    Fenetre fenetre;

private:
    plateforme::RemplacementServices services_;
    InstallationFenetre installation_;
};

// Folder of the built programs (the real program folder: helpers, stand-ins).
QString DossierBinaires();

} // namespace factices
