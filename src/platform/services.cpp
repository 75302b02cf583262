#include "platform/services.h"

#include "platform/en_vigueur.h"
#include "platform/processus.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace plateforme {

namespace {

class HorlogeSysteme final : public Horloge {
public:
    QDateTime Maintenant() override { return QDateTime::currentDateTime(); }
    qint64 TicMillisecondes() override {
        static QElapsedTimer depart = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        return depart.elapsed();
    }
};

// Without a window nobody can answer: the box is taken as acknowledged.
class BoitesSansEcran final : public BoitesMessage {
public:
    int Afficher(const QString&, int style, const QString&) override {
        return (style & 7) == mb::YesNo ? mb::No : mb::OK;
    }
};

class EcranQt final : public Ecran {
public:
    void DefinirPointeur(int) override {}
    void Ceder(bool enAttente) override {
        if (QCoreApplication::instance() == nullptr) {
            return;
        }
        if (!enAttente) {
            QCoreApplication::processEvents();
            return;
        }
        // Block in the event loop until something happens, at most 10 ms.
        QEventLoop boucle;
        QTimer::singleShot(10, &boucle, &QEventLoop::quit);
        boucle.processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
    }
};

class SystemeParDefaut final : public Systeme {
public:
    VersionOs Version() override { return VersionOs{}; }
};

Horloge*& horloge() {
    return EnVigueur<Horloge, HorlogeSysteme>();
}
BoitesMessage*& boites() {
    return EnVigueur<BoitesMessage, BoitesSansEcran>();
}
Ecran*& ecran() {
    return EnVigueur<Ecran, EcranQt>();
}
Systeme*& systeme() {
    return EnVigueur<Systeme, SystemeParDefaut>();
}
Processus*& processus() {
    return EnVigueur<Processus, ProcessusPosix>();
}

template <class Service>
void Remplacer(std::optional<Remplacement<Service>>& remplacement, Service*& enVigueur,
               Service* nouveau) {
    if (nouveau != nullptr) {
        remplacement.emplace(enVigueur, *nouveau);
    }
}

} // namespace

Services ServicesCourants() {
    return Services{horloge(), boites(), ecran(), systeme(), processus()};
}

struct RemplacementServices::Remplacements {
    std::optional<Remplacement<Horloge>> horloge;
    std::optional<Remplacement<BoitesMessage>> boites;
    std::optional<Remplacement<Ecran>> ecran;
    std::optional<Remplacement<Systeme>> systeme;
    std::optional<Remplacement<Processus>> processus;
};

RemplacementServices::RemplacementServices(const Services& nouveaux)
    : remplacements_(std::make_unique<Remplacements>()) {
    Remplacer(remplacements_->horloge, horloge(), nouveaux.horloge);
    Remplacer(remplacements_->boites, boites(), nouveaux.boites);
    Remplacer(remplacements_->ecran, ecran(), nouveaux.ecran);
    Remplacer(remplacements_->systeme, systeme(), nouveaux.systeme);
    Remplacer(remplacements_->processus, processus(), nouveaux.processus);
}

RemplacementServices::~RemplacementServices() = default;

QDateTime Maintenant() {
    return horloge()->Maintenant();
}

int MsgBox(const QString& texte, int style, const QString& titre) {
    return boites()->Afficher(texte, style, titre);
}

int MsgBoxDetails(const QString& texte, int style, const QString& titre, const QString& details) {
    return boites()->AfficherAvecDetails(texte, style, titre, details);
}

void DefinirPointeur(int forme) {
    ecran()->DefinirPointeur(forme);
}

void DoEvents() {
    ecran()->Ceder(false);
}

void DoEventsAttente() {
    ecran()->Ceder(true);
}

} // namespace plateforme
