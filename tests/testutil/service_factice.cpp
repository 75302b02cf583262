#include "testutil/service_factice.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace {

const QString Mock = QStringLiteral("org.freedesktop.DBus.Mock");
constexpr int DelaiDemarrageMs = 20000; // python and the sanitizers are slow to start

// A bus that only this test knows: no service to activate, everybody may own any name.
QByteArray ConfigurationBus(const QString& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path=" +
           socket.toUtf8() +
           "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
}

QString Sortie(QProcess& processus) {
    return QString::fromLocal8Bit(processus.readAllStandardError() +
                                  processus.readAllStandardOutput());
}

void Arreter(QProcess& processus) {
    if (processus.state() != QProcess::NotRunning) {
        processus.kill();
        processus.waitForFinished(5000);
    }
}

} // namespace

ServiceFactice::ServiceFactice(const Modele& modele, Service service)
    : modele_(modele)
    , variable_(modele.systeme ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS")
    , ancienneAdresse_(qgetenv(variable_.constData())) {
    if (!dossier_.isValid()) {
        panne_ = QStringLiteral("no temporary folder");
        return;
    }
    if (!DemarrerBus()) {
        return;
    }
    // From here on the module's bus is the private one, stand-in or not.
    qputenv(variable_.constData(), adresse_.toUtf8());
    if (service == Service::Present) {
        DemarrerService();
    }
}

ServiceFactice::~ServiceFactice() {
    qputenv(variable_.constData(), ancienneAdresse_);
    if (!nomConnexion_.isEmpty()) {
        QDBusConnection::disconnectFromBus(nomConnexion_);
    }
    Arreter(service_);
    Arreter(bus_);
}

bool ServiceFactice::DemarrerBus() {
    const QString configuration = dossier_.filePath(QStringLiteral("bus.conf"));
    QFile fichier(configuration);
    if (!fichier.open(QIODevice::WriteOnly) ||
        fichier.write(ConfigurationBus(dossier_.filePath(QStringLiteral("bus")))) < 0) {
        panne_ = QStringLiteral("cannot write ") + configuration;
        return false;
    }
    fichier.close();
    bus_.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--config-file=") + configuration, QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1")});
    // The address is printed once the bus listens.
    const QDeadlineTimer delai(DelaiDemarrageMs);
    while (!bus_.canReadLine() && bus_.waitForReadyRead(int(delai.remainingTime()))) {
    }
    adresse_ = QString::fromUtf8(bus_.readLine()).trimmed();
    if (adresse_.isEmpty()) {
        panne_ = QStringLiteral("dbus-daemon did not start: ") + Sortie(bus_);
        return false;
    }
    nomConnexion_ = QStringLiteral("service-factice-") + adresse_;
    if (!QDBusConnection::connectToBus(adresse_, nomConnexion_).isConnected()) {
        panne_ = QStringLiteral("cannot connect to ") + adresse_;
        return false;
    }
    return true;
}

bool ServiceFactice::DemarrerService() {
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    // Both buses of the stand-in are the private one: it can claim nothing elsewhere.
    environnement.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), adresse_);
    environnement.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), adresse_);
    service_.setProcessEnvironment(environnement);
    // Debian's interpreter, the one its python3-dbusmock is installed for.
    QStringList arguments{QStringLiteral("-m"), QStringLiteral("dbusmock")};
    if (modele_.systeme) {
        arguments.append(QStringLiteral("--system"));
    }
    arguments << QStringLiteral("--template") << QString::fromLatin1(modele_.modele)
              << QStringLiteral("-l") << dossier_.filePath(QStringLiteral("service.log"));
    service_.start(QStringLiteral("/usr/bin/python3"), arguments);
    const QDBusConnection connexion(nomConnexion_);
    const QDeadlineTimer delai(DelaiDemarrageMs);
    while (!connexion.interface()->isServiceRegistered(QString::fromLatin1(modele_.service))) {
        if (delai.hasExpired() || service_.state() == QProcess::NotRunning) {
            service_.waitForFinished(1000);
            panne_ = QStringLiteral("the %1 stand-in did not start: ")
                         .arg(QLatin1String(modele_.modele)) +
                     Sortie(service_);
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

QDBusMessage ServiceFactice::Appeler(const QString& interface, const QString& methode,
                                     const QVariantList& arguments) {
    QDBusMessage appel =
        QDBusMessage::createMethodCall(QString::fromLatin1(modele_.service),
                                       QString::fromLatin1(modele_.objet), interface, methode);
    appel.setArguments(arguments);
    return QDBusConnection(nomConnexion_).call(appel, QDBus::Block, 5000);
}

QList<QVariantList> ServiceFactice::Appels(const QString& methode) {
    QList<QVariantList> appels;
    const QDBusMessage reponse = Appeler(Mock, QStringLiteral("GetMethodCalls"), {methode});
    if (reponse.type() != QDBusMessage::ReplyMessage || reponse.arguments().isEmpty()) {
        return appels;
    }
    // a(tav): time and arguments of each call.
    const auto tableau = reponse.arguments().constFirst().value<QDBusArgument>();
    tableau.beginArray();
    while (!tableau.atEnd()) {
        qulonglong moment = 0;
        QVariantList arguments;
        tableau.beginStructure();
        tableau >> moment;
        tableau.beginArray();
        while (!tableau.atEnd()) {
            QDBusVariant valeur;
            tableau >> valeur;
            arguments.append(valeur.variant());
        }
        tableau.endArray();
        tableau.endStructure();
        appels.append(arguments);
    }
    tableau.endArray();
    return appels;
}

bool ServiceFactice::Remplacer(const QString& methode, const QString& entree, const QString& sortie,
                               const QString& code) {
    return Appeler(Mock, QStringLiteral("AddMethod"),
                   {QString::fromLatin1(modele_.interface), methode, entree, sortie, code})
               .type() == QDBusMessage::ReplyMessage;
}

NotificationsFactices::NotificationsFactices(Service service)
    : ServiceFactice({"notification_daemon", "org.freedesktop.Notifications",
                      "/org/freedesktop/Notifications", "org.freedesktop.Notifications", false},
                     service) {}
