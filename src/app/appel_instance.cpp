#include "app/appel_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {

const QByteArray Demande = QByteArrayLiteral("afficher\n");
constexpr int DelaiMs = 1000;

} // namespace

AppelsInstance::AppelsInstance(const QString& chemin, std::function<void()> montrer)
    : serveur_(new QLocalServer(this))
    , montrer_(std::move(montrer)) {
    // Only the user may ask; a socket left by a crashed instance is taken over, which is safe
    // since this instance holds the lock.
    serveur_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(chemin);
    serveur_->listen(chemin);
    connect(serveur_, &QLocalServer::newConnection, this, &AppelsInstance::Recevoir);
}

AppelsInstance::~AppelsInstance() = default;

bool AppelsInstance::Ecoute() const {
    return serveur_->isListening();
}

void AppelsInstance::Recevoir() {
    while (QLocalSocket* client = serveur_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (!client->canReadLine()) {
                return;
            }
            if (client->readLine() == Demande) {
                montrer_();
            }
            client->disconnectFromServer();
        });
    }
}

bool DemanderAffichage(const QString& chemin) {
    QLocalSocket socket;
    socket.connectToServer(chemin);
    if (!socket.waitForConnected(DelaiMs)) {
        return false;
    }
    socket.write(Demande);
    return socket.waitForBytesWritten(DelaiMs);
}
