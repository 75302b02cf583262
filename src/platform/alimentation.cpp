#include "platform/alimentation.h"

#include <QProcess>

namespace plateforme {

namespace {

// A command's exit code and output; -1 when it cannot be run.
int Executer(const QString& programme, const QStringList& arguments, QString* sortie = nullptr) {
    QProcess processus;
    processus.start(programme, arguments);
    if (!processus.waitForStarted(5000)) {
        return -1;
    }
    processus.waitForFinished(30000);
    if (sortie != nullptr) {
        *sortie = QString::fromLocal8Bit(processus.readAllStandardOutput());
    }
    return processus.exitStatus() == QProcess::NormalExit ? processus.exitCode() : -1;
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
        const int code = Executer(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
        codeErreur = code == 0 ? 0 : (code < 0 ? 2 : code);
        return code == 0;
    }
};

Alimentation*& courante() {
    static Logind logind;
    static Alimentation* a = &logind;
    return a;
}

} // namespace

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
