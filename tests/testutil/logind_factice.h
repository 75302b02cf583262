#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

// A logind stand-in (python3-dbusmock's template) on a private bus of its own, which the module
// takes for the system bus while the object lives. The machine's own bus is never reached: the
// test programs start with the system bus address pointing nowhere.
class LogindFactice {
public:
    enum class Service { Present, Absent }; // Absent: the private bus has no logind on it
    explicit LogindFactice(Service service = Service::Present);
    ~LogindFactice();
    LogindFactice(const LogindFactice&) = delete;
    LogindFactice& operator=(const LogindFactice&) = delete;

    // Empty when bus and stand-in are up; else what went wrong, with the programs' output.
    QString Panne() const { return panne_; }

    // The inhibitors logind holds: what, who, why and mode of each.
    QList<QStringList> Inhibiteurs();
    // Waits (a few seconds at most) until logind holds `nombre` inhibitors: a closed descriptor
    // reaches it a moment after the close.
    bool AttendreInhibiteurs(int nombre);
    // The arguments of each call of a Manager method the stand-in received.
    QList<QVariantList> Appels(const QString& methode);
    // Gives a Manager method another body (Python; `args`, `ret`, `dbus` and the template's
    // `inhibitors` are at hand); false when the stand-in did not take it.
    bool Remplacer(const QString& methode, const QString& entree, const QString& sortie,
                   const QString& code);

private:
    bool DemarrerBus();
    bool DemarrerLogind();
    QDBusMessage Appeler(const QString& interface, const QString& methode,
                         const QVariantList& arguments = {});

    QTemporaryDir dossier_;
    QProcess bus_;
    QProcess logind_;
    QString adresse_;
    QString nomConnexion_;
    QByteArray ancienneAdresse_;
    QString panne_;
};
