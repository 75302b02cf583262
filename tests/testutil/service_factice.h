#pragma once

#include <QByteArray>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

// A D-Bus service stand-in (a template of python3-dbusmock) on a private bus of its own, which
// the module takes for the system or the session bus while the object lives. The machine's own
// buses are never reached: the test programs start with both addresses pointing nowhere.
class ServiceFactice {
public:
    struct Modele {
        const char* modele;    // dbusmock's template
        const char* service;   // its bus name
        const char* objet;     // its main object
        const char* interface; // its main interface
        bool systeme;          // on the system bus, else on the session bus
    };
    enum class Service { Present, Absent }; // Absent: the private bus has no stand-in on it
    ServiceFactice(const Modele& modele, Service service);
    virtual ~ServiceFactice();
    ServiceFactice(const ServiceFactice&) = delete;
    ServiceFactice& operator=(const ServiceFactice&) = delete;

    // Empty when bus and stand-in are up; else what went wrong, with the programs' output.
    QString Panne() const { return panne_; }

    // The arguments of each call of a method of the main interface the stand-in received.
    QList<QVariantList> Appels(const QString& methode);
    // Gives a method of the main interface another body (Python; `args`, `ret`, `dbus`, `time`
    // and the template's own objects are at hand); false when the stand-in did not take it.
    bool Remplacer(const QString& methode, const QString& entree, const QString& sortie,
                   const QString& code);

protected:
    QDBusMessage Appeler(const QString& interface, const QString& methode,
                         const QVariantList& arguments = {});

private:
    bool DemarrerBus();
    bool DemarrerService();

    Modele modele_;
    QByteArray variable_;
    QTemporaryDir dossier_;
    QProcess bus_;
    QProcess service_;
    QString adresse_;
    QString nomConnexion_;
    QByteArray ancienneAdresse_;
    QString panne_;
};

// The desktop's notification service (dbusmock's notification_daemon) on a private session bus.
class NotificationsFactices : public ServiceFactice {
public:
    explicit NotificationsFactices(Service service = Service::Present);
};
