#include "platform/services.h"

#include "platform/processus.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

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

Services& services() {
    static HorlogeSysteme horloge;
    static BoitesSansEcran boites;
    static EcranQt ecran;
    static SystemeParDefaut systeme;
    static Services s{&horloge, &boites, &ecran, &systeme, &ProcessusPosix()};
    return s;
}

} // namespace

Services& ServicesCourants() {
    return services();
}

RemplacementServices::RemplacementServices(const Services& nouveaux)
    : ancien_(services()) {
    Services& s = services();
    if (nouveaux.horloge != nullptr) {
        s.horloge = nouveaux.horloge;
    }
    if (nouveaux.boites != nullptr) {
        s.boites = nouveaux.boites;
    }
    if (nouveaux.ecran != nullptr) {
        s.ecran = nouveaux.ecran;
    }
    if (nouveaux.systeme != nullptr) {
        s.systeme = nouveaux.systeme;
    }
    if (nouveaux.processus != nullptr) {
        s.processus = nouveaux.processus;
    }
}

RemplacementServices::~RemplacementServices() {
    services() = ancien_;
}

QDateTime Maintenant() {
    return services().horloge->Maintenant();
}

int MsgBox(const QString& texte, int style, const QString& titre) {
    return services().boites->Afficher(texte, style, titre);
}

int MsgBoxDetails(const QString& texte, int style, const QString& titre, const QString& details) {
    return services().boites->AfficherAvecDetails(texte, style, titre, details);
}

void DefinirPointeur(int forme) {
    services().ecran->DefinirPointeur(forme);
}

void DoEvents() {
    services().ecran->Ceder(false);
}

void DoEventsAttente() {
    services().ecran->Ceder(true);
}

} // namespace plateforme
