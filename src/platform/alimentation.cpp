#include "platform/alimentation.h"

#include <QProcess>

namespace plateforme {

namespace {

constexpr int DelaiDemarrageMs = 5000;
constexpr int DelaiCommandeMs = 30000;

// A command's exit code and output; -1 when it cannot be run or does not end normally in time.
int Executer(const QString& programme, const QStringList& arguments, QString* sortie = nullptr) {
    QProcess processus;
    processus.start(programme, arguments);
    if (!processus.waitForStarted(DelaiDemarrageMs)) {
        return -1;
    }
    if (!processus.waitForFinished(DelaiCommandeMs)) {
        processus.kill();
        processus.waitForFinished(DelaiDemarrageMs);
        return -1;
    }
    if (processus.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    if (sortie != nullptr) {
        *sortie = QString::fromLocal8Bit(processus.readAllStandardOutput());
    }
    return processus.exitCode();
}

class Logind final : public Alimentation {
public:
    bool ArretAutorise() override {
        QString reponse;
        const int code = Executer(QStringLiteral("busctl"),
                                  {QStringLiteral("call"), QStringLiteral("org.freedesktop.login1"),
                                   QStringLiteral("/org/freedesktop/login1"),
                                   QStringLiteral("org.freedesktop.login1.Manager"),
                                   QStringLiteral("CanPowerOff")},
                                  &reponse);
        return code == 0 && (reponse.contains(QLatin1String("\"yes\"")) ||
                             reponse.contains(QLatin1String("\"challenge\"")));
    }

    bool Eteindre(int& codeErreur) override {
        codeErreur = ExecuterCommandeArret(QStringLiteral("systemctl"),
                                           {QStringLiteral("poweroff")}, DelaiCommandeMs);
        return codeErreur == 0;
    }
};

Alimentation*& courante() {
    static Logind logind;
    static Alimentation* a = &logind;
    return a;
}

} // namespace

int ExecuterCommandeArret(const QString& programme, const QStringList& arguments, int delaiMs) {
    QProcess processus;
    processus.start(programme, arguments);
    if (!processus.waitForStarted(DelaiDemarrageMs)) {
        return arret::ProgrammeIntrouvable;
    }
    // A command still running when the wait ends has not powered anything off: a timed-out
    // wait leaves the process "running" with an exit code of 0, which is no success.
    if (!processus.waitForFinished(delaiMs)) {
        processus.kill();
        processus.waitForFinished(DelaiDemarrageMs);
        return arret::DelaiDepasse;
    }
    if (processus.exitStatus() != QProcess::NormalExit) {
        return arret::FinAnormale;
    }
    return processus.exitCode();
}

Alimentation& AlimentationCourante() {
    return *courante();
}

RemplacementAlimentation::RemplacementAlimentation(Alimentation& nouvelle)
    : ancienne_(courante()) {
    courante() = &nouvelle;
}

RemplacementAlimentation::~RemplacementAlimentation() {
    courante() = ancienne_;
}

} // namespace plateforme
