#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

// A second start of the program ends at once, but first asks the running instance to show its
// window: a user who clicks the menu entry again then sees the window they already have.
// The instance that holds the single-instance lock listens on the lock's socket.
class AppelsInstance : public QObject {
    Q_OBJECT
public:
    // `chemin`: the socket (InstanceUnique::CheminAppel); `montrer` is called for each request.
    AppelsInstance(const QString& chemin, std::function<void()> montrer);
    ~AppelsInstance() override;
    // Whether the socket listens (a second start otherwise ends without being seen).
    bool Ecoute() const;

private:
    void Recevoir();

    QLocalServer* serveur_;
    std::function<void()> montrer_;
};

// In a second instance: asks the one listening on `chemin` to show its window. False when nobody
// answered (an instance still starting, or one that cannot listen); waits a second at most.
bool DemanderAffichage(const QString& chemin);
