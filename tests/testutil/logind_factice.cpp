#include "testutil/logind_factice.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace {

const QString NomLogind = QStringLiteral("org.freedesktop.login1");
const QString Objet = QStringLiteral("/org/freedesktop/login1");
const QString Gestionnaire = QStringLiteral("org.freedesktop.login1.Manager");
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

LogindFactice::LogindFactice(Service service)
    : ancienneAdresse_(qgetenv("DBUS_SYSTEM_BUS_ADDRESS")) {
    if (!dossier_.isValid()) {
        panne_ = QStringLiteral("no temporary folder");
        return;
    }
    if (!DemarrerBus()) {
        return;
    }
    // From here on the module's system bus is the private one, logind or not.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", adresse_.toUtf8());
    if (service == Service::Present) {
        DemarrerLogind();
    }
}

LogindFactice::~LogindFactice() {
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", ancienneAdresse_);
    if (!nomConnexion_.isEmpty()) {
        QDBusConnection::disconnectFromBus(nomConnexion_);
    }
    Arreter(logind_);
    Arreter(bus_);
}

bool LogindFactice::DemarrerBus() {
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
    nomConnexion_ = QStringLiteral("logind-factice-") + adresse_;
    if (!QDBusConnection::connectToBus(adresse_, nomConnexion_).isConnected()) {
        panne_ = QStringLiteral("cannot connect to ") + adresse_;
        return false;
    }
    return true;
}

bool LogindFactice::DemarrerLogind() {
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    // Both buses of the stand-in are the private one: it can claim nothing elsewhere.
    environnement.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), adresse_);
    environnement.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), adresse_);
    logind_.setProcessEnvironment(environnement);
    // Debian's interpreter, the one its python3-dbusmock is installed for.
    logind_.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                   QStringLiteral("--template"), QStringLiteral("logind"), QStringLiteral("-l"),
                   dossier_.filePath(QStringLiteral("logind.log"))});
    const QDBusConnection connexion(nomConnexion_);
    const QDeadlineTimer delai(DelaiDemarrageMs);
    while (!connexion.interface()->isServiceRegistered(NomLogind)) {
        if (delai.hasExpired() || logind_.state() == QProcess::NotRunning) {
            logind_.waitForFinished(1000);
            panne_ = QStringLiteral("the logind stand-in did not start: ") + Sortie(logind_);
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

QDBusMessage LogindFactice::Appeler(const QString& interface, const QString& methode,
                                    const QVariantList& arguments) {
    QDBusMessage appel = QDBusMessage::createMethodCall(NomLogind, Objet, interface, methode);
    appel.setArguments(arguments);
    return QDBusConnection(nomConnexion_).call(appel, QDBus::Block, 5000);
}

QList<QStringList> LogindFactice::Inhibiteurs() {
    QList<QStringList> liste;
    const QDBusMessage reponse = Appeler(Gestionnaire, QStringLiteral("ListInhibitors"));
    if (reponse.type() != QDBusMessage::ReplyMessage || reponse.arguments().isEmpty()) {
        return liste;
    }
    // a(ssssuu): what, who, why, mode, uid, pid.
    const auto tableau = reponse.arguments().constFirst().value<QDBusArgument>();
    tableau.beginArray();
    while (!tableau.atEnd()) {
        QString quoi, qui, pourquoi, mode;
        uint uid = 0, pid = 0;
        tableau.beginStructure();
        tableau >> quoi >> qui >> pourquoi >> mode >> uid >> pid;
        tableau.endStructure();
        liste.append({quoi, qui, pourquoi, mode});
    }
    tableau.endArray();
    return liste;
}

bool LogindFactice::AttendreInhibiteurs(int nombre) {
    const QDeadlineTimer delai(5000);
    while (Inhibiteurs().size() != nombre) {
        if (delai.hasExpired()) {
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

QList<QVariantList> LogindFactice::Appels(const QString& methode) {
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

bool LogindFactice::Remplacer(const QString& methode, const QString& entree, const QString& sortie,
                              const QString& code) {
    return Appeler(Mock, QStringLiteral("AddMethod"), {Gestionnaire, methode, entree, sortie, code})
               .type() == QDBusMessage::ReplyMessage;
}
