#include "platform/veille.h"

#include "platform/logind.h"

#include <QDBusUnixFileDescriptor>

namespace plateforme {

namespace {

// logind keeps its inhibitor while any copy of the descriptor it handed out stays open. Qt's
// copy is close-on-exec: the programs a run starts do not keep the machine awake after it.
class VerrouLogind final : public VerrouVeille {
public:
    explicit VerrouLogind(QDBusUnixFileDescriptor descripteur)
        : descripteur_(std::move(descripteur)) {}

private:
    QDBusUnixFileDescriptor descripteur_;
};

class Logind final : public Veille {
public:
    std::unique_ptr<VerrouVeille> Empecher(const QString& raison) override {
        // Lid switch and sleep alike: a laptop closed mid-run would otherwise be suspended.
        const QDBusMessage reponse =
            logind::Appeler(QStringLiteral("Inhibit"), {QStringLiteral("sleep:handle-lid-switch"),
                                                        QStringLiteral("Synchronisation Zelvano"),
                                                        raison, QStringLiteral("block")});
        if (logind::CodeErreur(reponse) != 0 || reponse.arguments().isEmpty()) {
            return nullptr;
        }
        auto descripteur = reponse.arguments().constFirst().value<QDBusUnixFileDescriptor>();
        if (!descripteur.isValid()) {
            return nullptr;
        }
        return std::make_unique<VerrouLogind>(std::move(descripteur));
    }
};

} // namespace

Veille& VeilleCourante() {
    return *EnVigueur<Veille, Logind>();
}

RemplacementVeille::RemplacementVeille(Veille& nouvelle)
    : Remplacement(EnVigueur<Veille, Logind>(), nouvelle) {}

} // namespace plateforme
